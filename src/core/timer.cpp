#include "core/timer.h"

#include "core/errorreport.h"
#include <QTimerEvent>
#include <algorithm>

TTimer::TTimer(QObject* parent, std::uint32_t interval, bool enabled, ErrorPresenter presenter)
    : QObject(parent), interval_(interval), enabled_(enabled), presenter_(std::move(presenter)) {
    restart();
}

TTimer::~TTimer() {
    if (timerId_ != 0)
        killTimer(timerId_);
}

int TTimer::effectiveInterval(std::uint32_t interval) {
    if (interval == 0)
        return 0;
    constexpr std::uint32_t lowest = 10;
    constexpr std::uint32_t highest = 2147483647u;
    return static_cast<int>(std::clamp(interval, lowest, highest));
}

void TTimer::setInterval(std::uint32_t interval) {
    if (interval == interval_)
        return;
    interval_ = interval;
    restart();
}

void TTimer::setEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    restart();
}

void TTimer::restart() {
    if (timerId_ != 0) {
        // Killing the system timer also drops a tick that is already due but not yet delivered.
        killTimer(timerId_);
        timerId_ = 0;
    }
    const int ms = effectiveInterval(interval_);
    if (enabled_ && ms > 0)
        timerId_ = startTimer(ms, Qt::PreciseTimer);
}

void TTimer::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timerId_) {
        QObject::timerEvent(event);
        return;
    }
    if (OnTimer)
        runReported([this] { OnTimer(); }, presenter_);
}
