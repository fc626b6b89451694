#pragma once

#include "content/folderlist.h"
#include "core/inifile.h"
#include <QString>
#include <cstdint>

// What the playlist step of the slide tick needs from the window.
class PlaylistHost {
  public:
    virtual ~PlaylistHost() = default;

    // NextImageTimer's interval and whether it runs.
    virtual void setSlideInterval(std::uint32_t interval) = 0;
    virtual void setSlideTimer(bool enabled) = 0;
    virtual void showMessage(const QString& text) = 0;
};

// Chooses the next playlist item (see searchPlaylist): sets imageindex and the slide interval and
// returns true, or shows the playlist message, stops the slide timer and returns false.
bool playlistStep(PlaylistHost& host, const TIniFile* playlist, const TIniFile& config,
                  TFileListBox& files, std::int32_t& imageindex, std::int32_t& playlistitemindex,
                  const TClock& clock);
