#include "brevutil/brevutil.h"
#include "childprograms.h"
#include "support/eventloop.h"
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

int count(const TProcessList& list, const QString& name, qint64 pid = 0) {
    return std::count_if(list.cbegin(), list.cend(), [&](const TProcessEntry& e) {
        return e.name == name && (pid == 0 || e.id == pid);
    });
}

} // namespace

TEST(BrevUtilProcessList, ListsAChildByExecutableNameAndByFullPath) {
    ChildPrograms children;
    const QString path = children.sleeper("brevlist-");
    const qint64 pid = children.start(path)->processId();
    TBrevUtil u;
    TProcessList list{{"stale", 1}};
    ASSERT_TRUE(u.RunningProcessesList(list));
    EXPECT_EQ(count(list, QFileInfo(path).fileName(), pid), 1);
    EXPECT_EQ(count(list, "stale"), 0);

    TProcessList paths;
    ASSERT_TRUE(u.BuildListPS(paths));
    EXPECT_EQ(count(paths, path, pid), 1);
    for (const TProcessEntry& e : paths)
        EXPECT_TRUE(e.name.startsWith(u'/') || (e.name == "[System]" && e.id == -1));
}

TEST(BrevUtilProcessList, ExistsIgnoresOnlyAsciiCaseWhileKillIgnoresAnyCase) {
    ChildPrograms children;
    const QString name = QFileInfo(children.sleeper("brevsl\u00e9ep-")).fileName();
    QProcess* child = children.start(children.dir() + "/" + name);
    QString asciiUpper = name;
    for (QChar& c : asciiUpper)
        c = (c >= u'a' && c <= u'z') ? QChar(c.unicode() - 32) : c;
    ASSERT_NE(asciiUpper, name.toUpper());
    TBrevUtil u;
    EXPECT_TRUE(u.processExists(asciiUpper));
    EXPECT_FALSE(u.processExists(name.toUpper()));
    // The list holds bare file names, so a path names nothing in it.
    EXPECT_FALSE(u.processExists(children.dir() + "/" + name));

    EXPECT_TRUE(u.KillProcess(name.toUpper()));
    ASSERT_TRUE(child->waitForFinished(10000));
    EXPECT_EQ(child->exitStatus(), QProcess::CrashExit);
    EXPECT_FALSE(u.processExists(name));
    EXPECT_FALSE(u.KillProcess(name));
}

TEST(BrevUtilProcessList, KillOfANameNotRunningChangesNothing) {
    ChildPrograms children;
    QProcess* child = children.start(children.sleeper("brevkeep-"));
    TBrevUtil u;
    EXPECT_FALSE(u.KillProcess("brevnone-" + QFileInfo(child->program()).fileName()));
    EXPECT_TRUE(processRunning(child->processId()));
}

TEST(BrevUtilProcessList, KillAllEndsEveryCopyEvenOneThatIgnoresTermination) {
    ChildPrograms children;
    const QString path = children.sleeper("brevall-");
    const QString name = QFileInfo(path).fileName();
    const QList<QProcess*> started{children.start(path), children.start(path),
                                   children.start(path, true)};
    TBrevUtil u;
    // The stubborn copy shows under the name once its shell has handed over to it.
    ASSERT_TRUE(pumpUntil(
        [&] {
            TProcessList list;
            u.RunningProcessesList(list);
            return count(list, name) == 3;
        },
        10000));

    u.KillAllProcessesof(name);

    EXPECT_FALSE(u.processExists(name));
    for (QProcess* p : started) {
        ASSERT_TRUE(p->waitForFinished(10000));
        EXPECT_EQ(p->exitStatus(), QProcess::CrashExit);
    }
}
