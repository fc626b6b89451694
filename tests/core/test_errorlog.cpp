#include "core/errorlog.h"
#include "core/errors.h"
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

TEST(ErrorLog, ALockHeldByAnotherWriterIsWaitedForOnlyUntilTheDeadline) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ERROR.LOG"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    // A description of its own, as another program's would be: its flock excludes the log's.
    const int holder = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    QElapsedTimer waited;
    waited.start();
    EXPECT_THROW(appendLogLine(path, QStringLiteral("given up"), QDate(2014, 12, 8), {}),
                 EInOutError);
    EXPECT_GE(waited.elapsed(), 1500);
    EXPECT_LT(waited.elapsed(), 20000) << "the write must give up, not wait for the lock";
    EXPECT_EQ(QFile(path).size(), 0);

    ::close(holder);
    appendLogLine(path, QStringLiteral("written"), QDate(2014, 12, 8), {});
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("12/8/2014,written\r\n"));
}
