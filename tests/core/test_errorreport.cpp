#include "core/errorreport.h"
#include "core/errors.h"
#include <QStringList>
#include <gtest/gtest.h>

TEST(ErrorReport, FullStopIsAddedOnlyAfterCharactersBeyondTheFullStop) {
    EXPECT_EQ(reportText(QStringLiteral("Disk full")), QStringLiteral("Disk full."));
    EXPECT_EQ(reportText(QStringLiteral("Disk full.")), QStringLiteral("Disk full."));
    // "!", ")" and "-" come before "." in character order, so nothing is added.
    EXPECT_EQ(reportText(QStringLiteral("Stop!")), QStringLiteral("Stop!"));
    EXPECT_EQ(reportText(QStringLiteral("List index out of bounds (3)")),
              QStringLiteral("List index out of bounds (3)"));
    EXPECT_EQ(reportText(QStringLiteral("a-")), QStringLiteral("a-"));
    EXPECT_EQ(reportText(QStringLiteral("System Error.  Code: 111.\r\nConnection refused")),
              QStringLiteral("System Error.  Code: 111.\r\nConnection refused."));
    EXPECT_EQ(reportText(QString()), QString());
}

TEST(ErrorReport, OsErrorsAndListErrorsCarryTheirFixedTexts) {
    EXPECT_EQ(EOSError(2, QStringLiteral("No such file or directory")).message(),
              QStringLiteral("System Error.  Code: 2.\r\nNo such file or directory"));
    EXPECT_EQ(EOSError(0, QStringLiteral("ignored")).message(),
              QStringLiteral("A call to an OS function failed"));
    EXPECT_EQ(EListError(-1).message(), QStringLiteral("List index out of bounds (-1)"));
}

TEST(ErrorReport, RunReportedCatchesAndReportsOnce) {
    QStringList shown;
    const ErrorPresenter presenter = [&](const QString& text) { shown << text; };
    const int before = reportCount();
    EXPECT_TRUE(runReported([] {}, presenter));
    EXPECT_FALSE(runReported(
        [] { throw EInOutError(QStringLiteral("The specified file was not found")); }, presenter));
    EXPECT_FALSE(runReported([] { throw 42; }, presenter));
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], QStringLiteral("The specified file was not found."));
    EXPECT_EQ(reportCount() - before, 2);
}
