#include "core/watchdog.h"

#include "brevutil/monotonicclock.h"
#include "core/filelock.h"
#include "core/regional.h"
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace {

void writeAll(int fd, const char* p, std::size_t left) noexcept {
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

// Appends text to a fixed buffer, cut at its end; no heap.
class FixedLine {
  public:
    void add(const char* text, std::size_t length) noexcept {
        const std::size_t n = std::min(length, sizeof buffer_ - length_);
        std::memcpy(buffer_ + length_, text, n);
        length_ += n;
    }
    void add(const char* text) noexcept { add(text, std::strlen(text)); }
    void add(long long value) noexcept {
        char digits[24];
        std::size_t n = 0;
        unsigned long long v = value < 0 ? 0 : static_cast<unsigned long long>(value);
        do {
            digits[sizeof digits - 1 - n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0 && n < sizeof digits);
        add(digits + sizeof digits - n, n);
    }
    const char* data() const noexcept { return buffer_; }
    std::size_t size() const noexcept { return length_; }

  private:
    char buffer_[512];
    std::size_t length_ = 0;
};

// How long the log's lock may be waited for once the watchdog has fired.
constexpr std::chrono::milliseconds logLockDeadline{2000};

} // namespace

std::chrono::milliseconds Watchdog::configuredTimeout() {
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("TAVOREL_WATCHDOG_SECONDS", &ok);
    if (ok && seconds >= 1)
        return std::chrono::seconds(seconds);
    return std::chrono::seconds(30);
}

Watchdog::Watchdog(const QString& startDir, std::chrono::milliseconds timeout, const TClock& clock,
                   const TRegionalFormats& regional, QObject* parent)
    : QObject(parent), clock_(clock), regional_(regional), timeout_(timeout),
      period_(std::clamp<std::chrono::milliseconds>(timeout / 6, std::chrono::milliseconds(100),
                                                    std::chrono::milliseconds(5000))),
      lastBeatMs_(monotonicMs()) {
    auto encode = [](const QString& text) { return QFile::encodeName(text).toStdString(); };
    logPath_ = encode(startDir + QStringLiteral("ERROR.LOG"));
    // The fresh copy is started as the restart after a failure starts it: the program file of the
    // start directory as the only argument, this environment and working directory, a session of
    // its own, default signal handling and no descriptor but the standard three.
    program_ = encode(startDir + QStringLiteral("tavorel"));
    args_.push_back(program_);
    for (char** e = environ; e && *e; ++e)
        env_.emplace_back(*e);
    for (std::string& s : args_)
        argv_.push_back(s.data());
    argv_.push_back(nullptr);
    for (std::string& s : env_)
        envp_.push_back(s.data());
    envp_.push_back(nullptr);
    posix_spawn_file_actions_init(&actions_);
    posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
    posix_spawnattr_init(&attributes_);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attributes_, &all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes_, &none);
    posix_spawnattr_setflags(&attributes_,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    notify_ = ServiceNotify::targetFromEnvironment();

    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout).count();
    stallText_ = QStringLiteral("Watchdog: the board did not answer for %1 s and is restarted")
                     .arg(seconds)
                     .toStdString();
    endingText_ = QStringLiteral("Watchdog: the board did not end within %1 s of its close and is "
                                 "ended")
                      .arg(seconds)
                      .toStdString();
    publishDate();

    heartbeat_.setInterval(period_);
    connect(&heartbeat_, &QTimer::timeout, this, [this] { beat(); });
    heartbeat_.start();
    thread_ = std::thread([this] { watch(); });
}

Watchdog::~Watchdog() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attributes_);
}

void Watchdog::programEnding() {
    heartbeat_.stop();
    lastBeatMs_.store(monotonicMs());
    ending_.store(true);
}

void Watchdog::beat() {
    lastBeatMs_.store(monotonicMs());
    publishDate();
}

void Watchdog::publishDate() {
    const QByteArray date = regional_.current().formatShortDate(clock_.today()).toUtf8().left(64);
    const int current = currentDate_.load();
    const DateText& shown = dates_[static_cast<std::size_t>(current)];
    if (shown.length == static_cast<std::size_t>(date.size()) &&
        std::memcmp(shown.text.data(), date.constData(), shown.length) == 0)
        return;
    DateText& next = dates_[static_cast<std::size_t>(1 - current)];
    next.length = static_cast<std::size_t>(date.size());
    std::memcpy(next.text.data(), date.constData(), next.length);
    currentDate_.store(1 - current);
}

void Watchdog::watch() {
    std::int64_t lastCheck = monotonicMs();
    std::unique_lock lock(mutex_);
    for (;;) {
        if (wake_.wait_for(lock, period_, [this] { return stopping_; }))
            return;
        const std::int64_t now = monotonicMs();
        // A watchdog that slept far beyond its period was stopped along with the whole process
        // (SIGSTOP, a debugger): the event loop gets a full time to show that it turns again.
        if (now - lastCheck > 3 * period_.count())
            lastBeatMs_.store(now);
        lastCheck = now;
        if (now - lastBeatMs_.load() > timeout_.count()) {
            lock.unlock();
            fire(ending_.load());
        }
    }
}

void Watchdog::fire(bool ending) {
    appendLine(ending ? endingText_.c_str() : stallText_.c_str());
    if (!ending) {
        struct stat info {};
        pid_t child = -1;
        if (::stat(program_.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            posix_spawn(&child, program_.c_str(), &actions_, &attributes_, argv_.data(),
                        envp_.data()) == 0) {
            // The fresh copy becomes the service's main process before this one ends.
            FixedLine message;
            message.add("MAINPID=");
            message.add(static_cast<long long>(child));
            ServiceNotify::send(notify_, std::string_view(message.data(), message.size()));
            FixedLine note;
            note.add("tavorel: watchdog: started a new copy: ");
            note.add(program_.c_str());
            note.add("\n");
            writeAll(STDERR_FILENO, note.data(), note.size());
        }
    }
    _exit(0);
}

void Watchdog::appendLine(const char* text) noexcept {
    FixedLine note;
    note.add("tavorel: watchdog: ");
    note.add(text);
    note.add("\n");
    writeAll(STDERR_FILENO, note.data(), note.size());

    // Never created here either; a log that stays locked past the deadline misses this line.
    const int fd = ::open(logPath_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return;
    if (lockExclusiveWithin(fd, logLockDeadline) == 0) {
        const DateText& date = dates_[static_cast<std::size_t>(currentDate_.load())];
        FixedLine line;
        line.add(date.text.data(), date.length);
        line.add(",");
        line.add(text);
        line.add("\r\n");
        writeAll(fd, line.data(), line.size());
    }
    ::close(fd);
}
