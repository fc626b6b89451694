#include "content/playlistitemsearch.h"

#include "core/configcatalog.h"
#include <set>

namespace {

constexpr int maxFailures = 5; // six missing files end a search

TDateTime now(const TClock& clock) {
    return toDateTime(clock.now());
}

} // namespace

PlaylistSearchResult searchPlaylist(const TIniFile* playlistFile, const TIniFile& configFile,
                                    const std::function<int(const QString&)>& indexOf,
                                    std::int32_t& itemIndex, const TClock& clock) {
    PlaylistSearchResult result;
    if (!playlistFile)
        return result;
    // One search reads each file once, not once a key.
    const TIniFile pinnedPlaylist = playlistFile->pinned();
    const TIniFile config = configFile.pinned();
    const TIniFile* playlist = &pinnedPlaylist;
    int failures = 0;
    // Items visited since the search began or since it last met a missing file. Coming back to
    // one of them means no item can be chosen now, and going round again would never end.
    std::set<std::int32_t> visited;
    for (;;) {
        const QString section = QStringLiteral("Item") + QString::number(itemIndex);
        if (!playlist->SectionExists(section)) {
            if (itemIndex == 1)
                return result; // no list at all
            itemIndex = 1;
            continue;
        }
        if (!visited.insert(itemIndex).second)
            return result;

        const TDateTime start =
            playlist->ReadDateTime(section, QStringLiteral("StartDateTime"), now(clock) - 1);
        const TDateTime end =
            playlist->ReadDateTime(section, QStringLiteral("EndDateTime"), now(clock) + 1);
        const int defaultDuration = readConfigInteger(config, ConfigKey::NextImageTimer);
        // A negative duration keeps its unsigned 32-bit pattern, as every timer interval does.
        result.interval = static_cast<std::uint32_t>(
            playlist->ReadInteger(section, QStringLiteral("duration"), defaultDuration));
        const QString fileName = playlist->ReadString(section, QStringLiteral("FileName"),
                                                      QStringLiteral("nofiletofind.zxsd"));
        const int fileIndex = indexOf(fileName);

        if (fileIndex == -1) {
            ++failures;
            visited.clear();
        } else if (now(clock) >= start && !(now(clock) > end)) {
            result.chosen = true;
            result.fileIndex = fileIndex;
            return result;
        }
        ++itemIndex;
        if (failures > maxFailures)
            return result;
    }
}
