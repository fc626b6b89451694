#include "shell/application.h"
#include "shell/closesignals.h"
#include "shell/heappolicy.h"
#include "shell/mainfrm.h"
#include <QTimer>

int main(int argc, char** argv) {
    useHeapPolicyForLongRuns();
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
    delete frm;
    return result;
}
