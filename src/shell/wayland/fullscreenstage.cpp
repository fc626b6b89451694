#include "shell/wayland/fullscreenstage.h"

#include "core/diagnostics.h"
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace {

// The compositor answers the full-screen request with its first configure, long before this.
constexpr int fullScreenCheckMs = 3000;

} // namespace

TFullScreenStage::TFullScreenStage(QScreen* output) : output_(output) {
    setWindowTitle(QStringLiteral("Tavorel"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    // The full-screen request names the output of the window's screen.
    setScreen(output);
    setGeometry(output->geometry());
    setWindowState(Qt::WindowFullScreen);
}

void TFullScreenStage::hold(QWidget* board, const QRect& area) {
    board_ = board;
    board->setParent(this);
    board->setGeometry(area.translated(-output_->geometry().topLeft()));
}

void TFullScreenStage::closeEvent(QCloseEvent* event) {
    if (!board_ || board_->close())
        event->accept();
    else
        event->ignore();
}

void TFullScreenStage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (checked_)
        return;
    checked_ = true;
    QTimer::singleShot(fullScreenCheckMs, this, [this] { checkFullScreen(); });
}

void TFullScreenStage::checkFullScreen() {
    const QWindow* window = windowHandle();
    if (!window || !isVisible() || !output_)
        return;
    if (!(window->windowStates() & Qt::WindowFullScreen))
        diag::error(QStringLiteral("the compositor did not make the window full screen on %1; the "
                                   "board shows in an ordinary window")
                        .arg(output_->name()));
    else if (window->screen() != output_)
        diag::error(QStringLiteral("the compositor put the full-screen window on %1 instead of %2")
                        .arg(window->screen() ? window->screen()->name() : QStringLiteral("?"),
                             output_->name()));
}
