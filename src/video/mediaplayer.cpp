#include "video/mediaplayer.h"

#include "core/diagnostics.h"

TMediaPlayer::TMediaPlayer(QObject* parent) : TMediaPlayer(makeDefaultMediaBackend(), parent) {}

TMediaPlayer::TMediaPlayer(std::unique_ptr<TMediaBackend> backend, QObject* parent)
    : QObject(parent), backend_(std::move(backend)) {
    backend_->onFrame = [this](const TVideoFrame& frame) { frameArrived(frame); };
    backend_->onNotice = [this](TMediaBackend::Notice notice, const QString& detail) {
        noticeArrived(notice, detail);
    };
}

TMediaPlayer::~TMediaPlayer() {
    Close();
}

void TMediaPlayer::setDisplay(TVideoPanel* display) {
    if (display_ == display)
        return;
    if (display_)
        display_->clearFrame();
    display_ = display;
}

bool TMediaPlayer::IsOpen() const {
    return backend_->isOpen();
}

bool TMediaPlayer::HasVideo() const {
    return backend_->isOpen() && backend_->hasVideo();
}

quint64 TMediaPlayer::FramesDecoded() const {
    return backend_->framesDecoded();
}

void TMediaPlayer::Open() {
    Close();
    displayRect_ = QRect();
    const QSize frameSize = display_ ? display_->size() : QSize();
    QString failure;
    if (!backend_->open(FileName, frameSize, failure)) {
        commandResult(false, failure);
        throw EMCIDeviceError(failure.isEmpty() ? QStringLiteral("Unknown error code") : failure);
    }
    commandResult(true, {});
    openedFile_ = FileName;
    paintedAtOpen_ = display_ ? display_->framesPainted() : 0;
    diag::event("video",
                openedFile_ + (backend_->hasVideo() ? QStringLiteral(": opened")
                                                    : QStringLiteral(": opened, no picture")));
}

void TMediaPlayer::Close() {
    if (!backend_->isOpen())
        return;
    const quint64 decoded = backend_->framesDecoded();
    backend_->close();
    awaitingNotice_ = false;
    displayRect_ = QRect();
    commandResult(true, {});
    if (display_) {
        diag::event("video", QStringLiteral("%1: closed, %2 frames decoded, %3 painted")
                                 .arg(openedFile_)
                                 .arg(decoded)
                                 .arg(display_->framesPainted() - paintedAtOpen_));
        display_->clearFrame();
    }
}

void TMediaPlayer::setDisplayRect(const QRect& rect) {
    if (!HasVideo())
        return;
    if (rect.width() < 0 || rect.height() < 0) {
        commandResult(false, QStringLiteral("The display rectangle is invalid."));
        return;
    }
    displayRect_ = rect;
    const bool ownSize = rect.width() == 0 && rect.height() == 0;
    backend_->setFrameSize(ownSize ? QSize() : rect.size());
    commandResult(true, {});
}

void TMediaPlayer::requireOpen() const {
    if (!backend_->isOpen())
        throw EMCIDeviceError(QStringLiteral("No MCI device open"));
}

void TMediaPlayer::Rewind() {
    requireOpen();
    commandResult(backend_->seekToStart(), QStringLiteral("The clip could not be rewound."));
}

void TMediaPlayer::Play() {
    requireOpen();
    awaitingNotice_ = notify_;
    notify_ = false;
    commandResult(backend_->play(), QStringLiteral("The clip could not be played."));
}

void TMediaPlayer::commandResult(bool ok, const QString& failure) {
    error_ = !ok;
    errorText_ = ok ? QString() : failure;
    if (!ok)
        diag::event("video", QStringLiteral("command failed: ") + failure);
}

void TMediaPlayer::frameArrived(const TVideoFrame& frame) {
    if (display_ && backend_->hasVideo())
        display_->setFrame(frame, displayRect_.topLeft());
}

void TMediaPlayer::noticeArrived(TMediaBackend::Notice notice, const QString& detail) {
    if (notice == TMediaBackend::Notice::Failed)
        diag::error(QStringLiteral("video failed: ") + openedFile_ + QStringLiteral(": ") + detail);
    if (!awaitingNotice_)
        return;
    awaitingNotice_ = false;
    NotifyValue = notice == TMediaBackend::Notice::Ended ? nvSuccessful : nvFailure;
    if (OnNotify)
        OnNotify();
}
