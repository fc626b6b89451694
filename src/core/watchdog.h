#pragma once

#include "brevutil/clock.h"
#include "core/regional.h"
#include "core/servicenotify.h"
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <spawn.h>
#include <string>
#include <thread>
#include <vector>

// Notices a user-interface thread that has stopped turning its event loop (a call that never
// returns, a deadlock in a library) and restarts the board as a failure does: one line to
// ERROR.LOG, a fresh copy of the program file, and the end of the stuck process, so that the
// fresh copy gets the screen.
//
// The user-interface thread posts a heartbeat; a thread of the watchdog's own looks at its age.
// Once the watchdog fires, the user-interface thread may hold any lock (the heap's included), so
// from then on only async-signal-safe calls are made, on paths, command and environment formed
// beforehand.
class Watchdog : public QObject {
  public:
    // How long the event loop may stand still: TAVOREL_WATCHDOG_SECONDS when it is a whole number
    // of seconds from 1 on, else 30 s, long enough for a slow page load or clip open.
    static std::chrono::milliseconds configuredTimeout();

    // Starts watching. startDir ends in "/": the log is its ERROR.LOG, the fresh copy its
    // program file "tavorel". The clock and the regional formats give the date the log line
    // carries.
    Watchdog(const QString& startDir, std::chrono::milliseconds timeout, const TClock& clock,
             const TRegionalFormats& regional, QObject* parent = nullptr);
    ~Watchdog() override;
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // The event loop has ended and the program is on its way out: from now on a stall only ends
    // the process (no fresh copy), so that a close that hangs cannot hold the screen for good.
    void programEnding();

  private:
    void beat();
    void watch();
    [[noreturn]] void fire(bool ending);
    void appendLine(const char* text) noexcept;
    void publishDate();

    const TClock& clock_;
    const TRegionalFormats& regional_;
    std::chrono::milliseconds timeout_;
    std::chrono::milliseconds period_;
    std::atomic<std::int64_t> lastBeatMs_;
    std::atomic<bool> ending_{false};
    QTimer heartbeat_;

    // Formed while healthy.
    std::string logPath_;
    std::string program_;
    std::vector<std::string> args_;
    std::vector<std::string> env_;
    std::vector<char*> argv_;
    std::vector<char*> envp_;
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attributes_{};
    ServiceNotify::Target notify_;
    std::string stallText_;
    std::string endingText_;
    // The log line's date as the regional format writes it, in two buffers so that the user-
    // interface thread can write one while the watchdog may read the other.
    struct DateText {
        std::array<char, 64> text{};
        std::size_t length = 0;
    };
    std::array<DateText, 2> dates_;
    std::atomic<int> currentDate_{0};

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};
