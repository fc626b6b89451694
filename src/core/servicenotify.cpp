#include "core/servicenotify.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace ServiceNotify {

Target targetFromEnvironment() {
    Target target;
    const char* name = std::getenv("NOTIFY_SOCKET");
    if (!name)
        return target;
    const std::size_t length = std::strlen(name);
    if (length < 2 || length >= sizeof target.address.sun_path ||
        (name[0] != '/' && name[0] != '@'))
        return target;
    target.address.sun_family = AF_UNIX;
    std::memcpy(target.address.sun_path, name, length);
    if (name[0] == '@') {
        // An abstract name: a leading NUL, and the length counts the name only, no terminator.
        target.address.sun_path[0] = '\0';
        target.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
    } else {
        target.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length + 1);
    }
    return target;
}

bool send(const Target& target, std::string_view message) noexcept {
    if (!target.valid())
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ssize_t sent;
    do {
        sent = ::sendto(fd, message.data(), message.size(), MSG_NOSIGNAL,
                        reinterpret_cast<const sockaddr*>(&target.address), target.length);
    } while (sent < 0 && errno == EINTR);
    ::close(fd);
    return sent == static_cast<ssize_t>(message.size());
}

std::optional<std::chrono::microseconds> watchdogInterval() {
    if (!targetFromEnvironment().valid())
        return std::nullopt;
    const char* text = std::getenv("WATCHDOG_USEC");
    if (!text || !*text)
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long long usec = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || usec == 0 || text[0] == '-')
        return std::nullopt;
    return std::chrono::microseconds(usec);
}

void announceMainProcess() {
    send(targetFromEnvironment(), "MAINPID=" + std::to_string(::getpid()));
}

void boardReady() {
    static std::atomic<bool> sent{false};
    if (sent.exchange(true))
        return;
    send(targetFromEnvironment(), "MAINPID=" + std::to_string(::getpid()) + "\nREADY=1");
}

WatchdogPing::WatchdogPing(QObject* parent) : QObject(parent), target_(targetFromEnvironment()) {
    const std::optional<std::chrono::microseconds> interval = watchdogInterval();
    if (!interval)
        return;
    using namespace std::chrono;
    const auto half = duration_cast<milliseconds>(*interval / 2);
    timer_.setInterval(static_cast<int>(std::clamp<milliseconds::rep>(half.count(), 1, 1 << 30)));
    connect(&timer_, &QTimer::timeout, this, [this] { send(target_, "WATCHDOG=1"); });
    timer_.start();
    send(target_, "WATCHDOG=1");
}

} // namespace ServiceNotify
