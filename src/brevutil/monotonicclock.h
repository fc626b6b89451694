#pragma once

#include <cstdint>
#include <ctime>

// Milliseconds of the system's monotonic clock, which no change of the date or time zone moves.
// Safe in a thread that must not take locks or allocate (the event loop's watchdog).
inline std::int64_t monotonicMs() noexcept {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}
