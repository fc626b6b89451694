#include "sequencer/slidetick.h"

#include "brevutil/shellwords.h"
#include "content/drivetext.h"
#include "core/diagnostics.h"
#include "core/errors.h"
#include "core/filenames.h"
#include <sys/stat.h>

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

// Only these exact upper-case extensions are known.
enum class ItemKind { Picture, Video, WebPage, Unsupported };

ItemKind kindOf(const QString& path) {
    const qsizetype dot = path.lastIndexOf(u'.');
    QString ext = dot < 0 ? QString() : path.mid(dot);
    for (QChar& c : ext)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    if (ext == u".BMP" || ext == u".JPG" || ext == u".JPEG" || ext == u".PNG" || ext == u".GIF")
        return ItemKind::Picture;
    if (ext == u".AVI" || ext == u".MPG" || ext == u".MPEG" || ext == u".MP4")
        return ItemKind::Video;
    if (ext == u".URL")
        return ItemKind::WebPage;
    return ItemKind::Unsupported;
}

} // namespace

void SlideTick::run() {
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
            showItem(path);
            prefetchNextPicture();
        } catch (...) {
            host_.processEvents();
            throw;
        }
        host_.processEvents();
    } catch (const std::exception& e) {
        slideFailed(failureText(e));
    } catch (...) {
        slideFailed(QStringLiteral("Unknown error"));
    }
}

void SlideTick::showItem(const QString& path) {
    // A file deleted since the last refresh is skipped silently; the item on screen stays.
    struct stat st {};
    if (::stat(encodeFileName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        host_.setSlideTimer(true);
    } else {
        diag::event("item", path);
        switch (kindOf(path)) {
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
    const QString drive = driveText(state_.folder);
    diag::event("poll", drive.isEmpty() ? QStringLiteral("(no drive)") : drive);
    if (drive.isEmpty())
        host_.runAndWait(QStringLiteral("/bin/sh"), QStringLiteral("-c :"));
    else
        host_.runAndWait(QStringLiteral("/bin/sh"),
                         QStringLiteral("-c 'cd -- \"$1\"' sh ") + shellQuote(drive));
}

void SlideTick::slideFailed(const QString& text) {
    diag::error(QStringLiteral("slide failed: ") + text);
    QString logError;
    try {
        host_.writeLog(text);
        host_.writeLog(QStringLiteral("On Item: ") +
                       displayFileName(state_.folder + state_.files.Item(state_.imageindex)));
    } catch (const std::exception& e) {
        logError = exceptionMessage(e);
    }
    host_.startFreshCopy();
    if (!logError.isEmpty())
        host_.reportFailure(logError);
}
