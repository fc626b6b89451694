// The weekly timetable check, every 10 seconds.

#include "schedule/scheduledecision.h"
#include "shell/clock.h"
#include "shell/configcatalog.h"
#include "shell/diagnostics.h"
#include "shell/mainfrm.h"
#include "shell/servicenotify.h"

void TMainFrm::ScheduleTimer() {
    // A board with nothing to show (an empty folder, no playlist, off hours) is up all the same.
    ServiceNotify::boardReady();
    // A holiday that is not a date raises here, before anything changes, so the board stays as
    // it was until the entry is mended.
    if (scheduleStateAt(*ini, Clock::now()) == ScheduleState::On) {
        if (BlankPanel->isVisible())
            diag::event("schedule", QStringLiteral("on"));
        BlankPanel->hide();
        NextImageTimer->setEnabled(true);
        return;
    }

    Image1.Visible = false;
    VideoPanel->hide();
    WebBrowser1->hide();
    NoFilesLabel.Visible = false;
    update();
    BlankPanel->setGeometry(0, 0, width(), height());
    BlankPanel->setCaption(readConfigText(*ini, ConfigKey::OffScheduleText));
    if (!BlankPanel->isVisible())
        diag::event("schedule", QStringLiteral("off: ") + BlankPanel->Caption());
    BlankPanel->show();
    // Layers made after the panel (a web view created on first use) would otherwise cover it.
    BlankPanel->raise();
    NextImageTimer->setEnabled(false);
}
