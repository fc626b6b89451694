#include "core/errorreport.h"
#include "core/errors.h"
#include "shell/errorbox.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

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
TEST(ErrorBox, ReportsDoNotNestAndDoNotStopTheTimerThatFailed) {
    int ticks = 0;
    QTimer failing;
    failing.setInterval(10);
    QObject::connect(&failing, &QTimer::timeout, [&] {
        ++ticks;
        runReported([&] { throw EError(QStringLiteral("tick %1 failed").arg(ticks)); },
                    showErrorBox);
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
    reportError(QStringLiteral("later"), showErrorBox);
    ASSERT_EQ(visibleBoxes().size(), 1);
    EXPECT_EQ(visibleBoxes()[0]->text(), QStringLiteral("later."));
    visibleBoxes()[0]->done(QMessageBox::Ok);
    QCoreApplication::processEvents();
}
