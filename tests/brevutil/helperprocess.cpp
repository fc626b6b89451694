#include "helperprocess.h"

#include "brevutil/brevutil.h"
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <cstdio>
#include <unistd.h>

namespace {

QString utsNamespace() {
    return QFile::symLinkTarget(QStringLiteral("/proc/self/ns/uts"));
}

void say(const QString& line) {
    std::fputs((line + u'\n').toUtf8().constData(), stdout);
}

int runJob(const QString& verb, const QString& arg) {
    TBrevUtil u;
    if (verb == "switch") {
        QString value = QStringLiteral("unchanged");
        say(u.ReadCommandLine(arg, value) ? "true" : "false");
        say(value);
    } else if (verb == "hostname") {
        // Only ever rename a host-name namespace of the helper's own, never the machine's.
        if (utsNamespace() == qEnvironmentVariable("TAVOREL_BREVUTIL_PARENT_UTS"))
            return 90;
        say(u.SetComputerName(arg) ? "true" : "false");
        QString name, address;
        u.GetHostInfo(name, address);
        say(name);
        say(address);
        say(u.CurrentHostName());
    } else if (verb == "mac") {
        say(u.Get_MacAddress());
    } else if (verb == "detach") {
        const char* script = "echo $$ > \"$1.tmp\"; mv \"$1.tmp\" \"$1\"; exec sleep 60";
        say(u.ExecNewProcess(QStringList{"/bin/sh", "-c", script, "sh", arg}, false, true)
                ? "true"
                : "false");
    } else {
        return 2;
    }
    return 0;
}

// Runs before main when the job variable is set, so the helper never starts the test framework.
[[maybe_unused]] const int helperJob = [] {
    const QString job = qEnvironmentVariable("TAVOREL_BREVUTIL_HELPER");
    if (job.isEmpty())
        return 0;
    const int code = runJob(job.section(u':', 0, 0), job.section(u':', 1));
    std::fflush(stdout);
    _exit(code);
}();

} // namespace

HelperResult runHelper(const QString& job, const QStringList& extraArgs,
                       const QStringList& namespaces) {
    QList<QStringList> wrappers{{}};
    if (!namespaces.isEmpty())
        wrappers = {QStringList{"unshare"} + namespaces,
                    QStringList{"unshare", "--user", "--map-root-user"} + namespaces};
    HelperResult result;
    for (const QStringList& wrapper : wrappers) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TAVOREL_BREVUTIL_HELPER", job);
        env.insert("TAVOREL_BREVUTIL_PARENT_UTS", utsNamespace());
        p.setProcessEnvironment(env);
        const QStringList command =
            wrapper + QStringList{QCoreApplication::applicationFilePath()} + extraArgs;
        p.start(command.first(), command.mid(1));
        result.started = p.waitForStarted(10000) && p.waitForFinished(60000);
        result.exitCode = p.exitCode();
        result.lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n');
        result.errors = QString::fromUtf8(p.readAllStandardError());
        // unshare failing says so on standard error and ends before the helper prints anything.
        result.started = result.started && !result.errors.startsWith("unshare:");
        if (result.started)
            break;
    }
    return result;
}
