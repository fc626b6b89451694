#include "schedule/alsa/alsavolume.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace {

constexpr const char* kDevice = "default";
constexpr const char* kElement = "Master";
constexpr const char* kOpening = "opening the mixer of the default card failed";

// alsa-lib writes its complaints (no card, unknown device) to stderr by default; on a machine
// without sound that would be noise at every video start. The failure itself is reported through
// the result codes. (The thread-local handler of alsa-lib 1.2.8 cannot be used from C++: its
// header declares it without C linkage.)
void quiet(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsa() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(quiet); });
}

[[noreturn]] void fail(int alsaError, const char* step) {
    // alsa-lib's codes are negative errno values; keep a failure from reading as code 0.
    const int code = alsaError < 0 ? -alsaError : EIO;
    throw AlsaFailure(code, QString::fromUtf8(snd_strerror(-code)), QString::fromUtf8(step));
}

void check(int result, const char* step) {
    if (result < 0)
        fail(result, step);
}

// The channels of the "Master" control last set while audible, as offsets above its minimum.
std::mutex balanceGate;
std::vector<std::pair<snd_mixer_selem_channel_id_t, long>> balance;

struct MixerClose {
    void operator()(snd_mixer_t* m) const { snd_mixer_close(m); }
};

class Mixer {
  public:
    Mixer() {
        snd_mixer_t* raw = nullptr;
        check(snd_mixer_open(&raw, 0), kOpening);
        mixer_.reset(raw);
        check(snd_mixer_attach(mixer_.get(), kDevice), kOpening);
        check(snd_mixer_selem_register(mixer_.get(), nullptr, nullptr), kOpening);
        check(snd_mixer_load(mixer_.get()), kOpening);

        snd_mixer_selem_id_t* id = nullptr;
        snd_mixer_selem_id_alloca(&id);
        snd_mixer_selem_id_set_index(id, 0);
        snd_mixer_selem_id_set_name(id, kElement);
        element_ = snd_mixer_find_selem(mixer_.get(), id);
        if (!element_ || !snd_mixer_selem_has_playback_volume(element_))
            fail(-ENOENT, "the default card has no \"Master\" playback volume control");
        check(snd_mixer_selem_get_playback_volume_range(element_, &min_, &max_),
              "reading the \"Master\" volume range failed");
        if (max_ <= min_)
            fail(-EINVAL, "the \"Master\" control has an empty volume range");
    }

    // The loudest channel is the level; set() keeps the others in proportion to it, so that the
    // balance between the channels stays.
    float get() const {
        const double level = double(loudest() - min_) / double(max_ - min_);
        return static_cast<float>(std::clamp(level, 0.0, 1.0));
    }

    void set(float level) const {
        const long target = std::lround(double(level) * double(max_ - min_));
        std::vector<std::pair<snd_mixer_selem_channel_id_t, long>> channels;
        long loud = 0;
        for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
            const auto channel = static_cast<snd_mixer_selem_channel_id_t>(c);
            if (!snd_mixer_selem_has_playback_channel(element_, channel))
                continue;
            channels.emplace_back(channel, std::clamp(volume(channel), min_, max_) - min_);
            loud = std::max(loud, channels.back().second);
        }
        if (channels.empty())
            fail(-ENOENT, "the \"Master\" control has no playback channel");
        {
            // Silence loses the balance; the one last seen while audible brings it back.
            std::lock_guard lock(balanceGate);
            if (loud > 0) {
                balance = channels;
            } else if (balance.size() == channels.size()) {
                channels = balance;
                for (const auto& entry : channels)
                    loud = std::max(loud, entry.second);
            }
        }
        for (const auto& [channel, value] : channels) {
            const long scaled =
                loud > 0 ? std::lround(double(value) * double(target) / double(loud)) : target;
            check(snd_mixer_selem_set_playback_volume(element_, channel, min_ + scaled),
                  "setting the \"Master\" volume failed");
        }
    }

  private:
    long volume(snd_mixer_selem_channel_id_t channel) const {
        long value = 0;
        check(snd_mixer_selem_get_playback_volume(element_, channel, &value),
              "reading the \"Master\" volume failed");
        return value;
    }

    long loudest() const {
        std::optional<long> loudest;
        for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
            const auto channel = static_cast<snd_mixer_selem_channel_id_t>(c);
            if (snd_mixer_selem_has_playback_channel(element_, channel))
                loudest = std::max(loudest.value_or(LONG_MIN), volume(channel));
        }
        if (!loudest)
            fail(-ENOENT, "the \"Master\" control has no playback channel");
        return *loudest;
    }

    std::unique_ptr<snd_mixer_t, MixerClose> mixer_;
    snd_mixer_elem_t* element_ = nullptr;
    long min_ = 0;
    long max_ = 0;
};

} // namespace

float AlsaVolume::get() {
    silenceAlsa();
    return Mixer().get();
}

void AlsaVolume::set(float level) {
    silenceAlsa();
    Mixer().set(level);
}
