#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <optional>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>

// Messages to the service manager that started the board (systemd's notify protocol: one datagram
// of "NAME=value" lines to the socket named by NOTIFY_SOCKET). Without NOTIFY_SOCKET nothing is
// sent: the board started by hand or from a session's autostart behaves as ever.
namespace ServiceNotify {

// Where the messages go, formed once so that a thread of a stuck process can still send.
struct Target {
    sockaddr_un address{};
    socklen_t length = 0;
    bool valid() const { return length > 0; }
};

// The socket of NOTIFY_SOCKET: a path, or an abstract name written with a leading "@". Invalid
// when the variable is unset or names something that is neither.
Target targetFromEnvironment();

// Sends one message; async-signal-safe. False when the target is invalid or the send failed.
bool send(const Target& target, std::string_view message) noexcept;

// The interval systemd's watchdog expects, from WATCHDOG_USEC; nothing when it is unset or
// invalid, or when NOTIFY_SOCKET is unset. WATCHDOG_PID is not looked at: a fresh copy started by
// the board's own restart inherits the old copy's value and must keep the watchdog fed all the
// same.
std::optional<std::chrono::microseconds> watchdogInterval();

// "MAINPID=<this process>": a fresh copy takes over the service from the copy that started it,
// so that the old one's end is not the service's end.
void announceMainProcess();

// "MAINPID=<this process>" and "READY=1", the first time only: the show is up.
void boardReady();

// "WATCHDOG=1" from the user-interface thread at half the interval systemd expects, so that a
// stuck event loop lets systemd's watchdog run out. Does nothing without a watchdog interval.
class WatchdogPing : public QObject {
  public:
    explicit WatchdogPing(QObject* parent = nullptr);
    bool active() const { return timer_.isActive(); }
    int intervalMs() const { return timer_.interval(); }

  private:
    Target target_;
    QTimer timer_;
};

} // namespace ServiceNotify
