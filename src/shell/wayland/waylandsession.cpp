#include "shell/wayland/waylandsession.h"

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

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
