// The folder refresh with the control files (see content/folderpolling.h).

#include "core/restart.h"
#include "shell/mainfrm.h"

void TMainFrm::NewFilesTimerTimer() {
    if (playlistPending_)
        startPlaylist();
    pollFolder(FileListBox, BrevUtil->getstartdir(), *this);
}

void TMainFrm::closeBoard() {
    Close();
}

void TMainFrm::reboot() {
    restartOnRequest(*BrevUtil, [this] { Close(); });
}
