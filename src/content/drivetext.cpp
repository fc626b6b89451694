#include "content/drivetext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

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

} // namespace

QStringList mountPoints(const QString& mountInfoPath) {
    QStringList points;
    QFile f(mountInfoPath);
    if (!f.open(QIODevice::ReadOnly))
        return points;
    // readAll: /proc files report size 0, so a sized read would stop early.
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 4)
            points << unescapeMountPath(fields[4]);
    }
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
    QString best;
    for (const QString& point : mountPoints(mountInfoPath))
        if (isUnder(path, point) && point.size() > best.size())
            best = point;
    return best;
}
