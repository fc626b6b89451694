#include "brevutil/commandline.h"

#include "brevutil/asciicase.h"
#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace CommandLine {

QStringList arguments() {
    QByteArray raw;
    const int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QStringList();
    char buf[4096];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        raw.append(buf, n);
    }
    close(fd);
    QStringList args;
    // Each argument ends in a NUL, the last one included.
    qsizetype from = 0;
    while (from < raw.size()) {
        qsizetype end = raw.indexOf('\0', from);
        if (end < 0)
            end = raw.size();
        args.append(QFile::decodeName(raw.mid(from, end - from)));
        from = end + 1;
    }
    return args;
}

bool findSwitch(const QStringList& args, const QString& name, QString& value) {
    const QString withValue = QStringLiteral("/") + AsciiCase::upper(name) + QStringLiteral(":");
    const QString bare = withValue.chopped(1);
    bool found = false;
    // Argument 0 is the program's path. On this system a path begins with "/" too, so it would
    // pass for a switch named after its first folder: it is never looked at.
    for (const QString& arg : args.mid(1)) {
        if (AsciiCase::upper(arg.left(withValue.size())) == withValue) {
            value = arg.mid(withValue.size());
            found = true;
        } else if (AsciiCase::upper(arg.left(bare.size())) == bare) {
            found = true;
        }
    }
    return found;
}

} // namespace CommandLine
