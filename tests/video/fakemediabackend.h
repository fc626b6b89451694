#pragma once

#include "video/mediabackend.h"
#include <QStringList>

// A media back end that plays nothing: it records the commands it gets and lets a test decide
// what opening gives and when frames and notices arrive. Like a real back end it drops frames and
// notices while no clip is open.
class FakeMediaBackend : public TMediaBackend {
  public:
    struct Script {
        QString openError; // not null: open fails with this text (which may be empty)
        bool hasVideo = true;
        bool seekOk = true;
        bool playOk = true;
    };

    explicit FakeMediaBackend(QStringList* log) : log_(log) {}

    Script next;
    QSize lastFrameSize{-2, -2}; // size asked for at open or later
    QString openedPath;

    bool open(const QString& path, QSize frameSize, QString& error) override {
        close();
        log_->append(QStringLiteral("open %1 %2x%3")
                         .arg(path)
                         .arg(frameSize.width())
                         .arg(frameSize.height()));
        lastFrameSize = frameSize;
        if (!next.openError.isNull()) {
            error = next.openError;
            return false;
        }
        open_ = true;
        openedPath = path;
        return true;
    }
    bool isOpen() const override { return open_; }
    bool hasVideo() const override { return open_ && next.hasVideo; }
    void setFrameSize(QSize frameSize) override {
        log_->append(QStringLiteral("size %1x%2").arg(frameSize.width()).arg(frameSize.height()));
        lastFrameSize = frameSize;
    }
    bool seekToStart() override {
        log_->append(QStringLiteral("seek"));
        return next.seekOk;
    }
    bool play() override {
        log_->append(QStringLiteral("play"));
        return next.playOk;
    }
    void close() override {
        if (!open_)
            return;
        log_->append(QStringLiteral("close"));
        open_ = false;
        frames_ = 0;
    }
    quint64 framesDecoded() const override { return frames_; }

    // What the back end's threads would hand to the user-interface thread.
    void emitFrame(const QImage& frame) {
        if (!open_)
            return;
        ++frames_;
        if (onFrame)
            onFrame(frame);
    }
    void emitNotice(Notice notice, const QString& detail = {}) {
        if (open_ && onNotice)
            onNotice(notice, detail);
    }

  private:
    QStringList* log_;
    bool open_ = false;
    quint64 frames_ = 0;
};
