#include "content/drivetext.h"

#include "brevutil/smallfile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// mountinfo writes blanks, tabs, newlines and backslashes in paths as three-digit octal escapes.
QString unescapeMountPath(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const QByteArray oct = field.mid(i + 1, 3);
            bool ok = false;
            const int value = oct.toInt(&ok, 8);
            if (ok && oct.size() == 3) {
                out.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QFile::decodeName(out);
}

bool isUnder(const QString& path, const QString& mountPoint) {
    if (mountPoint == QLatin1String("/"))
        return path.startsWith(u'/');
    return path == mountPoint || path.startsWith(mountPoint + u'/');
}

// The device of the file system that holds path, as "major:minor" the way mountinfo writes it;
// empty when path cannot be looked up. Cached attributes are enough (the device of a file never
// changes), so a network share is not asked, and an automount point is not triggered.
QString deviceOf(const QString& path) {
    struct statx info {};
    if (statx(AT_FDCWD, QFile::encodeName(path).constData(), AT_STATX_DONT_SYNC | AT_NO_AUTOMOUNT,
              STATX_TYPE, &info) != 0)
        return QString();
    return QString::number(info.stx_dev_major) + u':' + QString::number(info.stx_dev_minor);
}

struct MountEntry {
    QString device; // "major:minor"
    QString root;   // the folder of the file system that is mounted there
    QString point;
};

QList<MountEntry> mountEntries(const QString& mountInfoPath) {
    QList<MountEntry> entries;
    const QList<QByteArray> lines =
        readSmallFile(QFile::encodeName(mountInfoPath)).value_or(QByteArray()).split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 4)
            entries.append({QString::fromLatin1(fields[2]), unescapeMountPath(fields[3]),
                            unescapeMountPath(fields[4])});
    }
    return entries;
}

// Where no mount point is a prefix of the path (a chroot or container whose / is not itself a
// mount point lists none above it): a mount of the whole file system that holds the path, found by
// its device, else the highest folder above the path on that same device.
QString mountOfDevice(const QString& path, const QList<MountEntry>& entries) {
    QString existing = path;
    QString device = deviceOf(existing);
    while (device.isEmpty() && existing != QLatin1String("/")) {
        existing = QFileInfo(existing).path();
        device = deviceOf(existing);
    }
    if (device.isEmpty())
        return QString();
    for (const MountEntry& entry : entries)
        if (entry.device == device && entry.root == QLatin1String("/"))
            return entry.point;
    while (existing != QLatin1String("/")) {
        const QString parent = QFileInfo(existing).path();
        if (deviceOf(parent) != device)
            break;
        existing = parent;
    }
    return existing;
}

} // namespace

QStringList mountPoints(const QString& mountInfoPath) {
    QStringList points;
    for (const MountEntry& entry : mountEntries(mountInfoPath))
        points << entry.point;
    return points;
}

QString driveText(const QString& folder, const QString& mountInfoPath) {
    if (folder.startsWith(QLatin1String("//"))) {
        const QStringList parts = folder.mid(2).split(u'/');
        if (parts.size() >= 2 && !parts[0].isEmpty() && !parts[1].isEmpty())
            return QStringLiteral("//") + parts[0] + u'/' + parts[1];
    }
    if (folder.isEmpty())
        return QString();
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const QList<MountEntry> entries = mountEntries(mountInfoPath);
    QString best;
    for (const MountEntry& entry : entries)
        if (isUnder(path, entry.point) && entry.point.size() > best.size())
            best = entry.point;
    return best.isEmpty() ? mountOfDevice(path, entries) : best;
}
