// The video step and the player's completion handler.

#include "shell/mainfrm.h"

void TMainFrm::PlayVideo(const QString& fullPath) {
    // No video back end in this build yet: the clip is passed over like a file the board cannot
    // show.
    showMessage(QStringLiteral("Unsupported File: ") + fullPath);
    NextImageTimer->setEnabled(true);
}

void TMainFrm::MediaPlayer1Notify() {
    MediaPlayer1->Close();
    NextImageTimer->setEnabled(true);
    NextImageTimerTimer();
}
