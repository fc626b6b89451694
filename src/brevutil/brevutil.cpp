#include "brevutil/brevutil.h"

#include <QFile>

QString TBrevUtil::getstartdir() const {
    const QString path = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return QString();
    return path.left(slash + 1);
}
