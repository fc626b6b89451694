#pragma once

#include "core/errorreport.h"
#include <QObject>
#include <cstdint>
#include <functional>

// A window timer with the board's rules: it calls its handler each time its interval elapses while
// it is enabled, and firing does not stop it. Enabling an enabled timer, or setting the interval it
// already has, changes nothing; a different interval on an enabled timer restarts the countdown.
// Interval 0 never fires. Intervals are unsigned 32-bit milliseconds, kept between 10 ms and
// 2147483647 ms. While the thread is busy, at most one tick waits.
class TTimer : public QObject {
    Q_OBJECT
  public:
    explicit TTimer(QObject* parent = nullptr, std::uint32_t interval = 1000, bool enabled = true,
                    ErrorPresenter presenter = {});
    ~TTimer() override;

    std::uint32_t Interval() const { return interval_; }
    void setInterval(std::uint32_t interval);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    // The handler runs on the thread that owns the timer. An exception escaping it goes to the
    // error report, shown by the timer's presenter; the timer keeps running.
    std::function<void()> OnTimer;

    // The interval the system timer actually runs at, or 0 when it does not run.
    static int effectiveInterval(std::uint32_t interval);

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    void restart();

    std::uint32_t interval_;
    bool enabled_;
    ErrorPresenter presenter_;
    int timerId_ = 0;
};
