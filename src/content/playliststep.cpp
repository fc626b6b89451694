#include "content/playliststep.h"

#include "content/playlistitemsearch.h"

bool playlistStep(PlaylistHost& host, const TIniFile* playlist, const TIniFile& config,
                  TFileListBox& files, std::int32_t& imageindex, std::int32_t& playlistitemindex,
                  const TClock& clock) {
    const PlaylistSearchResult found = searchPlaylist(
        playlist, config, [&files](const QString& name) { return files.IndexOf(name); },
        playlistitemindex, clock);
    if (found.interval)
        host.setSlideInterval(*found.interval);
    if (found.chosen) {
        imageindex = found.fileIndex;
        return true;
    }
    host.showMessage(playlistMessage);
    host.setSlideTimer(false);
    return false;
}
