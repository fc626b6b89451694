#pragma once

#include "video/mediabackend.h"
#include <QObject>
#include <memory>

// Clips played by GStreamer's playbin. Pictures go through videoconvert and videoscale to an
// appsink, already in the requested size and in I420, the decoders' own form, so videoconvert
// passes most clips through and the display converts each frame only once, as it draws it; sound
// goes to the PulseAudio server when one answers, else to whatever output autoaudiosink finds.
//
// Frames and end-of-stream or error messages come from GStreamer's own threads and are handed to
// the user-interface thread as queued calls; each open clip has its own generation number, and a
// call that arrives for an older one is dropped.
class TGstMediaBackend : public TMediaBackend {
  public:
    TGstMediaBackend();
    ~TGstMediaBackend() override;
    TGstMediaBackend(const TGstMediaBackend&) = delete;
    TGstMediaBackend& operator=(const TGstMediaBackend&) = delete;

    bool open(const QString& path, QSize frameSize, QString& error) override;
    bool isOpen() const override;
    bool hasVideo() const override { return hasVideo_; }
    void setFrameSize(QSize frameSize) override;
    bool seekToStart() override;
    bool play() override;
    void close() override;
    quint64 framesDecoded() const override;

    // How long open waits for a clip that neither becomes ready nor fails.
    static constexpr int openTimeoutMs = 10000;

    struct Clip; // one open pipeline and what its threads share with this object

  private:
    void deliverFrame(quint64 generation);
    void deliverNotice(quint64 generation, Notice notice, const QString& detail);

    QObject receiver_; // queued calls from GStreamer's threads are delivered through it
    std::unique_ptr<Clip> clip_;
    quint64 generation_ = 0;
    bool hasVideo_ = false;
    bool atStart_ = false;
};
