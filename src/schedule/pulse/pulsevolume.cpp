#include "schedule/pulse/pulsevolume.h"

#include "core/errors.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/volume.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>

namespace {

// The board runs unattended: a server that accepts the connection and then hangs must cost a few
// seconds, never the show.
constexpr std::chrono::seconds kTimeout{3};
constexpr const char* kDefaultSink = "@DEFAULT_SINK@";

// EOSError carries errno-style codes; the pulse library has codes of its own.
int errnoFor(int paError) {
    switch (paError) {
    case PA_ERR_ACCESS:
    case PA_ERR_AUTHKEY:
        return EACCES;
    case PA_ERR_INVALID:
    case PA_ERR_INVALIDSERVER:
        return EINVAL;
    case PA_ERR_EXIST:
        return EEXIST;
    case PA_ERR_NOENTITY:
        return ENOENT;
    case PA_ERR_CONNECTIONREFUSED:
        return ECONNREFUSED;
    case PA_ERR_PROTOCOL:
    case PA_ERR_COMMAND:
        return EPROTO;
    case PA_ERR_TIMEOUT:
        return ETIMEDOUT;
    case PA_ERR_CONNECTIONTERMINATED:
        return ECONNRESET;
    case PA_ERR_KILLED:
        return ECONNABORTED;
    case PA_ERR_BADSTATE:
        return EBADFD;
    case PA_ERR_NODATA:
        return ENODATA;
    case PA_ERR_VERSION:
        return EPROTONOSUPPORT;
    case PA_ERR_TOOLARGE:
        return E2BIG;
    case PA_ERR_NOTSUPPORTED:
        return ENOTSUP;
    case PA_ERR_NOEXTENSION:
    case PA_ERR_OBSOLETE:
    case PA_ERR_NOTIMPLEMENTED:
        return ENOSYS;
    case PA_ERR_BUSY:
        return EBUSY;
    default:
        return EIO;
    }
}

// A failure the library did not name still is one; code 0 would read as success.
int known(int paError) {
    return paError == PA_OK ? PA_ERR_UNKNOWN : paError;
}

[[noreturn]] void fail(int paError, const QString& step) {
    paError = known(paError);
    throw EOSError(
        errnoFor(paError),
        QStringLiteral("%1 (sound server, %2)").arg(QString::fromUtf8(pa_strerror(paError)), step));
}

[[noreturn]] void unreachable(int paError) {
    paError = known(paError);
    throw PulseUnreachable(errnoFor(paError), QString::fromUtf8(pa_strerror(paError)));
}

struct MainloopFree {
    void operator()(pa_mainloop* m) const { pa_mainloop_free(m); }
};
struct ContextFree {
    void operator()(pa_context* c) const {
        pa_context_disconnect(c);
        pa_context_unref(c);
    }
};
struct OperationFree {
    void operator()(pa_operation* o) const {
        // A pending operation must not call back into a frame that is gone.
        if (pa_operation_get_state(o) == PA_OPERATION_RUNNING)
            pa_operation_cancel(o);
        pa_operation_unref(o);
    }
};

struct SinkQuery {
    bool found = false;
    int error = PA_OK;
    uint32_t index = PA_INVALID_INDEX;
    pa_cvolume volume{};
};

struct Ack {
    bool done = false;
    bool success = false;
    int error = PA_OK;
};

void onSinkInfo(pa_context* c, const pa_sink_info* info, int eol, void* userdata) {
    auto* query = static_cast<SinkQuery*>(userdata);
    if (eol < 0) {
        query->error = pa_context_errno(c);
        return;
    }
    if (eol > 0 || !info)
        return;
    query->found = true;
    query->index = info->index;
    query->volume = info->volume;
}

void onSuccess(pa_context* c, int success, void* userdata) {
    auto* ack = static_cast<Ack*>(userdata);
    ack->done = true;
    ack->success = success != 0;
    if (!success)
        ack->error = pa_context_errno(c);
}

// One connection to the server with its own main loop, iterated here and nowhere else, so that
// every wait is bounded by the deadline.
class Session {
  public:
    Session() : deadline_(std::chrono::steady_clock::now() + kTimeout) {
        loop_.reset(pa_mainloop_new());
        if (!loop_)
            throw EOSError(ENOMEM, QString::fromUtf8(pa_strerror(PA_ERR_INTERNAL)));
        context_.reset(pa_context_new(pa_mainloop_get_api(loop_.get()), "Tavorel"));
        if (!context_)
            throw EOSError(ENOMEM, QString::fromUtf8(pa_strerror(PA_ERR_INTERNAL)));
        if (pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            unreachable(pa_context_errno(context_.get()));
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context_.get());
            if (state == PA_CONTEXT_READY)
                break;
            if (!PA_CONTEXT_IS_GOOD(state))
                unreachable(pa_context_errno(context_.get()));
            iterate(QStringLiteral("connecting"));
        }
    }

    SinkQuery defaultSink() {
        SinkQuery query;
        const QString step = QStringLiteral("reading the default output device");
        wait(pa_context_get_sink_info_by_name(context_.get(), kDefaultSink, onSinkInfo, &query),
             step);
        if (!query.found)
            fail(query.error == PA_OK ? PA_ERR_NOENTITY : query.error, step);
        if (!pa_cvolume_valid(&query.volume))
            fail(PA_ERR_INVALID, step);
        return query;
    }

    void setVolume(uint32_t sinkIndex, const pa_cvolume& volume) {
        Ack ack;
        const QString step = QStringLiteral("setting the volume of the default output device");
        wait(pa_context_set_sink_volume_by_index(context_.get(), sinkIndex, &volume, onSuccess,
                                                 &ack),
             step);
        if (!ack.done || !ack.success)
            fail(ack.error, step);
    }

  private:
    void iterate(const QString& step) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            deadline_ - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            throw EOSError(ETIMEDOUT,
                           QStringLiteral("%1 (the sound server did not answer within %2 "
                                          "seconds while %3)")
                               .arg(QString::fromUtf8(pa_strerror(PA_ERR_TIMEOUT)))
                               .arg(kTimeout.count())
                               .arg(step));
        pa_mainloop* m = loop_.get();
        if (pa_mainloop_prepare(m, static_cast<int>(left.count())) < 0 || pa_mainloop_poll(m) < 0 ||
            pa_mainloop_dispatch(m) < 0)
            fail(PA_ERR_IO, step);
    }

    void wait(pa_operation* raw, const QString& step) {
        if (!raw)
            fail(pa_context_errno(context_.get()), step);
        std::unique_ptr<pa_operation, OperationFree> operation(raw);
        while (pa_operation_get_state(operation.get()) == PA_OPERATION_RUNNING) {
            if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_.get())))
                fail(pa_context_errno(context_.get()), step);
            iterate(step);
        }
        if (pa_operation_get_state(operation.get()) != PA_OPERATION_DONE)
            fail(pa_context_errno(context_.get()), step);
    }

    std::chrono::steady_clock::time_point deadline_;
    // The context goes before its main loop: members are destroyed in reverse order.
    std::unique_ptr<pa_mainloop, MainloopFree> loop_;
    std::unique_ptr<pa_context, ContextFree> context_;
};

// Silence scales every channel to 0, where their balance is lost. The balance of the sink last
// set while it was audible is kept here, so that a level brought back after silence has it again.
std::mutex balanceGate;
uint32_t balanceSink = PA_INVALID_INDEX;
pa_cvolume balance{};

} // namespace

float PulseVolume::get() {
    Session session;
    const SinkQuery sink = session.defaultSink();
    // The loudest channel is the level, as a volume slider shows it; set() keeps the others in
    // proportion. An over-amplified sink (above 100 %) would read as more than 1.0, which the
    // board could never set back: it would fail at every video start. Such a sink reads as full
    // volume.
    const double level = double(pa_cvolume_max(&sink.volume)) / PA_VOLUME_NORM;
    return static_cast<float>(std::clamp(level, 0.0, 1.0));
}

void PulseVolume::set(float level) {
    Session session;
    const SinkQuery sink = session.defaultSink();
    // Scaled as a whole, so that the balance between the channels stays.
    pa_cvolume volume = sink.volume;
    {
        std::lock_guard lock(balanceGate);
        if (pa_cvolume_max(&volume) > PA_VOLUME_MUTED) {
            balanceSink = sink.index;
            balance = volume;
        } else if (balanceSink == sink.index && balance.channels == volume.channels) {
            volume = balance;
        }
    }
    pa_cvolume_scale(&volume,
                     static_cast<pa_volume_t>(std::lround(double(level) * PA_VOLUME_NORM)));
    // By index, not by "@DEFAULT_SINK@" again: the channel count belongs to the sink just read.
    session.setVolume(sink.index, volume);
}
