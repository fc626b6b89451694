#pragma once

#include "video/videoframe.h"
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

// What the board's video player needs from a media framework: one clip at a time, opened
// synchronously, its frames delivered at a requested size, its end or failure reported once.
//
// Every member is called on the user-interface thread, and both callbacks are invoked there, only
// for the clip that is open at that moment: frames and notices of a clip already closed are
// dropped.
class TMediaBackend {
  public:
    enum class Notice { Ended, Failed };

    virtual ~TMediaBackend() = default;

    // Opens the file (closing any clip still open) and waits until it is ready to play from its
    // start or has failed. frameSize is the size frames are to arrive in; an empty size asks for
    // the clip's own size. On failure returns false with a text for the operator in error, and
    // nothing is left open.
    virtual bool open(const QString& path, QSize frameSize, QString& error) = 0;
    virtual bool isOpen() const = 0;
    // True when the open clip has at least one picture stream.
    virtual bool hasVideo() const = 0;
    // Changes the size of the frames still to come.
    virtual void setFrameSize(QSize frameSize) = 0;
    // Positions the open clip at its start and waits for that; false when that failed.
    virtual bool seekToStart() = 0;
    // Starts playback and returns at once; false when the framework refused.
    virtual bool play() = 0;
    // Stops and releases the open clip; nothing to do when none is open.
    virtual void close() = 0;
    // Frames that reached the player since the clip was opened.
    virtual quint64 framesDecoded() const = 0;

    // A new picture of the open clip.
    std::function<void(const TVideoFrame& frame)> onFrame;
    // The open clip played to its end, or playback failed (detail says why).
    std::function<void(Notice notice, const QString& detail)> onNotice;
};

// Makes the back end of a new player.
using TMediaBackendFactory = std::function<std::unique_ptr<TMediaBackend>()>;

// The board's own back end (GStreamer).
std::unique_ptr<TMediaBackend> makeDefaultMediaBackend();
