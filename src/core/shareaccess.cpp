#include "core/shareaccess.h"

#include "core/diagnostics.h"
#include "core/filenames.h"
#include <array>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace share {

namespace {

// A share that hangs every call ties up at most this many threads.
constexpr int maxThreads = 4;
constexpr std::chrono::milliseconds defaultDeadline{4000};

struct Health {
    std::mutex mutex;
    std::function<void(const QString&)> sink;
    bool answering = true;
};

Health& health() {
    static Health h;
    return h;
}

void tell(const QString& text) {
    diag::error(text);
    std::function<void(const QString&)> sink;
    {
        std::lock_guard lock(health().mutex);
        sink = health().sink;
    }
    if (!sink)
        return;
    try {
        sink(text);
    } catch (...) {
        // The log is a help for the operator; the show does not depend on it.
    }
}

} // namespace

std::chrono::milliseconds deadline() {
    static const std::chrono::milliseconds value = [] {
        const QByteArray text = qgetenv("TAVOREL_SHARE_DEADLINE_MS");
        bool ok = false;
        const int ms = text.toInt(&ok);
        return ok && ms > 0 ? std::chrono::milliseconds(ms) : defaultDeadline;
    }();
    return value;
}

void setLogSink(std::function<void(const QString&)> sink) {
    std::lock_guard lock(health().mutex);
    health().sink = std::move(sink);
}

DeadlineWorker& worker() {
    // Never destroyed: a thread stuck in the kernel at exit must find its state still there.
    static DeadlineWorker* w = new DeadlineWorker(maxThreads);
    return *w;
}

void note(DeadlineWorker::Outcome outcome, const QString& key) {
    if (outcome == DeadlineWorker::Outcome::KeyStuck)
        return;
    const bool answered = outcome == DeadlineWorker::Outcome::Returned;
    {
        std::lock_guard lock(health().mutex);
        if (health().answering == answered)
            return;
        health().answering = answered;
    }
    if (answered)
        tell(QStringLiteral("The pictures folder answers again"));
    else
        tell(QStringLiteral("The pictures folder stopped answering (%1 did not come back within "
                            "%2 ms); the show goes on with what it has")
                 .arg(key)
                 .arg(deadline().count()));
}

namespace {

bool isRegularFile(const QByteArray& name) {
    struct stat st {};
    return ::stat(name.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

std::optional<bool> tryIsFile(const QString& path) {
    return call<bool>(path, [path] { return isRegularFile(encodeFileName(path)); });
}

bool isFile(const QString& path) {
    return tryIsFile(path).value_or(false);
}

bool isArrivingFile(const QString& path) {
    const std::optional<bool> arrived = call<bool>(path, [path] {
        const QByteArray name = encodeFileName(path);
        if (!isRegularFile(name))
            return false;
        // Non-blocking, so that a file swapped for a FIFO since the stat cannot hold the thread.
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0) {
            std::array<char, 4096> start{};
            [[maybe_unused]] const ssize_t got = ::read(fd, start.data(), start.size());
            ::close(fd);
        }
        return true;
    });
    return arrived.value_or(false);
}

} // namespace share
