#include "brevutil/commandline.h"

#include "brevutil/asciicase.h"
#include "brevutil/smallfile.h"
#include <QByteArray>
#include <QFile>

namespace CommandLine {

QStringList arguments() {
    const QByteArray raw = readSmallFile("/proc/self/cmdline").value_or(QByteArray());
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
