#include "brevutil/childprocess.h"

#include "brevutil/apptermination.h"
#include "brevutil/processfd.h"
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Everything the child needs, laid out before the fork: between fork and exec a child of a
// threaded program may only make async-signal-safe calls, so it must not build a single string.
struct Prepared {
    std::string path;
    std::string cwd;
    bool newSession = false;
    std::vector<std::string> args;
    std::vector<std::string> env;
    std::vector<char*> argv;
    std::vector<char*> envp;
};

std::optional<Prepared> prepare(const ChildProcess::Launch& launch) {
    Prepared p;
    auto encode = [](const QString& text) { return QFile::encodeName(text).toStdString(); };
    // A text with a NUL cannot reach the program whole; refusing beats running it cut short.
    auto hasNul = [](const QString& text) { return text.contains(QChar(u'\0')); };
    if (launch.program.isEmpty() || hasNul(launch.program) || hasNul(launch.workingDirectory))
        return std::nullopt;
    p.path = encode(launch.program);
    p.cwd = encode(launch.workingDirectory);
    p.newSession = launch.newSession;
    for (const QString& arg : launch.arguments) {
        if (hasNul(arg))
            return std::nullopt;
        p.args.push_back(encode(arg));
    }
    for (char** e = environ; e && *e; ++e) {
        const std::string_view entry(*e);
        if (launch.hidden &&
            (entry.starts_with("DISPLAY=") || entry.starts_with("WAYLAND_DISPLAY=")))
            continue;
        p.env.emplace_back(entry);
    }
    for (std::string& s : p.args)
        p.argv.push_back(s.data());
    p.argv.push_back(nullptr);
    for (std::string& s : p.env)
        p.envp.push_back(s.data());
    p.envp.push_back(nullptr);
    return p;
}

// Keeps signals away from the forking thread until the child has reset its handlers: a handler
// of the parent running in the child would act on the parent's behalf (write to its pipes).
class SignalsBlocked {
  public:
    SignalsBlocked() {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &saved_);
    }
    ~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

  private:
    sigset_t saved_;
};

[[noreturn]] void reportFailure(int errFd) {
    const int error = errno;
    ssize_t written = write(errFd, &error, sizeof error);
    (void)written;
    _exit(127);
}

[[noreturn]] void execChild(const Prepared& p, int errFd) {
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    // Ignored signals stay ignored across exec; the program should start as from a clean shell.
    for (int s = 1; s < NSIG; ++s)
        sigaction(s, &dfl, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (p.newSession)
        setsid();
    if (!p.cwd.empty() && chdir(p.cwd.c_str()) != 0)
        reportFailure(errFd);
    // The caller's open files are not the program's business (and a pipe kept open by it would
    // never report end of file to the caller).
    close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    execve(p.path.c_str(), p.argv.data(), p.envp.data());
    reportFailure(errFd);
}

void reapBlocking(pid_t pid, int* status) {
    while (waitpid(pid, status, 0) < 0 && errno == EINTR) {
    }
}

// True when the exec went through; the pipe's write end is closed on exec, so end of file with
// nothing read means success.
bool execSucceeded(int readFd) {
    int error = 0;
    ssize_t got;
    do {
        got = read(readFd, &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    return got == 0;
}

// Watches one child and reaps it once it has ended.
class ChildWatch : public QObject {
  public:
    explicit ChildWatch(pid_t pid) : pid_(pid) {
        pidfd_ = ProcessFd::open(pid);
        if (pidfd_ >= 0) {
            notifier_ = new QSocketNotifier(pidfd_, QSocketNotifier::Read, this);
            connect(notifier_, &QSocketNotifier::activated, this, &ChildWatch::check);
        } else {
            // Kernels without process descriptors: look in at a calm pace instead.
            poller_ = new QTimer(this);
            poller_->setInterval(50);
            connect(poller_, &QTimer::timeout, this, &ChildWatch::check);
            poller_->start();
        }
    }
    ~ChildWatch() override {
        delete notifier_;
        if (pidfd_ >= 0)
            close(pidfd_);
    }

    void onEnd(std::function<void()> f) { onEnd_ = std::move(f); }
    bool ended() const { return ended_; }
    int status() const { return status_; }

    void check() {
        if (ended_)
            return;
        int status = 0;
        pid_t r;
        do {
            r = waitpid(pid_, &status, WNOHANG);
        } while (r < 0 && errno == EINTR);
        if (r == 0)
            return;
        ended_ = true;
        // Already reaped by someone else (SIGCHLD ignored): it has ended, how is unknown.
        status_ = r < 0 ? -1 : status;
        if (notifier_)
            notifier_->setEnabled(false);
        if (poller_)
            poller_->stop();
        if (onEnd_)
            onEnd_();
    }

  private:
    pid_t pid_;
    int pidfd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* poller_ = nullptr;
    bool ended_ = false;
    int status_ = -1;
    std::function<void()> onEnd_;
};

} // namespace

namespace ChildProcess {

QString resolve(const QString& name) {
    if (name.isEmpty())
        return QString();
    if (name.contains(u'/'))
        return QDir::current().absoluteFilePath(name);
    return QStandardPaths::findExecutable(name);
}

pid_t start(const Launch& launch) {
    const std::optional<Prepared> p = prepare(launch);
    if (!p)
        return -1;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    pid_t pid;
    {
        SignalsBlocked blocked;
        pid = fork();
        if (pid == 0)
            execChild(*p, fds[1]);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return -1;
    }
    const bool ok = execSucceeded(fds[0]);
    close(fds[0]);
    if (!ok) {
        int status = 0;
        reapBlocking(pid, &status);
        return -1;
    }
    return pid;
}

bool startDetached(const Launch& launch) {
    const std::optional<Prepared> p = prepare(launch);
    if (!p)
        return false;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    pid_t middle;
    {
        SignalsBlocked blocked;
        middle = fork();
        if (middle == 0) {
            // The middle process ends at once, so the program is adopted by the system's reaper.
            const pid_t program = fork();
            if (program < 0)
                reportFailure(fds[1]);
            if (program == 0)
                execChild(*p, fds[1]);
            _exit(0);
        }
    }
    close(fds[1]);
    if (middle < 0) {
        close(fds[0]);
        return false;
    }
    int status = 0;
    reapBlocking(middle, &status);
    const bool ok = execSucceeded(fds[0]);
    close(fds[0]);
    return ok;
}

std::optional<int> waitDispatching(pid_t pid) {
    if (!QCoreApplication::instance()) {
        int status = -1;
        reapBlocking(pid, &status);
        return status;
    }
    auto* watch = new ChildWatch(pid);
    QEventLoop loop;
    if (!AppTermination::requested()) {
        watch->onEnd([&loop] { loop.quit(); });
        const QMetaObject::Connection wake = QObject::connect(
            AppTermination::notifier(), &AppTerminationNotifier::terminationRequested, &loop,
            &QEventLoop::quit);
        watch->check();
        if (!watch->ended())
            loop.exec();
        QObject::disconnect(wake);
    }
    if (watch->ended()) {
        const int status = watch->status();
        delete watch;
        return status;
    }
    watch->onEnd([watch] { watch->deleteLater(); });
    return std::nullopt;
}

} // namespace ChildProcess
