#include "shell/restart.h"

#include "brevutil/apptermination.h"
#include "shell/diagnostics.h"
#include "shell/mainfrm.h"
#include <QFileInfo>

namespace {

QString programFile() {
    return MainFrm->BrevUtil->getstartdir() + QStringLiteral("tavorel");
}

void launch(const QString& program, const QStringList& arguments = {}) {
    const bool started =
        MainFrm->BrevUtil->ExecNewProcess(QStringList{program} + arguments, false, true);
    diag::event("restart", started ? QStringLiteral("started a new copy: ") + program
                                   : QStringLiteral("could not start ") + program);
}

} // namespace

void restartAfterFailure(const QStringList& arguments) {
    const QString program = programFile();
    if (QFileInfo(program).isFile())
        launch(program, arguments);
    else
        diag::event("restart", QStringLiteral("no program file to restart: ") + program);
    AppTermination::request();
}

void restartOnRequest() {
    launch(programFile());
    MainFrm->Close();
}
