#include "brevutil/accountnames.h"

#include <QFile>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace AccountNames {

QString effectiveUserName() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0)
        size = 16384;
    std::vector<char> buf(static_cast<std::size_t>(size));
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buf.data(), buf.size(), &found) != 0 || !found)
        return QString();
    return QFile::decodeName(found->pw_name);
}

QString hostName() {
    // Host names are at most 255 bytes; the extra byte keeps a terminator when one is cut short.
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0)
        return QString();
    return QString::fromLocal8Bit(buf);
}

QString domainOfAccount(const QString& account, const QString& localHost) {
    const qsizetype at = account.lastIndexOf(u'@');
    if (at >= 0)
        return account.mid(at + 1);
    const qsizetype backslash = account.indexOf(u'\\');
    if (backslash >= 0)
        return account.left(backslash);
    return localHost;
}

} // namespace AccountNames
