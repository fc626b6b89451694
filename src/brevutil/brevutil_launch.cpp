#include "brevutil/brevutil.h"

#include "brevutil/childprocess.h"
#include "brevutil/shellwords.h"
#include <QFileInfo>
#include <sys/wait.h>

namespace {

// What running a file means: an executable runs itself; a document, folder or web address goes
// to the desktop's opener, as its default action.
std::optional<ChildProcess::Launch> shellStart(const QString& file, const QStringList& params) {
    ChildProcess::Launch launch;
    const QString program = ChildProcess::resolve(file);
    const QFileInfo info(program);
    if (!program.isEmpty() && info.isFile() && info.isExecutable()) {
        launch.program = program;
        launch.arguments = QStringList{file} + params;
        return launch;
    }
    QString target;
    if (file.contains(QStringLiteral("://")))
        target = file;
    else if (!file.isEmpty() && QFileInfo::exists(file))
        target = QFileInfo(file).absoluteFilePath();
    const QString opener = ChildProcess::resolve(QStringLiteral("xdg-open"));
    if (target.isEmpty() || opener.isEmpty())
        return std::nullopt;
    launch.program = opener;
    launch.arguments = QStringList{QStringLiteral("xdg-open"), target};
    return launch;
}

} // namespace

bool TBrevUtil::ExecNewProcess(const QStringList& argv, bool Wait, bool aShow) {
    if (argv.isEmpty())
        return false;
    ChildProcess::Launch launch;
    launch.program = ChildProcess::resolve(argv.first());
    launch.arguments = argv;
    launch.newSession = true;
    launch.hidden = !aShow;
    if (!Wait)
        return ChildProcess::startDetached(launch);
    const pid_t pid = ChildProcess::start(launch);
    if (pid < 0)
        return false;
    ChildProcess::waitDispatching(pid);
    return true;
}

bool TBrevUtil::ExecNewProcess(const QString& ProgramName, bool Wait, bool aShow) {
    const std::optional<QStringList> argv = splitShellWords(ProgramName);
    return argv && ExecNewProcess(*argv, Wait, aShow);
}

QString TBrevUtil::ExecuteFileWait(const QString& ExecuteFile, const QString& ParamString,
                                   const QString& StartInDir, bool Show) {
    const std::optional<QStringList> params = splitShellWords(ParamString);
    if (!params)
        return QString();
    std::optional<ChildProcess::Launch> launch = shellStart(ExecuteFile, *params);
    if (!launch)
        return QString();
    launch->workingDirectory = StartInDir;
    launch->hidden = !Show;
    const pid_t pid = ChildProcess::start(*launch);
    if (pid >= 0)
        ChildProcess::waitDispatching(pid);
    return QString();
}

bool TBrevUtil::RunAsAdmin(WId hWnd, const QString& filename, const QString& Parameters) {
    Q_UNUSED(hWnd);
    const std::optional<QStringList> params = splitShellWords(Parameters);
    if (!params || filename.isEmpty())
        return false;
    ChildProcess::Launch launch;
    launch.program = ChildProcess::resolve(QStringLiteral("pkexec"));
    if (launch.program.isEmpty())
        return false;
    // pkexec runs the program from a cleaned environment, so it is given the file itself rather
    // than a name to look up on the caller's PATH.
    const QString program = ChildProcess::resolve(filename);
    launch.arguments =
        QStringList{QStringLiteral("pkexec"), program.isEmpty() ? filename : program};
    launch.arguments += *params;
    const pid_t pid = ChildProcess::start(launch);
    if (pid < 0)
        return false;
    const std::optional<int> status = ChildProcess::waitDispatching(pid);
    if (!status || *status == -1 || !WIFEXITED(*status))
        return true;
    const int code = WEXITSTATUS(*status);
    return code != 126 && code != 127;
}
