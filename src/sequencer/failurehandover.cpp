#include "sequencer/failurehandover.h"

namespace {

const QString prefix = QStringLiteral("--after-failure=");
const QString folderMode = QStringLiteral("folder");
const QString playlistMode = QStringLiteral("playlist");

std::optional<std::int32_t> position(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    // Only the form argument() writes: no blanks, signs or leading zeros.
    if (!ok || QString::number(value) != text)
        return std::nullopt;
    return value;
}

} // namespace

QString FailureHandover::argument() const {
    return prefix + (playlist ? playlistMode : folderMode) + u',' + QString::number(next) + u',' +
           QString::number(first);
}

std::optional<FailureHandover> readFailureHandover(const QStringList& args) {
    std::optional<FailureHandover> found;
    for (const QString& arg : args.mid(1)) {
        if (!arg.startsWith(prefix))
            continue;
        const QStringList parts = arg.mid(prefix.size()).split(u',');
        if (parts.size() != 3 || (parts[0] != folderMode && parts[0] != playlistMode))
            continue;
        const std::optional<std::int32_t> next = position(parts[1]);
        const std::optional<std::int32_t> first = position(parts[2]);
        if (!next || !first || *next < 0)
            continue;
        found = FailureHandover{parts[0] == playlistMode, *next, *first};
    }
    return found;
}

FailureHandover handoverAfterFailure(const std::optional<FailureHandover>& received, bool playlist,
                                     std::int32_t failed, std::int32_t next,
                                     const std::function<bool(std::int32_t)>& positionExists) {
    FailureHandover handover;
    handover.playlist = playlist;
    handover.next = positionExists(next) ? next : (playlist ? 1 : 0);
    // Failing on the first item tried carries the round on; a copy that has shown items, or has
    // come round to where it began, starts a round of its own.
    const bool firstTry = received && received->playlist == playlist && received->next == failed;
    handover.first = firstTry ? received->first : failed;
    return handover;
}
