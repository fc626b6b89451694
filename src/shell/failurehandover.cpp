#include "shell/failurehandover.h"

#include "brevutil/commandline.h"
#include "shell/diagnostics.h"
#include "shell/mainfrm.h"
#include <algorithm>
#include <memory>
#include <utility>

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

// What this copy was started with; kept for its own failure.
std::optional<FailureHandover>& received() {
    static std::optional<FailureHandover> handover;
    return handover;
}

// The show waits for the first item of the next round longer than usual; the interval goes back
// to its own value at that item.
void pauseFirstItem() {
    TTimer* timer = MainFrm->NextImageTimer;
    const std::uint32_t interval = timer->Interval();
    if (interval == 0)
        return; // a show that never moves on stays so
    timer->setInterval(std::max<std::uint32_t>(interval, failedRoundPauseMs));
    auto pending = std::make_shared<bool>(true);
    timer->OnTimer = [tick = timer->OnTimer, timer, interval, pending] {
        if (std::exchange(*pending, false))
            timer->setInterval(interval);
        tick();
    };
    diag::event("restart", QStringLiteral("every item of a round failed: the next round begins "
                                          "in %1 s")
                               .arg(timer->Interval() / 1000));
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

void takeFailureHandover() {
    received() = readFailureHandover(CommandLine::arguments());
    if (!received())
        return;
    const FailureHandover& handover = *received();
    // The mode may have changed in config.ini meanwhile; a playlist that did not start has no
    // position.
    if (handover.playlist != UsePlayList || (UsePlayList && playlistitemindex != 1)) {
        received().reset();
        return;
    }
    if (UsePlayList)
        playlistitemindex = handover.next;
    else
        imageindex = handover.next - 1;
    diag::event("restart", QStringLiteral("the show goes on at position %1").arg(handover.next));
    if (handover.roundFailed())
        pauseFirstItem();
}

QStringList failureHandoverArguments(bool itemReached) {
    std::int32_t failed = 0;
    std::int32_t next = 0;
    std::function<bool(std::int32_t)> exists;
    if (UsePlayList) {
        // The search moves the section number on only once the item has been shown.
        failed = playlistitemindex;
        next = itemReached ? playlistitemindex + 1 : playlistitemindex;
        exists = [](std::int32_t section) {
            return playlist && playlist->SectionExists(QStringLiteral("Item%1").arg(section));
        };
    } else {
        failed = imageindex;
        next = imageindex + 1;
        int count = 0;
        try {
            count = MainFrm->FileListBox.Count();
        } catch (...) {
            // The folder may be what failed: the fresh copy wraps by its own list.
            count = next + 1;
        }
        exists = [count](std::int32_t index) { return index >= 0 && index < count; };
    }
    const FailureHandover handover =
        handoverAfterFailure(received(), UsePlayList, failed, next, exists);
    return {handover.argument()};
}
