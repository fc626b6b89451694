#include "shell/application.h"
#include "shell/closesignals.h"
#include "shell/mainfrm.h"
#include <QTimer>

int main(int argc, char** argv) {
    // The web engine draws through OpenGL contexts shared with the window's, and they can only be
    // shared when this is set before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
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
