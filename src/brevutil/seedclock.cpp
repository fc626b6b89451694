#include "brevutil/seedclock.h"

#include <chrono>

namespace {
std::function<quint64()>& source() {
    static std::function<quint64()> s;
    return s;
}
} // namespace

namespace SeedClock {

quint64 ticks() {
    if (source())
        return source()();
    return static_cast<quint64>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

void setSource(std::function<quint64()> s) {
    source() = std::move(s);
}

} // namespace SeedClock
