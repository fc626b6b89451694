#include "core/servicenotify.h"
#include "core/watchdog.h"
#include "schedule/dbus/sessionbusguard.h"
#include "shell/application.h"
#include "shell/closesignals.h"
#include "shell/heappolicy.h"
#include "shell/mainfrm.h"
#include "shell/services.h"
#include "shell/wayland/waylandsession.h"
#include "web/webenginesetup.h"
#include <QTimer>

int main(int argc, char** argv) {
    // A fresh copy started by the board's restart takes over the service at once.
    ServiceNotify::announceMainProcess();
    useHeapPolicyForLongRuns();
    keepSessionBusFromStarting();
    prepareWebEngineOpenGL();
    const TServices services = systemServices();
    TApplication app(argc, argv, services.errorPresenter);

    // Stopping the board from outside closes its window as the window manager would.
    CloseSignals closeSignals([] {
        if (MainFrm)
            MainFrm->close();
    });

    auto* frm = new TMainFrm(services);
    frm->takeFailureHandover();
    frm->show();
    // On a Wayland session the board sits inside a full-screen window of its own.
    frm->window()->show();
    QTimer::singleShot(0, frm, [frm] { frm->reportStartupError(); });

    Watchdog watchdog(frm->BrevUtil->getstartdir(), Watchdog::configuredTimeout(), *services.clock,
                      *services.regional);
    ServiceNotify::WatchdogPing servicePing;
    const int result = app.exec();
    watchdog.programEnding();
    // The end of the power request, on every way out of the event loop; the buses and the X
    // connection it went over still exist here.
    frm->SystemCritical->SetIsCritical(false);
    delete frm->window();
    limitTeardownOnWayland(result);
    return result;
}
