// Fuzz target: the settings reader on any file content, and the conversions its typed reads use.
#include "shell/inifile.h"
#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <cstdint>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = QStringLiteral("/tmp/tavorel-fuzz-settings-%1.ini").arg(::getpid());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const TIniFile ini(path);
    QStringList keys;
    for (const QString& section : {QStringLiteral("MAIN"), QStringLiteral("Item1"), QString()}) {
        ini.ReadSection(section, keys);
        for (const QString& key : keys) {
            (void)ini.ReadString(section, key, QString());
            (void)ini.ReadInteger(section, key, 7);
            (void)ini.ReadDateTime(section, key, -1);
            (void)ini.ReadTime(section, key, -1);
        }
        (void)ini.SectionExists(section);
    }
    (void)tryStrToInt(decodeSettingsText(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size))));
    return 0;
}
