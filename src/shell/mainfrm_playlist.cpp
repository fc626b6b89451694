// The playlist step of the slide tick.

#include "content/playlistitemsearch.h"
#include "shell/mainfrm.h"

bool TMainFrm::PlaylistItemSearch() {
    const PlaylistSearchResult found = searchPlaylist(
        playlist.get(), *ini, [this](const QString& name) { return FileListBox.IndexOf(name); },
        playlistitemindex);
    if (found.interval)
        NextImageTimer->setInterval(*found.interval);
    if (found.chosen) {
        imageindex = found.fileIndex;
        return true;
    }
    showMessage(playlistMessage);
    NextImageTimer->setEnabled(false);
    return false;
}
