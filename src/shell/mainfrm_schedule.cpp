// The timetable tick (see schedule/scheduletick.h) and the blank off-hours screen.

#include "shell/mainfrm.h"

void TMainFrm::ScheduleTimer() {
    scheduleTick(*this, *ini, services_.clock->now());
}

bool TMainFrm::blankShown() const {
    return BlankPanel->isVisible();
}

void TMainFrm::hideBlank() {
    BlankPanel->hide();
}

void TMainFrm::showBlank(const QString& text) {
    Image1.Visible = false;
    VideoPanel->hide();
    WebBrowser1->hide();
    NoFilesLabel.Visible = false;
    update();
    BlankPanel->setGeometry(0, 0, width(), height());
    BlankPanel->setCaption(text);
    BlankPanel->show();
    // Layers made after the panel (a web view created on first use) would otherwise cover it.
    BlankPanel->raise();
}
