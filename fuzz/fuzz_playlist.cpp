// Fuzz target: the playlist item search over any playlist file. The first byte chooses the section
// the search starts at; the rest is playlist.ini. The search must always end, whatever the file.
#include "content/playlistitemsearch.h"
#include "scratchfile.h"
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    static const TFixedClock clock(QDateTime(QDate(2026, 3, 14), QTime(12, 30)));
    static const QString configText = QStringLiteral("[MAIN]\r\nNextImageTimer=5000\r\n");
    static const QString configPath = writeScratchFile(
        QStringLiteral("config.ini"), configText.toLatin1().constData(), configText.size());
    static const TIniFile config(configPath, clock);

    const QString path = writeScratchFile(
        QStringLiteral("playlist.ini"), reinterpret_cast<const char*>(data + 1), qint64(size - 1));
    const TIniFile playlist(path, clock);
    const QStringList folder{QStringLiteral("a.jpg"), QStringLiteral("B.PNG"),
                             QStringLiteral("clip.mp4")};
    std::int32_t itemIndex = data[0] % 8;
    try {
        (void)searchPlaylist(
            &playlist, config,
            [&](const QString& name) {
                for (qsizetype i = 0; i < folder.size(); ++i)
                    if (folder[i].compare(name, Qt::CaseInsensitive) == 0)
                        return int(i);
                return -1;
            },
            itemIndex, clock);
    } catch (const std::exception&) {
        // Bad values in the file are errors of the slide tick, reported there.
    }
    return 0;
}
