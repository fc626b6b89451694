#include "brevutil/smallfile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

std::optional<QByteArray> readSmallFile(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QByteArray data;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        data.append(buf, n);
    }
    ::close(fd);
    return data;
}
