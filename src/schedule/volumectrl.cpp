#include "schedule/volumectrl.h"

#include "core/diagnostics.h"
#include "core/errors.h"
#include "schedule/alsa/alsavolume.h"
#include "schedule/pulse/pulsevolume.h"

#include <cerrno>
#include <system_error>

namespace {

// The error's message is the system's code and text alone, as ERROR.LOG and the error report
// show it; what went wrong in detail goes to stderr, where the journal keeps it.
[[noreturn]] void raise(int code, const QString& detail) {
    diag::error(QStringLiteral("master volume: ") + detail);
    throw EOSError(code, QString::fromStdString(std::generic_category().message(code)));
}

// Runs op on the pulse server, or on the ALSA mixer when no pulse server takes the connection.
// With neither, the detail names both, so that an operator sees that the machine has no reachable
// sound output rather than just an error code.
template <typename Op> auto onSystemMixer(Op op) {
    try {
        PulseVolume pulse;
        return op(pulse);
    } catch (const PulseUnreachable& pulse) {
        try {
            AlsaVolume alsa;
            return op(alsa);
        } catch (const AlsaFailure& alsa) {
            raise(alsa.code(), QStringLiteral("%1 - no sound server or mixer is reachable "
                                              "(PulseAudio: %2; ALSA: %3)")
                                   .arg(alsa.text(), pulse.text(), alsa.step()));
        }
    } catch (const EOSError& e) {
        raise(e.code(), e.message());
    }
}

class SystemMixer final : public VolumeBackend {
  public:
    float get() override {
        return onSystemMixer([](VolumeBackend& b) { return b.get(); });
    }
    void set(float level) override {
        onSystemMixer([level](VolumeBackend& b) { b.set(level); });
    }
};

} // namespace

VolumeBackend& systemVolume() {
    static SystemMixer mixer;
    return mixer;
}

float GetMasterVolume(VolumeBackend& backend) {
    return backend.get();
}

void SetMasterVolume(float fLevelDB, VolumeBackend& backend) {
    // Written so that NaN fails too.
    if (!(fLevelDB >= 0.0f && fLevelDB <= 1.0f))
        raise(EINVAL, QStringLiteral("volume level %1 is outside 0.0-1.0").arg(double(fLevelDB)));
    backend.set(fLevelDB);
}
