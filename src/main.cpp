#include "presentation/webenginesetup.h"
#include "schedule/powermgmt.h"
#include "schedule/sessionbusguard.h"
#include "shell/application.h"
#include "shell/closesignals.h"
#include "shell/heappolicy.h"
#include "shell/mainfrm.h"
#include <QTimer>

int main(int argc, char** argv) {
    useHeapPolicyForLongRuns();
    keepSessionBusFromStarting();
    prepareWebEngineOpenGL();
    TApplication app(argc, argv);

    // Stopping the board from outside closes its window as the window manager would.
    CloseSignals closeSignals([] {
        if (MainFrm)
            MainFrm->close();
    });

    auto* frm = new TMainFrm();
    frm->show();
    QTimer::singleShot(0, frm, [frm] { frm->reportStartupError(); });

    const int result = app.exec();
    // The end of the power request, on every way out of the event loop; the buses and the X
    // connection it went over still exist here.
    SystemCritical->SetIsCritical(false);
    delete frm;
    return result;
}
