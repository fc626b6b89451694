// The video step and the player's completion handler.

#include "core/configcatalog.h"
#include "schedule/volumectrl.h"
#include "shell/mainfrm.h"

void TMainFrm::PlayVideo(const QString& fullPath) {
    WebBrowser1->hide();
    NextImageTimer->setEnabled(false);
    VideoPanel->setGeometry(0, 0, width(), height());
    VideoPanel->show();
    MediaPlayer1->setDisplay(VideoPanel);
    MediaPlayer1->Close();
    MediaPlayer1->FileName = fullPath;
    // A file that cannot be opened leaves the step here, with the panel black and the volume as
    // it was; the slide tick logs it and restarts the board.
    MediaPlayer1->Open();
    // Read at every video, so an edit of config.ini applies to the next one. Without a level read
    // at start (no sound output) the volume is left alone.
    if (VolumeLevelRead) {
        if (readConfigSwitch(*ini, ConfigKey::NoSound))
            SetMasterVolume(0.0f, *services_.volume);
        else
            SetMasterVolume(VolumeLevel, *services_.volume);
    }
    // Stretched over the whole panel: the clip's aspect ratio is not kept.
    MediaPlayer1->setDisplayRect(
        QRect(VideoPanel->x(), VideoPanel->y(), VideoPanel->width(), VideoPanel->height()));
    MediaPlayer1->Rewind();
    MediaPlayer1->setNotify(true);
    MediaPlayer1->Play();
    // NextImageTimer stays off: the end of the clip runs the next slide tick.
}

void TMainFrm::MediaPlayer1Notify() {
    MediaPlayer1->Close();
    NextImageTimer->setEnabled(true);
    NextImageTimerTimer();
}
