// The weekly timetable check, every 10 seconds.

#include "shell/mainfrm.h"

void TMainFrm::ScheduleTimer() {
    // Without a timetable the board is always on.
    NextImageTimer->setEnabled(true);
    BlankPanel->hide();
}
