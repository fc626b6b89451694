#pragma once

#include <chrono>

// An exclusive flock on an open file, tried again and again until a deadline instead of waiting
// for another program's lock without limit. Only async-signal-safe calls, so the watchdog may use
// it in a process whose user-interface thread is stuck.
//
// Returns 0 once the lock is held, EWOULDBLOCK when the deadline passed first, or the errno of
// another failure.
int lockExclusiveWithin(int fd, std::chrono::milliseconds deadline) noexcept;
