#pragma once

#include "core/errors.h"
#include "video/mediabackend.h"
#include "video/videopanel.h"
#include <QObject>
#include <QPointer>
#include <QRect>
#include <functional>
#include <memory>

// A clip that cannot be opened, or a command given with no clip open ("No MCI device open").
class EMCIDeviceError : public EError {
  public:
    using EError::EError;
};

// How the last play the player reported on ended.
enum TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

// The board's video player. It is never visible itself; the picture of the open clip goes to its
// display panel. Commands follow the board's media-player model: Open is synchronous and raises on
// failure; Close, DisplayRect, Rewind and Play report failure only through Error(); a play asked
// for with Notify set reports its end once, on the user-interface thread, through OnNotify. A clip
// closed before its end reports nothing.
class TMediaPlayer : public QObject {
    Q_OBJECT
  public:
    // With the board's media back end (see makeDefaultMediaBackend).
    explicit TMediaPlayer(QObject* parent = nullptr);
    TMediaPlayer(std::unique_ptr<TMediaBackend> backend, QObject* parent = nullptr);
    ~TMediaPlayer() override;

    bool Visible = false;
    // The file the next Open opens (full path).
    QString FileName;
    // Set from each notice just before OnNotify runs.
    TMPNotifyValues NotifyValue = nvSuccessful;
    std::function<void()> OnNotify;

    TVideoPanel* Display() const { return display_; }
    // Takes effect at once for an open clip with a picture; otherwise for the next clip opened.
    void setDisplay(TVideoPanel* display);

    bool IsOpen() const;
    // True when the open clip has a picture.
    bool HasVideo() const;

    // Closes a clip still open, then opens FileName; raises EMCIDeviceError with the media back
    // end's text when that fails. Until a display rectangle is set the picture fills the display.
    void Open();
    // Stops and releases the open clip; nothing to do when none is open.
    void Close();

    QRect DisplayRect() const { return displayRect_; }
    // Where the picture goes, in display coordinates, stretched to that size; a rectangle of
    // width and height 0 stands for the clip's own size at its top left. Applies only while a
    // clip with a picture is open.
    void setDisplayRect(const QRect& rect);

    // To the clip's start; raises EMCIDeviceError "No MCI device open" when no clip is open.
    void Rewind();
    bool Notify() const { return notify_; }
    // A request for a notice, consumed by the next Play.
    void setNotify(bool notify) { notify_ = notify; }
    // Starts playback and returns at once; raises EMCIDeviceError "No MCI device open" when no
    // clip is open.
    void Play();

    // 0 when the last command succeeded; its text otherwise.
    int Error() const { return error_ ? 1 : 0; }
    QString ErrorMessage() const { return errorText_; }
    // Frames of the open clip that reached the player.
    quint64 FramesDecoded() const;

  private:
    void requireOpen() const;
    void commandResult(bool ok, const QString& failure);
    void frameArrived(const TVideoFrame& frame);
    void noticeArrived(TMediaBackend::Notice notice, const QString& detail);

    std::unique_ptr<TMediaBackend> backend_;
    QPointer<TVideoPanel> display_;
    QRect displayRect_;
    bool notify_ = false;
    bool awaitingNotice_ = false;
    bool error_ = false;
    QString errorText_;
    QString openedFile_;
    quint64 paintedAtOpen_ = 0;
};
