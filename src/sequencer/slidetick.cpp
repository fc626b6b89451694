#include "sequencer/slidetick.h"

#include "content/drivepoll.h"
#include "content/drivetext.h"
#include "core/diagnostics.h"
#include "core/errors.h"
#include "core/filekind.h"
#include "core/filenames.h"
#include "core/shareaccess.h"
#include <algorithm>
#include <utility>

namespace {

// The message of a failure, followed by those of the failures nested in it, one per line.
QString failureText(const std::exception& e) {
    QString text = exceptionMessage(e);
    try {
        std::rethrow_if_nested(e);
    } catch (const std::exception& inner) {
        text += QStringLiteral("\r\n") + failureText(inner);
    } catch (...) {
    }
    return text;
}

ItemKind kindOf(const QString& path) {
    return fileKindOf(path).item;
}

} // namespace

void SlideTick::takeHandover(const std::optional<FailureHandover>& handover) {
    received_ = handover;
    if (!received_)
        return;
    // The mode may have changed in config.ini meanwhile; a playlist that did not start has no
    // position.
    if (received_->playlist != state_.usePlayList ||
        (state_.usePlayList && state_.playlistitemindex != 1)) {
        received_.reset();
        return;
    }
    if (state_.usePlayList)
        state_.playlistitemindex = received_->next;
    else
        state_.imageindex = received_->next - 1;
    diag::event("restart", QStringLiteral("the show goes on at position %1").arg(received_->next));
    if (received_->roundFailed())
        pauseFirstItem();
}

// The show waits for the first item of the next round longer than usual.
void SlideTick::pauseFirstItem() {
    const std::uint32_t interval = host_.slideInterval();
    if (interval == 0)
        return; // a show that never moves on stays so
    const std::uint32_t pause = std::max<std::uint32_t>(interval, failedRoundPauseMs);
    host_.setSlideInterval(pause);
    intervalAfterPause_ = interval;
    diag::event("restart", QStringLiteral("every item of a round failed: the next round begins "
                                          "in %1 s")
                               .arg(pause / 1000));
}

void SlideTick::run() {
    if (const auto interval = std::exchange(intervalAfterPause_, std::nullopt))
        host_.setSlideInterval(*interval);
    bool itemReached = false;
    try {
        host_.setSlideTimer(false);
        host_.stopScrolling();
        if (state_.preventScreenSaver)
            host_.keepAwake();
        if (state_.pollSourceDrive)
            pollSourceDrive();
        host_.activate();

        if (state_.files.Count() == 0) {
            host_.setPictureVisible(false);
            host_.showMessage(
                QStringLiteral("NO PICTURE FILES LOCATED IN ") + state_.folder +
                QStringLiteral(" OR FILE MASK SET TO EXCLUDE ALL PICTURE FILES IN FOLDER"));
            return;
        }
        host_.setPictureVisible(true);
        host_.hideMessage();
        ++state_.imageindex;
        if (state_.imageindex >= state_.files.Count())
            state_.imageindex = 0;
        if (state_.usePlayList && !host_.playlistItemSearch())
            return;

        const QString path = state_.folder + state_.files.Item(state_.imageindex);
        if (state_.showFileName)
            host_.showMessage(displayFileName(path));
        else
            host_.hideMessage();
        host_.refresh();

        try {
            itemReached = true;
            showItem(path);
            host_.boardReady();
            prefetchNextPicture();
        } catch (...) {
            host_.processEvents();
            throw;
        }
        host_.processEvents();
    } catch (const std::exception& e) {
        slideFailed(failureText(e), itemReached);
    } catch (...) {
        slideFailed(QStringLiteral("Unknown error"), itemReached);
    }
}

void SlideTick::showItem(const QString& path) {
    // A file deleted since the last refresh is skipped silently; the item on screen stays. So is
    // a file the share does not deliver in time. The media back end opens a clip and reads its
    // start on the UI thread, so of a clip the start must have come in time already.
    const ItemKind kind = kindOf(path);
    const bool there = kind == ItemKind::Video ? share::isArrivingFile(path) : share::isFile(path);
    if (!there) {
        host_.setSlideTimer(true);
    } else {
        diag::event("item", path);
        switch (kind) {
        case ItemKind::Picture:
            host_.showPicture(path);
            host_.setSlideTimer(true);
            break;
        case ItemKind::Video:
            host_.playVideo(path);
            break;
        case ItemKind::WebPage:
            host_.showWebPage(path);
            break;
        case ItemKind::Unsupported:
            host_.showMessage(QStringLiteral("Unsupported File: ") + displayFileName(path));
            host_.setSlideTimer(true);
            break;
        }
    }
    host_.captionStep();
    if (state_.usePlayList)
        ++state_.playlistitemindex;
}

// While an item is on screen, the picture that the next tick will show is decoded ahead: in folder
// mode the next position of the list, in playlist mode the file of the section the next search
// starts at. Whether it is used is decided at the tick; a guess that proves wrong costs nothing.
void SlideTick::prefetchNextPicture() {
    try {
        const int count = state_.files.Count();
        if (count == 0)
            return;
        QString name;
        const std::int32_t next = state_.imageindex + 1;
        if (!state_.usePlayList) {
            name = state_.files.Item(next >= count ? 0 : next);
        } else if (state_.playlist) {
            QString section = QStringLiteral("Item%1").arg(state_.playlistitemindex);
            if (!state_.playlist->SectionExists(section))
                section = QStringLiteral("Item1");
            const int index = state_.files.IndexOf(
                state_.playlist->ReadString(section, QStringLiteral("FileName"), QString()));
            if (index < 0)
                return;
            name = state_.files.Item(index);
        }
        const QString path = state_.folder + name;
        if (!name.isEmpty() && kindOf(path) == ItemKind::Picture)
            host_.prefetchPicture(path);
    } catch (...) {
        // Only a guess: the tick that shows the item reads it in any case.
    }
}

void SlideTick::pollSourceDrive() {
    // Finding the drive may stat the folder itself (where no mount point names it): a share that
    // does not tell in time is not polled this time.
    const QString folder = state_.folder;
    const std::optional<QString> drive = share::call<QString>(
        QStringLiteral("drive of ") + folder, [folder] { return driveText(folder); },
        /*answerTells=*/false);
    if (!drive)
        return;
    diag::event("poll", drive->isEmpty() ? QStringLiteral("(no drive)") : *drive);
    pollDrive(*drive);
}

void SlideTick::slideFailed(const QString& text, bool itemReached) {
    diag::error(QStringLiteral("slide failed: ") + text);
    QString logError;
    try {
        host_.writeLog(text);
        host_.writeLog(QStringLiteral("On Item: ") +
                       displayFileName(state_.folder + state_.files.Item(state_.imageindex)));
    } catch (const std::exception& e) {
        logError = exceptionMessage(e);
    }
    host_.startFreshCopy({handoverAfter(itemReached).argument()});
    if (!logError.isEmpty())
        host_.reportFailure(logError);
}

FailureHandover SlideTick::handoverAfter(bool itemReached) const {
    std::int32_t failed = 0;
    std::int32_t next = 0;
    std::function<bool(std::int32_t)> exists;
    if (state_.usePlayList) {
        // The search moves the section number on only once the item has been shown.
        failed = state_.playlistitemindex;
        next = itemReached ? state_.playlistitemindex + 1 : state_.playlistitemindex;
        exists = [&playlist = state_.playlist](std::int32_t section) {
            return playlist && playlist->SectionExists(QStringLiteral("Item%1").arg(section));
        };
    } else {
        failed = state_.imageindex;
        next = state_.imageindex + 1;
        int count = 0;
        try {
            count = state_.files.Count();
        } catch (...) {
            // The folder may be what failed: the fresh copy wraps by its own list.
            count = next + 1;
        }
        exists = [count](std::int32_t index) { return index >= 0 && index < count; };
    }
    return handoverAfterFailure(received_, state_.usePlayList, failed, next, exists);
}
