// The file a fuzz input is written to for the readers that only read files. It lives in memory
// (/dev/shm) where that exists: written once per execution, a file on disk costs more than the
// reading it feeds.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <unistd.h>

inline QString writeScratchFile(const QString& name, const char* data, qint64 size) {
    static const QString folder =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    const QString path =
        QStringLiteral("%1/tavorel-fuzz-%2-%3").arg(folder).arg(::getpid()).arg(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(data, size);
    return path;
}
