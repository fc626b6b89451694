#include "shell/wayland/fullscreenstage.h"

#include "shell/diagnostics.h"
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

// The compositor answers the full-screen request with its first configure, long before this.
constexpr int fullScreenCheckMs = 3000;
constexpr auto teardownLimit = std::chrono::seconds(5);

} // namespace

bool onWaylandSession() {
    return QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

void limitTeardownOnWayland(int exitCode) {
    if (!onWaylandSession())
        return;
    std::thread([exitCode] {
        std::this_thread::sleep_for(teardownLimit);
        std::fputs("tavorel: the Wayland connection did not close; ending all the same\n", stderr);
        std::fflush(stderr);
        _exit(exitCode);
    }).detach();
}

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
