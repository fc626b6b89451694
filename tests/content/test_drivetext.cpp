#include "content/drivetext.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

class DriveText : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // A mountinfo file of the given lines: "device root mount-point", the rest as the kernel
    // writes it.
    QString mountInfo(const QStringList& entries) {
        const QString path = dir.filePath(QStringLiteral("mountinfo"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        int id = 20;
        for (const QString& entry : entries)
            f.write(QStringLiteral("%1 1 %2 rw,relatime shared:1 - ext4 /dev/x rw\n")
                        .arg(id++)
                        .arg(entry)
                        .toUtf8());
        return path;
    }

    static QString deviceOf(const QString& path) {
        struct stat info {};
        if (stat(QFile::encodeName(path).constData(), &info) != 0)
            return QStringLiteral("(none)");
        return QStringLiteral("%1:%2").arg(major(info.st_dev)).arg(minor(info.st_dev));
    }

    QTemporaryDir dir;
};

TEST_F(DriveText, TheLongestMountPointAboveTheFolderIsItsDrive) {
    const QString table = mountInfo({"8:1 / /", "8:2 / /srv/show\\040one", "8:3 / /srv"});
    EXPECT_EQ(driveText("/srv/show one/today", table), "/srv/show one");
    EXPECT_EQ(driveText("/srv/show", table), "/srv");
    EXPECT_EQ(driveText("/home/board", table), "/");
    EXPECT_EQ(driveText("//server/share/pictures", table), "//server/share");
    EXPECT_EQ(driveText("", table), "");
}

// A chroot or container whose / is not a mount point lists no mount above its folders.
TEST_F(DriveText, WithNoMountPointAboveTheFolderItsFileSystemIsFoundByItsDevice) {
    const QString folder = dir.filePath(QStringLiteral("show"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString device = deviceOf(folder);
    // A file bound from the same file system is not a mount of it; a whole mount is.
    const QString table = mountInfo(
        {"0:4 / /proc", device + " /etc/hostname /etc/hostname", device + " / /mnt/whole"});
    EXPECT_EQ(driveText(folder + "/not-yet-there", table), "/mnt/whole");

    // No mount of it at all: the highest folder above on the same device.
    const QString none = mountInfo({"0:4 / /proc"});
    const QString drive = driveText(folder + "/not-yet-there", none);
    ASSERT_FALSE(drive.isEmpty());
    EXPECT_TRUE(drive == "/" || folder.startsWith(drive + "/")) << drive.toStdString();
    EXPECT_EQ(deviceOf(drive), device);
    if (drive != "/") {
        EXPECT_NE(deviceOf(QFileInfo(drive).path()), device) << drive.toStdString();
    }
}

} // namespace
