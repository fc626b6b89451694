#include "shell/closesignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int signo) {
    const int saved = errno;
    const char c = static_cast<char>(signo);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
    errno = saved;
}
} // namespace

CloseSignals::CloseSignals(std::function<void()> handler, QObject* parent)
    : QObject(parent), onSignal_(std::move(handler)) {
    if (signalPipe[0] < 0) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
            return;
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &CloseSignals::readSignal);

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

CloseSignals::~CloseSignals() {
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
}

void CloseSignals::readSignal() {
    char buf[16];
    while (::read(signalPipe[0], buf, sizeof buf) > 0) {
    }
    if (onSignal_)
        onSignal_();
}
