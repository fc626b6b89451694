#pragma once

#include "schedule/volumectrl.h"

#include <QString>
#include <stdexcept>

// Raised when no PulseAudio server (or PipeWire's pulse server) accepts the connection at all, so
// that the caller can try the ALSA mixer instead. A server that answers and then fails raises
// EOSError, as does one that does not answer in time.
class PulseUnreachable : public std::runtime_error {
  public:
    PulseUnreachable(int code, const QString& text)
        : std::runtime_error(text.toStdString()), code_(code), text_(text) {}
    // errno-style code and the server library's text for it.
    int code() const { return code_; }
    QString text() const { return text_; }

  private:
    int code_;
    QString text_;
};

// The volume of the pulse server's default sink. Every call opens its own connection and closes
// it before returning.
class PulseVolume final : public VolumeBackend {
  public:
    float get() override;
    void set(float level) override;
};
