#include "brevutil/accountnames.h"
#include "brevutil/brevutil.h"
#include "childprograms.h"
#include "helperprocess.h"
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The address sysfs shows ("aa:bb:..") for the non-loopback interface with the lowest index and a
// non-zero six-byte address. The toolbox asks the kernel's interface list instead.
QString firstInterfaceAddressInSysfs() {
    QMap<int, QString> byIndex;
    const QDir net("/sys/class/net");
    for (const QString& name : net.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        auto read = [&](const char* file) {
            return readText(net.filePath(name) + "/" + file).trimmed();
        };
        if (!(read("flags").toInt(nullptr, 16) & 0x8) && read("addr_len") == "6" &&
            read("address") != "00:00:00:00:00:00")
            byIndex.insert(read("ifindex").toInt(), read("address"));
    }
    return byIndex.isEmpty() ? QString() : byIndex.first();
}

} // namespace

TEST(BrevUtilSystem, ComputerNameIsCutTo16CharactersAndAnUnknownNameHasNoAddress) {
    // Only ever inside a host-name namespace of the helper's own.
    HelperResult r = runHelper("hostname:tavorel-brevutil-renamed", {}, {"--uts", "--net"});
    if (!r.started)
        GTEST_SKIP() << "no private namespaces here: " << r.errors.toStdString();
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    const QString name = QString("tavorel-brevutil-renamed").left(16);
    EXPECT_EQ(r.lines.mid(0, 4), QStringList({"true", name, "", name}));

    r = runHelper("hostname:localhost", {}, {"--uts", "--net"});
    EXPECT_EQ(r.lines.mid(0, 3), QStringList({"true", "localhost", "127.0.0.1"}));

    r = runHelper("hostname:", {}, {"--uts", "--net"});
    EXPECT_EQ(r.lines.mid(0, 2), QStringList({"false", QSysInfo::machineHostName()}));
}

TEST(BrevUtilSystem, MacAddressIsTheFirstInterfacesInUpperCaseHexPairs) {
    const QString mac = TBrevUtil().Get_MacAddress();
    const QString expected = firstInterfaceAddressInSysfs();
    EXPECT_EQ(mac, expected.toUpper().replace(u':', u'-'));
    if (!expected.isEmpty()) {
        EXPECT_TRUE(QRegularExpression("^([0-9A-F]{2}-){5}[0-9A-F]{2}$").match(mac).hasMatch());
    }

    // With only the loopback interface there is no address to give.
    const HelperResult r = runHelper("mac", {}, {"--net"});
    if (!r.started)
        GTEST_SKIP() << "no private network namespace here";
    EXPECT_EQ(r.lines.value(0), QString());
    EXPECT_EQ(r.exitCode, 0);
}

TEST(BrevUtilSystem, UserAndDomainOfTheRunningAccount) {
    TBrevUtil u;
    QProcess id;
    id.start("id", {"-un"});
    ASSERT_TRUE(id.waitForFinished(10000));
    const QString user = QString::fromLocal8Bit(id.readAllStandardOutput()).trimmed();
    EXPECT_EQ(u.CurrentUserName(), user);
    if (!user.contains(u'@') && !user.contains(u'\\')) {
        EXPECT_EQ(u.GetDomainName(), QSysInfo::machineHostName());
    }
    EXPECT_EQ(u.CurrentHostName(), QSysInfo::machineHostName());
    EXPECT_EQ(AccountNames::domainOfAccount("ann@corp.example.org", "board"), "corp.example.org");
    EXPECT_EQ(AccountNames::domainOfAccount("CORP\\ann", "board"), "CORP");
    EXPECT_EQ(AccountNames::domainOfAccount("ann", "board"), "board");
}

TEST(BrevUtilSystem, CompactAndRepairFailsAndLeavesTheFileAlone) {
    QTemporaryDir dir;
    QFile db(dir.filePath("board.mdb"));
    ASSERT_TRUE(db.open(QIODevice::WriteOnly) && db.write("not a database") == 14);
    db.close();
    const QDateTime modified = QFileInfo(db).lastModified();
    EXPECT_FALSE(TBrevUtil().CompactAndRepair(db.fileName(), "secret"));
    EXPECT_EQ(readText(db.fileName()), "not a database");
    EXPECT_EQ(QFileInfo(db).lastModified(), modified);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"board.mdb"});
}
