// Fuzz target: the settings reader on any file content, and the conversions its typed reads use.
#include "core/inifile.h"
#include "scratchfile.h"
#include <QByteArray>
#include <QStringList>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = writeScratchFile(QStringLiteral("settings.ini"),
                                          reinterpret_cast<const char*>(data), qint64(size));
    const TIniFile ini(path);
    QStringList keys;
    for (const QString& section : {QStringLiteral("MAIN"), QStringLiteral("Item1"), QString()}) {
        ini.ReadSection(section, keys);
        // Every typed read reads the whole file again, as the board does. A few keys, each read
        // one way in turn, reach every path of the reads; all keys read every way would make a
        // long input cost its length squared.
        keys = keys.mid(0, 8);
        for (qsizetype i = 0; i < keys.size(); ++i) {
            const QString& key = keys[i];
            switch (i % 4) {
            case 0:
                (void)ini.ReadString(section, key, QString());
                break;
            case 1:
                (void)ini.ReadInteger(section, key, 7);
                break;
            case 2:
                (void)ini.ReadDateTime(section, key, -1);
                break;
            default:
                (void)ini.ReadTime(section, key, -1);
                break;
            }
        }
        (void)ini.SectionExists(section);
    }
    (void)tryStrToInt(decodeSettingsText(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size))));
    return 0;
}
