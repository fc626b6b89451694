// The slide tick: each run moves the show on by one item, and any failure on the way is logged and
// ends in a fresh copy of the board.

#include "content/drivepoll.h"
#include "content/drivetext.h"
#include "core/diagnostics.h"
#include "core/errorreport.h"
#include "core/errors.h"
#include "core/restart.h"
#include "core/shareaccess.h"
#include "pictures/picturedecoder.h"
#include "schedule/powermgmt.h"
#include "shell/mainfrm.h"
#include <QCoreApplication>

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

void TMainFrm::NextImageTimerTimer() {
    try {
        NextImageTimer->setEnabled(false);
        WBScroll->setEnabled(false);
        if (PreventScreenSaver)
            SystemCritical->SetIsCritical(true);
        if (PollSourceDrive)
            pollSourceDrive();
        activateWindow();

        if (FileListBox.Count() == 0) {
            Image1.Visible = false;
            showMessage(QStringLiteral("NO PICTURE FILES LOCATED IN ") + filepath.Text +
                        QStringLiteral(" OR FILE MASK SET TO EXCLUDE ALL PICTURE FILES IN FOLDER"));
            return;
        }
        Image1.Visible = true;
        NoFilesLabel.Visible = false;
        ++imageindex;
        if (imageindex >= FileListBox.Count())
            imageindex = 0;
        if (UsePlayList && !PlaylistItemSearch())
            return;

        const QString path = filepath.Text + FileListBox.Item(imageindex);
        if (ShowFileName)
            showMessage(path);
        else
            NoFilesLabel.Visible = false;
        update();

        try {
            showItem(path);
            prefetchNextPicture();
        } catch (...) {
            QCoreApplication::processEvents();
            throw;
        }
        QCoreApplication::processEvents();
    } catch (const std::exception& e) {
        slideFailed(failureText(e));
    } catch (...) {
        slideFailed(QStringLiteral("Unknown error"));
    }
}

void TMainFrm::showItem(const QString& path) {
    // A file deleted since the last refresh is skipped silently; the item on screen stays. So is
    // a file the share does not deliver in time.
    if (!share::isFile(path)) {
        NextImageTimer->setEnabled(true);
    } else {
        diag::event("item", path);
        switch (kindOf(path)) {
        case ItemKind::Picture:
            if (std::optional<FittedPicture> ready =
                    prefetch_->picture(path, Image1.fitFor(size()))) {
                WebBrowser1->hide();
                VideoPanel->hide();
                Image1.setPicture(std::move(*ready));
                update();
            }
            NextImageTimer->setEnabled(true);
            break;
        case ItemKind::Video:
            PlayVideo(path);
            break;
        case ItemKind::WebPage:
            ShowWebPage(path);
            break;
        case ItemKind::Unsupported:
            showMessage(QStringLiteral("Unsupported File: ") + path);
            NextImageTimer->setEnabled(true);
            break;
        }
    }
    CaptionStep();
    if (UsePlayList)
        ++playlistitemindex;
}

// While an item is on screen, the picture that the next tick will show is decoded ahead: in folder
// mode the next position of the list, in playlist mode the file of the section the next search
// starts at. Whether it is used is decided at the tick; a guess that proves wrong costs nothing.
void TMainFrm::prefetchNextPicture() {
    try {
        const int count = FileListBox.Count();
        if (count == 0)
            return;
        QString name;
        if (!UsePlayList) {
            name = FileListBox.Item(imageindex + 1 >= count ? 0 : imageindex + 1);
        } else if (playlist) {
            QString section = QStringLiteral("Item%1").arg(playlistitemindex);
            if (!playlist->SectionExists(section))
                section = QStringLiteral("Item1");
            const int index = FileListBox.IndexOf(
                playlist->ReadString(section, QStringLiteral("FileName"), QString()));
            if (index < 0)
                return;
            name = FileListBox.Item(index);
        }
        const QString path = filepath.Text + name;
        if (!name.isEmpty() && kindOf(path) == ItemKind::Picture)
            prefetch_->prefetch(path, Image1.fitFor(size()));
    } catch (...) {
        // Only a guess: the tick that shows the item reads it in any case.
    }
}

void TMainFrm::pollSourceDrive() {
    const QString drive = driveText(filepath.Text);
    diag::event("poll", drive.isEmpty() ? QStringLiteral("(no drive)") : drive);
    pollDrive(drive);
}

void TMainFrm::slideFailed(const QString& text) {
    diag::error(QStringLiteral("slide failed: ") + text);
    QString logError;
    try {
        WriteLog(text);
        WriteLog(QStringLiteral("On Item: ") + filepath.Text + FileListBox.Item(imageindex));
    } catch (const std::exception& e) {
        logError = exceptionMessage(e);
    }
    restartAfterFailure();
    if (!logError.isEmpty())
        reportError(logError);
}
