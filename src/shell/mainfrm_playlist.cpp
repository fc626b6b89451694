// The playlist step of the slide tick (see content/playliststep.h).

#include "shell/mainfrm.h"

bool TMainFrm::PlaylistItemSearch() {
    return playlistStep(*this, playlist.get(), *ini, FileListBox, imageindex, playlistitemindex,
                        *services_.clock);
}

void TMainFrm::setSlideInterval(std::uint32_t interval) {
    NextImageTimer->setInterval(interval);
}
