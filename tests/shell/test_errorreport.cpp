#include "shell/errorreport.h"
#include "shell/errors.h"
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
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
    setErrorPresenter([&](const QString& text) { shown << text; });
    const int before = reportCount();
    EXPECT_TRUE(runReported([] {}));
    EXPECT_FALSE(runReported([] { throw EInOutError(QStringLiteral("The specified file was not found")); }));
    EXPECT_FALSE(runReported([] { throw 42; }));
    setErrorPresenter(nullptr);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], QStringLiteral("The specified file was not found."));
    EXPECT_EQ(reportCount() - before, 2);
}

// A fault that repeats while the report is on screen must not open a second modal box on top of
// the first: the nested reports return at once and the box counts them.
TEST(ErrorReport, ReportsWhileABoxIsShownDoNotNest) {
    int nestedReturned = 0;
    int boxesSeen = 0;
    QTimer repeat;
    repeat.setInterval(10);
    QObject::connect(&repeat, &QTimer::timeout, [&] {
        const auto boxes = QApplication::topLevelWidgets();
        int open = 0;
        for (QWidget* w : boxes)
            if (qobject_cast<QMessageBox*>(w) && w->isVisible())
                ++open;
        boxesSeen = std::max(boxesSeen, open);
        if (open == 0)
            return;
        if (nestedReturned < 5) {
            reportError(QStringLiteral("again"));
            ++nestedReturned;
            return;
        }
        for (QWidget* w : boxes)
            if (auto* box = qobject_cast<QMessageBox*>(w))
                box->done(QMessageBox::Ok);
    });
    repeat.start();
    reportError(QStringLiteral("first"));
    repeat.stop();
    EXPECT_EQ(nestedReturned, 5);
    EXPECT_EQ(boxesSeen, 1);
}
