#include "brevutil/commandline.h"
#include "helperprocess.h"
#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

// Whether the switch is found, and the value then ("-" when left alone).
QString find(const QStringList& arguments, const QString& name) {
    QString value = "-";
    const bool found =
        CommandLine::findSwitch(QStringList{"/opt/board/tavorel"} + arguments, name, value);
    return (found ? "yes " : "no ") + value;
}

} // namespace

TEST(BrevUtilCommandLine, SwitchesMatchByPrefixAndTheLastValueWins) {
    EXPECT_EQ(find({"/PORT:8080"}, "Port"), "yes 8080");
    EXPECT_EQ(find({"/port"}, "Port"), "yes -");
    EXPECT_EQ(find({"/portable"}, "port"), "yes -");
    EXPECT_EQ(find({"/port:"}, "port"), "yes ");
    EXPECT_EQ(find({"/port:1", "/port", "/PoRt:a:b c", "/port"}, "port"), "yes a:b c");
    for (const char* other : {"-port", "port", "/por", "/ port", " /port"})
        EXPECT_EQ(find({other}, "port"), "no -") << other;
    // Only a-z are compared without case; the program's path is no switch.
    EXPECT_EQ(find({"/PÖRT"}, "pört"), "no -");
    EXPECT_EQ(find({"/PöRT"}, "pört"), "yes -");
    EXPECT_EQ(find({}, "opt"), "no -");
}

TEST(BrevUtilCommandLine, ReadsTheProcessesOwnArgumentsWithoutAnApplicationObject) {
    // The helper runs before any application object exists.
    HelperResult r = runHelper("switch:port", {"/PORT:8080", "with blank", "/portable"});
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_EQ(r.lines.mid(0, 2), QStringList({"true", "8080"}));

    // Its own path begins with "/" and a folder name, yet is no switch.
    const QString folder = QCoreApplication::applicationFilePath().section(u'/', 1, 1);
    r = runHelper("switch:" + folder, {"/por", "port"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.lines.mid(0, 2), QStringList({"false", "unchanged"}));
}
