#include "brevutil/smallfile.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(BrevUtilSmallFile, ReadsToTheEndWhateverSizeTheSystemReports) {
    // /proc reports size 0 for its files; the content comes whole all the same.
    const QByteArray status = readSmallFile("/proc/self/status");
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

TEST(BrevUtilSmallFile, WhatCannotBeReadIsEmpty) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_TRUE(readSmallFile(QFile::encodeName(dir.filePath("missing"))).isEmpty());
    EXPECT_TRUE(readSmallFile(QFile::encodeName(dir.path())).isEmpty()); // a folder
    EXPECT_TRUE(readSmallFile(QByteArray()).isEmpty());
}
