#include "brevutil/smallfile.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(BrevUtilSmallFile, ReadsToTheEndWhateverSizeTheSystemReports) {
    // /proc reports size 0 for its files; the content comes whole all the same.
    const QByteArray status = readSmallFile("/proc/self/status").value_or(QByteArray());
    EXPECT_TRUE(status.startsWith("Name:\t")) << status.left(40).toStdString();
    EXPECT_TRUE(status.contains("\nPid:\t")) << status.toStdString();

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray content;
    for (int i = 0; i < 3000; ++i)
        content += QByteArray::number(i) + '\0';
    const QByteArray path = QFile::encodeName(dir.filePath("many blocks"));
    QFile file(QString::fromLocal8Bit(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    EXPECT_EQ(readSmallFile(path), content);
}

TEST(BrevUtilSmallFile, AMissingFileIsToldFromAnEmptyOne) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(readSmallFile(QFile::encodeName(dir.filePath("missing"))), std::nullopt);
    EXPECT_EQ(readSmallFile(QByteArray()), std::nullopt);
    QFile empty(dir.filePath("empty"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_EQ(readSmallFile(QFile::encodeName(empty.fileName())), QByteArray());
    // A folder opens but reads nothing.
    EXPECT_EQ(readSmallFile(QFile::encodeName(dir.path())), QByteArray());
}
