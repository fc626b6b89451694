#include "brevutil/apptermination.h"
#include "brevutil/brevutil.h"
#include "childprograms.h"
#include "helperprocess.h"
#include "support/eventloop.h"
#include <QDir>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class BrevUtilLaunch : public ::testing::Test {
  protected:
    ~BrevUtilLaunch() override {
        AppTermination::resetForTests();
        for (const auto& [name, value] : savedEnv)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    void setEnv(const char* name, const QString& value) {
        savedEnv.emplace_back(name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
        qputenv(name, value.toLocal8Bit());
    }
    // A command that prints its arguments one per line into the file.
    QString recorder(const QString& name, const QString& file, const QString& tail = {}) {
        return children.script(name, "printf '%s\\n' \"$@\" > '" + file + "'" + tail);
    }
    ChildPrograms children;
    TBrevUtil u;
    std::vector<std::pair<const char*, QByteArray>> savedEnv;
};

QString quoted(const QString& text) {
    return "'" + text + "'";
}

} // namespace

TEST_F(BrevUtilLaunch, ExecNewProcessReportsAProgramThatCannotStart) {
    const QString plain = children.script("plain", "");
    QFile(plain).setPermissions(QFile::ReadOwner);
    EXPECT_FALSE(u.ExecNewProcess("/nonexistent/brevutil-missing", false, true));
    EXPECT_FALSE(u.ExecNewProcess("brevutil-missing-program-xyz", false, true));
    EXPECT_FALSE(u.ExecNewProcess(QStringList{plain}, false, true));
    EXPECT_FALSE(u.ExecNewProcess(QStringList{plain}, true, true));
    EXPECT_FALSE(u.ExecNewProcess("'/bin/true", false, true));
    EXPECT_FALSE(u.ExecNewProcess(QString(), false, true));
    EXPECT_TRUE(u.ExecNewProcess("true", false, true));
}

TEST_F(BrevUtilLaunch, ExecNewProcessTakesAPathWithBlanksInEitherForm) {
    QDir().mkpath(children.dir() + "/start dir");
    const QString out = children.dir() + "/out";
    const QString program = recorder("start dir/run me", out);
    // Waited for: the output is complete when the call returns.
    EXPECT_TRUE(u.ExecNewProcess(QStringList{program, "a b"}, true, true));
    EXPECT_EQ(readText(out), "a b\n");
    EXPECT_TRUE(u.ExecNewProcess(quoted(program) + " \"c  d\" e", true, true));
    EXPECT_EQ(readText(out), "c  d\ne\n");
}

TEST_F(BrevUtilLaunch, ExecNewProcessChildOutlivesItsStarterInASessionOfItsOwn) {
    const QString pidFile = children.dir() + "/detached.pid";
    const HelperResult r = runHelper("detach:" + pidFile);
    ASSERT_EQ(r.lines.value(0), "true") << r.errors.toStdString();
    // The starter has ended; the program it started goes on.
    ASSERT_TRUE(pumpUntil([&] { return QFile::exists(pidFile); }, 10000));
    const qint64 pid = readText(pidFile).toLongLong();
    const QStringList stat = processStatFields(pid);
    ASSERT_GE(stat.size(), 4);
    EXPECT_TRUE(processRunning(pid));
    EXPECT_NE(stat[1].toLongLong(), qint64(getpid()));
    EXPECT_EQ(stat[2].toLongLong(), pid);
    EXPECT_EQ(stat[3].toLongLong(), pid);
    ::kill(pid_t(pid), SIGKILL);
}

TEST_F(BrevUtilLaunch, ExecuteFileWaitKeepsTimersFiringWhileItWaits) {
    const QString tick = children.dir() + "/tick";
    const QString out = children.dir() + "/out";
    // The child ends only once the caller's timer has fired, so its end proves the timer ran.
    const QString program = children.script(
        "waiter", "i=0; while [ ! -e \"$1\" ] && [ $i -lt 1500 ]; do sleep 0.02; i=$((i+1)); "
                  "done; [ -e \"$1\" ] && echo seen > \"$2\"");
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { QFile(tick).open(QIODevice::WriteOnly); });
    timer.start(10);
    EXPECT_EQ(u.ExecuteFileWait(program, quoted(tick) + " " + quoted(out), "", false), QString());
    EXPECT_EQ(readText(out), "seen\n");
}

TEST_F(BrevUtilLaunch, ExecuteFileWaitReturnsOnTheQuitRequestAndLeavesTheChildRunning) {
    const QString pidFile = children.dir() + "/child.pid";
    const QString program =
        children.script("long", "echo $$ > \"$1.tmp\"; mv \"$1.tmp\" \"$1\"; exec sleep 60");
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (QFile::exists(pidFile) && !AppTermination::requested())
            AppTermination::request();
    });
    watcher.start(10);
    u.ExecuteFileWait(program, quoted(pidFile), "", false);
    watcher.stop();
    ASSERT_TRUE(AppTermination::requested());
    const qint64 pid = readText(pidFile).toLongLong();
    EXPECT_TRUE(processRunning(pid));

    // Once the child ends it is collected in the background: no zombie stays behind.
    AppTermination::resetForTests();
    ::kill(pid_t(pid), SIGTERM);
    EXPECT_TRUE(pumpUntil([&] { return processStatFields(pid).isEmpty(); }, 10000));
}

TEST_F(BrevUtilLaunch, ExecuteFileWaitRunsHiddenInItsStartFolderOrNotAtAll) {
    setEnv("DISPLAY", ":97");
    setEnv("WAYLAND_DISPLAY", "wayland-test");
    const QString folder = children.dir() + "/a folder";
    QDir().mkpath(folder);
    const QString out = children.dir() + "/out";
    const QString params =
        "-c 'echo \"$(pwd) ${DISPLAY-none} ${WAYLAND_DISPLAY-none}\" > \"$1\"' sh " + quoted(out);
    u.ExecuteFileWait("/bin/sh", params, folder, false);
    EXPECT_EQ(readText(out), folder + " none none\n");
    u.ExecuteFileWait("sh", params, ".", true);
    EXPECT_EQ(readText(out), QDir::currentPath() + " :97 wayland-test\n");

    QFile::remove(out);
    u.ExecuteFileWait("/bin/sh", params, children.dir() + "/missing", false);
    u.ExecuteFileWait("/bin/sh", params + " 'open", folder, false);
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(BrevUtilLaunch, ExecuteFileWaitOpensADocumentWithTheDesktopOpener) {
    const QString record = children.dir() + "/opened";
    recorder("xdg-open", record);
    setEnv("PATH", children.dir() + ":" + qEnvironmentVariable("PATH"));
    const QString document = children.dir() + "/notes.txt";
    QFile(document).open(QIODevice::WriteOnly);
    u.ExecuteFileWait(document, "ignored", "", false);
    EXPECT_EQ(readText(record), document + "\n");
}

TEST_F(BrevUtilLaunch, RunAsAdminGoesThroughPkexecAndReportsItsRefusal) {
    const QString record = children.dir() + "/elevated";
    recorder("pkexec", record, "; exit $(cat \"$0.code\")");
    QFile code(children.dir() + "/pkexec.code");
    const QString program = children.script("task", "exit 0");
    setEnv("PATH", children.dir() + ":" + qEnvironmentVariable("PATH"));

    code.open(QIODevice::WriteOnly);
    code.write("0");
    code.close();
    EXPECT_TRUE(u.RunAsAdmin(0, "task", "'a b' c"));
    EXPECT_EQ(readText(record), program + "\na b\nc\n");
    code.open(QIODevice::WriteOnly);
    code.write("126");
    code.close();
    EXPECT_FALSE(u.RunAsAdmin(0, program, ""));
    EXPECT_FALSE(u.RunAsAdmin(0, program, "\"open"));
    setEnv("PATH", children.dir() + "/nothing-here");
    EXPECT_FALSE(u.RunAsAdmin(0, program, ""));
}
