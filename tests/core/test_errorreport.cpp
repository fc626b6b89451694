#include "core/errorreport.h"
#include "core/errors.h"
#include <QApplication>
#include <QElapsedTimer>
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
    EXPECT_FALSE(
        runReported([] { throw EInOutError(QStringLiteral("The specified file was not found")); }));
    EXPECT_FALSE(runReported([] { throw 42; }));
    setErrorPresenter(nullptr);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], QStringLiteral("The specified file was not found."));
    EXPECT_EQ(reportCount() - before, 2);
}

namespace {
QList<QMessageBox*> visibleBoxes() {
    QList<QMessageBox*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            out << box;
    return out;
}
} // namespace

// A fault that repeats while the report is on screen must not open a second box on top of the
// first, and the report must not hold up the handler that failed: a timer that fails at every
// tick goes on ticking beneath the box.
TEST(ErrorReport, ReportsDoNotNestAndDoNotStopTheTimerThatFailed) {
    int ticks = 0;
    QTimer failing;
    failing.setInterval(10);
    QObject::connect(&failing, &QTimer::timeout, [&] {
        ++ticks;
        runReported([&] { throw EError(QStringLiteral("tick %1 failed").arg(ticks)); });
    });
    failing.start();
    QElapsedTimer t;
    t.start();
    while (ticks < 6 && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    failing.stop();
    EXPECT_GE(ticks, 6);
    const QList<QMessageBox*> boxes = visibleBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0]->text(), QStringLiteral("tick 1 failed."));
    EXPECT_TRUE(boxes[0]->informativeText().startsWith(
        QStringLiteral("%1 further error(s) since").arg(ticks - 1)))
        << boxes[0]->informativeText().toStdString();

    // Once it is closed, the next report opens a box again.
    boxes[0]->done(QMessageBox::Ok);
    QCoreApplication::processEvents();
    EXPECT_TRUE(visibleBoxes().isEmpty());
    reportError(QStringLiteral("later"));
    ASSERT_EQ(visibleBoxes().size(), 1);
    EXPECT_EQ(visibleBoxes()[0]->text(), QStringLiteral("later."));
    visibleBoxes()[0]->done(QMessageBox::Ok);
    QCoreApplication::processEvents();
}
