#pragma once

#include "content/folderlist.h"
#include "core/inifile.h"
#include "sequencer/slidehost.h"
#include <QString>
#include <cstdint>
#include <memory>

// Where the show stands. The slide tick reads and moves it; the window owns it.
struct SlideState {
    TFileListBox& files;
    const QString& folder; // with its trailing "/"
    std::int32_t& imageindex;
    std::int32_t& playlistitemindex;
    const bool& usePlayList;
    const bool& showFileName;
    const bool& pollSourceDrive;
    const bool& preventScreenSaver;
    const std::unique_ptr<TIniFile>& playlist;
};

// The slide tick: each run moves the show on by one item, and any failure on the way is logged and
// ends in a fresh copy of the board.
class SlideTick {
  public:
    SlideTick(SlideHost& host, SlideState state) : host_(host), state_(state) {}

    // One tick of NextImageTimer.
    void run();

  private:
    void showItem(const QString& path);
    void prefetchNextPicture();
    void pollSourceDrive();
    void slideFailed(const QString& text);

    SlideHost& host_;
    SlideState state_;
};
