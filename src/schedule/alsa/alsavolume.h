#pragma once

#include "schedule/volumectrl.h"

#include <QString>
#include <stdexcept>

// Any failure of the ALSA mixer: errno-style code, alsa-lib's text for it and what went wrong.
class AlsaFailure : public std::runtime_error {
  public:
    AlsaFailure(int code, const QString& text, const QString& step)
        : std::runtime_error(text.toStdString()), code_(code), text_(text), step_(step) {}
    int code() const { return code_; }
    QString text() const { return text_; }
    QString step() const { return step_; }

  private:
    int code_;
    QString text_;
    QString step_;
};

// The "Master" playback volume of the default card's mixer, scaled linearly over the element's
// range. Every call opens the mixer afresh and closes it before returning. Raises AlsaFailure.
class AlsaVolume final : public VolumeBackend {
  public:
    float get() override;
    void set(float level) override;
};
