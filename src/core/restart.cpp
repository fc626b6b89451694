#include "core/restart.h"

#include "brevutil/apptermination.h"
#include "brevutil/brevutil.h"
#include "core/diagnostics.h"
#include <QFileInfo>

namespace {

QString programFile(const TBrevUtil& util) {
    return util.getstartdir() + QStringLiteral("tavorel");
}

void launch(TBrevUtil& util, const QString& program) {
    const bool started = util.ExecNewProcess(QStringList{program}, false, true);
    diag::event("restart", started ? QStringLiteral("started a new copy: ") + program
                                   : QStringLiteral("could not start ") + program);
}

} // namespace

void restartAfterFailure(TBrevUtil& util) {
    const QString program = programFile(util);
    if (QFileInfo(program).isFile())
        launch(util, program);
    else
        diag::event("restart", QStringLiteral("no program file to restart: ") + program);
    AppTermination::request();
}

void restartOnRequest(TBrevUtil& util, const std::function<void()>& closeWindow) {
    launch(util, programFile(util));
    closeWindow();
}
