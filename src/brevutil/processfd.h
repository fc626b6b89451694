#pragma once

#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

// Process descriptors: a handle on one process that a reused id can never redirect, readable
// once the process has ended. Called through the system call itself, as the C library's wrappers
// are missing from older versions and undeclared for C++ in some.
namespace ProcessFd {

// A descriptor for the process, or -1 with errno set.
inline int open(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0U));
}

// Sends the signal to the process behind the descriptor; 0 on success.
inline int signal(int fd, int sig) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, fd, sig, nullptr, 0U));
}

} // namespace ProcessFd
