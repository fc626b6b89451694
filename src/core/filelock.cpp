#include "core/filelock.h"

#include "brevutil/monotonicclock.h"
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <sys/file.h>

int lockExclusiveWithin(int fd, std::chrono::milliseconds deadline) noexcept {
    constexpr long retryNs = 20 * 1000 * 1000;
    const std::int64_t end = monotonicMs() + deadline.count();
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return 0;
        const int err = errno;
        if (err != EWOULDBLOCK && err != EINTR)
            return err;
        if (monotonicMs() >= end)
            return EWOULDBLOCK;
        const timespec pause{0, retryNs};
        nanosleep(&pause, nullptr);
    }
}
