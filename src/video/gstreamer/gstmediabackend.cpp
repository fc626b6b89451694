// GStreamer headers first: GLib's headers use words that Qt defines as macros.
#include <gst/app/gstappsink.h>
#include <gst/base/gstbasetransform.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include "core/deadlineworker.h"
#include "core/filenames.h"
#include "core/shareaccess.h"
#include "video/gstreamer/gstmediabackend.h"
#include <QFile>
#include <QMetaObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

namespace {

// playbin's "flags" bits (GstPlayFlags is not in a public header).
constexpr guint playFlagText = 0x4;
// Kept clear: decoders are chosen by rank, so a hardware (VA-API) decoder, where one is installed
// and works, is preferred to a software one, and hands its frames on in system memory.
constexpr guint playFlagForceSwDecoders = 0x1000;
// Without it playbin puts its own aspect-keeping scaler in front of the video sink, and the
// picture comes out letterboxed whatever size the sink asks for.
constexpr guint playFlagNativeVideo = 0x40;

// The decoders' own planar 4:2:0: the panel converts it to RGB as it paints.
constexpr const char* frameFormat = "I420";

bool gstReady(QString& error) {
    static const std::optional<QString> failure = []() -> std::optional<QString> {
        GError* err = nullptr;
        if (gst_init_check(nullptr, nullptr, &err))
            return std::nullopt;
        QString text = err ? QString::fromUtf8(err->message) : QStringLiteral("Unknown error code");
        g_clear_error(&err);
        return text;
    }();
    if (failure)
        error = *failure;
    return !failure;
}

GstCaps* frameCaps(QSize size) {
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, frameFormat,
                                        "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    if (size.width() > 0 && size.height() > 0)
        gst_caps_set_simple(caps, "width", G_TYPE_INT, size.width(), "height", G_TYPE_INT,
                            size.height(), nullptr);
    return caps;
}

QString errorText(GstMessage* message) {
    GError* err = nullptr;
    gst_message_parse_error(message, &err, nullptr);
    QString text = err && err->message && *err->message ? QString::fromUtf8(err->message)
                                                        : QStringLiteral("Unknown error code");
    g_clear_error(&err);
    return text;
}

// A decoded picture stays mapped, and its sample referenced, for as long as a frame uses it.
struct MappedFrame {
    explicit MappedFrame(GstSample* s) : sample(s) {}
    MappedFrame(const MappedFrame&) = delete;
    MappedFrame& operator=(const MappedFrame&) = delete;
    ~MappedFrame() {
        if (mapped)
            gst_video_frame_unmap(&frame);
        gst_sample_unref(sample);
    }
    GstSample* sample;
    GstVideoFrame frame{};
    bool mapped = false;
};

TVideoFrame::Matrix frameMatrix(const GstVideoInfo& info) {
    const GstVideoColorimetry& c = info.colorimetry;
    if (c.matrix == GST_VIDEO_COLOR_MATRIX_BT709)
        return TVideoFrame::Matrix::Bt709;
    if (c.matrix == GST_VIDEO_COLOR_MATRIX_BT2020)
        return TVideoFrame::Matrix::Bt2020;
    if (c.range == GST_VIDEO_COLOR_RANGE_0_255)
        return TVideoFrame::Matrix::Bt601FullRange;
    return TVideoFrame::Matrix::Bt601;
}

// Wraps the sample's picture without copying; takes over the sample reference.
TVideoFrame wrapSample(GstSample* sample) {
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps) ||
        GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_I420) {
        gst_sample_unref(sample);
        return {};
    }
    auto mapped = std::make_shared<MappedFrame>(sample);
    mapped->mapped = gst_video_frame_map(&mapped->frame, &info, buffer, GST_MAP_READ);
    if (!mapped->mapped)
        return {};
    const auto plane = [&](int i) {
        return static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&mapped->frame, i));
    };
    const auto stride = [&](int i) { return GST_VIDEO_FRAME_PLANE_STRIDE(&mapped->frame, i); };
    const TVideoFrame::Planes planes{plane(0), plane(1), plane(2), stride(0), stride(1), stride(2)};
    const QSize size(GST_VIDEO_FRAME_WIDTH(&mapped->frame), GST_VIDEO_FRAME_HEIGHT(&mapped->frame));
    return TVideoFrame::yuv420(size, planes, frameMatrix(info), std::move(mapped));
}

// The sound output: the PulseAudio server when one answers (tried by bringing a pulsesink to
// READY, which connects), otherwise what autoaudiosink finds, which in the end is a silent sink
// that keeps time.
GstElement* makeAudioSink() {
    if (GstElement* pulse = gst_element_factory_make("pulsesink", nullptr)) {
        gst_object_ref_sink(pulse);
        g_object_set(pulse, "client-name", "Tavorel", nullptr);
        const bool answers =
            gst_element_set_state(pulse, GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS;
        gst_element_set_state(pulse, GST_STATE_NULL);
        if (answers)
            return pulse;
        gst_object_unref(pulse);
    }
    GstElement* sink = gst_element_factory_make("autoaudiosink", nullptr);
    if (sink)
        gst_object_ref_sink(sink);
    return sink;
}

} // namespace

// What GStreamer's threads share with the back end. The Clip lives until its pipeline is stopped
// and its threads have ended, which may be long after close (a thread stuck in a read of a share
// that stopped answering): close clears the owner pointer, and the threads post nothing to the
// back end from then on. Everything they change is guarded by the mutex or atomic.
struct TGstMediaBackend::Clip {
    TGstMediaBackend* owner = nullptr; // guarded by the mutex
    quint64 generation = 0;
    GstElement* pipeline = nullptr;
    GstElement* capsfilter = nullptr;
    GstBus* bus = nullptr;
    std::atomic<quint64> framesDecoded{0};
    // The picture shown while paused; the sink hands the same buffer on again as the first sample
    // once playing, and that repeat is not a frame of its own. Both callbacks run in the sink's
    // streaming thread.
    GstBuffer* prerollBuffer = nullptr;

    std::mutex mutex;
    std::condition_variable opened;
    bool opening = true;
    bool prerolled = false;
    QString openError;
    bool endedWhileOpening = false;
    TVideoFrame latest;
    bool framePosted = false;

    // Posted under the mutex, so that close, which clears the owner under it, is never
    // followed by a post to a back end that may be gone.
    void postFrame(TVideoFrame image) {
        {
            std::lock_guard lock(mutex);
            if (!owner)
                return; // the frame is released on the way out, outside the lock
            std::swap(latest, image);
            if (!std::exchange(framePosted, true))
                QMetaObject::invokeMethod(
                    &owner->receiver_, [o = owner, g = generation] { o->deliverFrame(g); },
                    Qt::QueuedConnection);
        }
        // The frame replaced (in image now) is released here, outside the lock.
    }

    void postNotice(Notice notice, const QString& detail) {
        std::lock_guard lock(mutex);
        if (owner)
            QMetaObject::invokeMethod(
                &owner->receiver_,
                [o = owner, g = generation, notice, detail] {
                    o->deliverNotice(g, notice, detail);
                },
                Qt::QueuedConnection);
    }

    static GstFlowReturn onNewPreroll(GstAppSink* sink, gpointer data) {
        auto* clip = static_cast<Clip*>(data);
        if (GstSample* sample = gst_app_sink_pull_preroll(sink)) {
            clip->prerollBuffer = gst_sample_get_buffer(sample);
            clip->postFrame(wrapSample(sample));
        }
        return GST_FLOW_OK;
    }

    static GstFlowReturn onNewSample(GstAppSink* sink, gpointer data) {
        auto* clip = static_cast<Clip*>(data);
        if (GstSample* sample = gst_app_sink_pull_sample(sink)) {
            clip->framesDecoded.fetch_add(1, std::memory_order_relaxed);
            if (std::exchange(clip->prerollBuffer, nullptr) == gst_sample_get_buffer(sample))
                gst_sample_unref(sample);
            else
                clip->postFrame(wrapSample(sample));
        }
        return GST_FLOW_OK;
    }

    // Runs in whichever thread posts. Nothing is left queued on the bus, so it cannot grow over a
    // long clip; open waits on the condition variable instead of popping messages.
    // A message the handler drops is its to release: each one holds a reference to the element
    // that posted it, so a dropped message kept would keep the whole pipeline, with its frame
    // buffers, alive after close.
    static GstBusSyncReply onBusMessage(GstBus*, GstMessage* message, gpointer data) {
        handleBusMessage(message, static_cast<Clip*>(data));
        gst_message_unref(message);
        return GST_BUS_DROP;
    }

    static void handleBusMessage(GstMessage* message, Clip* clip) {
        const GstMessageType type = GST_MESSAGE_TYPE(message);
        if (type != GST_MESSAGE_ASYNC_DONE && type != GST_MESSAGE_ERROR && type != GST_MESSAGE_EOS)
            return;
        std::unique_lock lock(clip->mutex);
        if (clip->opening) {
            if (type == GST_MESSAGE_ASYNC_DONE)
                clip->prerolled = true;
            else if (type == GST_MESSAGE_ERROR && clip->openError.isEmpty())
                clip->openError = errorText(message);
            else if (type == GST_MESSAGE_EOS)
                clip->endedWhileOpening = true;
            clip->opened.notify_all();
            return;
        }
        lock.unlock();
        if (type == GST_MESSAGE_EOS)
            clip->postNotice(Notice::Ended, {});
        else if (type == GST_MESSAGE_ERROR)
            clip->postNotice(Notice::Failed, errorText(message));
    }
};

namespace {

// videoconvert ! videoflip ! videoscale ! capsfilter ! appsink, as one bin for playbin's
// video-sink.
GstElement* makeVideoSink(TGstMediaBackend::Clip* clip, QSize frameSize, GstElement** capsfilter,
                          GstAppSinkCallbacks* callbacks) {
    GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement* flip = gst_element_factory_make("videoflip", nullptr);
    GstElement* scale = gst_element_factory_make("videoscale", nullptr);
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    if (!convert || !flip || !scale || !filter || !sink) {
        for (GstElement* e : {convert, flip, scale, filter, sink})
            if (e)
                gst_object_unref(gst_object_ref_sink(e));
        return nullptr;
    }
    // Phones store a portrait clip as landscape pixels with a rotation in the container; the
    // flip follows the stream's orientation tag, so the clip stands upright before it is
    // stretched over the window.
    gst_util_set_object_arg(G_OBJECT(flip), "video-direction", "auto");
    // Until a tag asks for a turn the flip would copy every picture unchanged (GStreamer 1.22);
    // it leaves this state by itself when it turns a clip.
    gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(flip), TRUE);
    g_object_set(scale, "add-borders", FALSE, nullptr);
    GstCaps* caps = frameCaps(frameSize);
    g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    // Late frames are dropped and reported upstream, so a busy machine keeps picture and sound
    // together instead of letting the picture fall behind.
    g_object_set(sink, "sync", TRUE, "max-buffers", 2u, "drop", FALSE, "enable-last-sample", FALSE,
                 "qos", TRUE, "max-lateness", gint64(20 * GST_MSECOND), nullptr);
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), callbacks, clip, nullptr);

    GstElement* bin = gst_bin_new(nullptr);
    gst_object_ref_sink(bin);
    gst_bin_add_many(GST_BIN(bin), convert, flip, scale, filter, sink, nullptr);
    if (!gst_element_link_many(convert, flip, scale, filter, sink, nullptr)) {
        gst_object_unref(bin);
        return nullptr;
    }
    GstPad* pad = gst_element_get_static_pad(convert, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad));
    gst_object_unref(pad);
    *capsfilter = filter;
    return bin;
}

GstAppSinkCallbacks appSinkCallbacks() {
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = &TGstMediaBackend::Clip::onNewPreroll;
    callbacks.new_sample = &TGstMediaBackend::Clip::onNewSample;
    return callbacks;
}

// The libav decoders decode straight into the pipeline's buffers by default, and keep each one as
// a reference picture after handing it on; the decoder base class then finds the buffer shared
// and copies it, every frame, into memory newly taken from the system (large blocks are not
// kept by the allocator here), which costs a page fault per 4 KiB. Decoding into the decoder's
// own frames and copying them out into pooled buffers costs one copy into memory that stays.
void onElementSetup(GstElement*, GstElement* element, gpointer) {
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), "direct-rendering"))
        g_object_set(element, "direct-rendering", FALSE, nullptr);
}

} // namespace

TGstMediaBackend::TGstMediaBackend() = default;

TGstMediaBackend::~TGstMediaBackend() {
    close();
}

bool TGstMediaBackend::isOpen() const {
    return clip_ != nullptr;
}

quint64 TGstMediaBackend::framesDecoded() const {
    return clip_ ? clip_->framesDecoded.load(std::memory_order_relaxed) : 0;
}

bool TGstMediaBackend::open(const QString& path, QSize frameSize, QString& error) {
    close();
    if (!gstReady(error))
        return false;
    const QString missingPlugin =
        QStringLiteral("Your GStreamer installation is missing a plug-in.");

    GError* err = nullptr;
    gchar* uri = gst_filename_to_uri(encodeFileName(path).constData(), &err);
    if (!uri) {
        error = err ? QString::fromUtf8(err->message) : QStringLiteral("Resource not found.");
        g_clear_error(&err);
        return false;
    }
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    if (!playbin) {
        g_free(uri);
        error = missingPlugin;
        return false;
    }
    gst_object_ref_sink(playbin);

    auto clip = std::make_unique<Clip>();
    clip->owner = this;
    clip->generation = ++generation_;
    clip->pipeline = playbin;
    clip->bus = gst_element_get_bus(playbin);
    clip_ = std::move(clip);
    Clip* c = clip_.get();

    g_object_set(playbin, "uri", uri, nullptr);
    g_free(uri);
    guint flags = 0;
    g_object_get(playbin, "flags", &flags, nullptr);
    flags = (flags | playFlagNativeVideo) & ~(playFlagText | playFlagForceSwDecoders);
    g_object_set(playbin, "flags", flags, nullptr);
    g_signal_connect(playbin, "element-setup", G_CALLBACK(onElementSetup), nullptr);

    static GstAppSinkCallbacks callbacks = appSinkCallbacks();
    GstElement* videoSink = makeVideoSink(c, frameSize, &c->capsfilter, &callbacks);
    GstElement* audioSink = makeAudioSink();
    if (!videoSink || !audioSink) {
        if (videoSink)
            gst_object_unref(videoSink);
        if (audioSink)
            gst_object_unref(audioSink);
        close();
        error = missingPlugin;
        return false;
    }
    g_object_set(playbin, "video-sink", videoSink, "audio-sink", audioSink, nullptr);
    gst_object_unref(videoSink);
    gst_object_unref(audioSink);

    gst_bus_set_sync_handler(c->bus, &Clip::onBusMessage, c, nullptr);
    const GstStateChangeReturn change = gst_element_set_state(playbin, GST_STATE_PAUSED);

    {
        std::unique_lock lock(c->mutex);
        if (change == GST_STATE_CHANGE_ASYNC) {
            c->opened.wait_for(lock, std::chrono::milliseconds(openTimeoutMs),
                               [c] { return c->prerolled || !c->openError.isEmpty(); });
        } else if (change == GST_STATE_CHANGE_FAILURE) {
            // The failing element has normally posted its error already.
            c->opened.wait_for(lock, std::chrono::seconds(1),
                               [c] { return !c->openError.isEmpty(); });
            if (c->openError.isEmpty())
                c->openError = QStringLiteral("Unknown error code");
        } else {
            c->prerolled = true;
        }
        if (c->openError.isEmpty() && !c->prerolled)
            c->openError = QStringLiteral("The file did not become ready to play within %1 s.")
                               .arg(openTimeoutMs / 1000);
        c->opening = false;
    }
    if (!c->openError.isEmpty()) {
        error = c->openError;
        close();
        return false;
    }
    if (c->endedWhileOpening)
        c->postNotice(Notice::Ended, {});

    gint videoStreams = 0;
    g_object_get(playbin, "n-video", &videoStreams, nullptr);
    hasVideo_ = videoStreams > 0;
    atStart_ = true;
    return true;
}

void TGstMediaBackend::setFrameSize(QSize frameSize) {
    if (!clip_ || !clip_->capsfilter)
        return;
    GstCaps* caps = frameCaps(frameSize);
    GstCaps* current = nullptr;
    g_object_get(clip_->capsfilter, "caps", &current, nullptr);
    if (!current || !gst_caps_is_equal(current, caps))
        g_object_set(clip_->capsfilter, "caps", caps, nullptr);
    if (current)
        gst_caps_unref(current);
    gst_caps_unref(caps);
}

bool TGstMediaBackend::seekToStart() {
    if (!clip_)
        return false;
    // A clip just opened is prerolled at its start already; a flushing seek would only decode
    // the first picture again.
    if (atStart_)
        return true;
    if (!gst_element_seek_simple(clip_->pipeline, GST_FORMAT_TIME,
                                 GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0))
        return false;
    const bool done = gst_element_get_state(clip_->pipeline, nullptr, nullptr,
                                            GstClockTime(openTimeoutMs) * GST_MSECOND) ==
                      GST_STATE_CHANGE_SUCCESS;
    atStart_ = done;
    return done;
}

bool TGstMediaBackend::play() {
    if (!clip_)
        return false;
    atStart_ = false;
    return gst_element_set_state(clip_->pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

namespace {

// Pipelines are stopped here. Stopping one waits for its streaming threads, and a thread stuck in
// a read of a share that stopped answering holds it until the read returns: past the share's
// deadline the pipeline is left to stop on its own, and at most this many are ever left so.
constexpr int maxStoppingPipelines = 2;

DeadlineWorker& pipelineStopper() {
    // Never destroyed: a pipeline still stopping at exit must find its state still there.
    static DeadlineWorker* w = new DeadlineWorker(maxStoppingPipelines);
    return *w;
}

} // namespace

void TGstMediaBackend::close() {
    if (!clip_)
        return;
    std::shared_ptr<Clip> clip(std::move(clip_));
    hasVideo_ = false;
    atStart_ = false;
    {
        std::lock_guard lock(clip->mutex);
        clip->owner = nullptr;
    }
    // Going to NULL ends the pipeline's threads, so nothing calls into the Clip afterwards.
    const auto stop = [clip] {
        gst_element_set_state(clip->pipeline, GST_STATE_NULL);
        gst_bus_set_sync_handler(clip->bus, nullptr, nullptr, nullptr);
        gst_object_unref(clip->bus);
        gst_object_unref(clip->pipeline);
        return true;
    };
    DeadlineWorker::Outcome outcome = DeadlineWorker::Outcome::Returned;
    pipelineStopper().run<bool>(QStringLiteral("clip %1").arg(clip->generation), stop,
                                share::deadline(), &outcome);
    // With every stopper taken by a stuck pipeline, this one is stopped here, however long it
    // takes: the watchdog restarts a board that is held up by it.
    if (outcome == DeadlineWorker::Outcome::AllBusy)
        stop();
}

void TGstMediaBackend::deliverFrame(quint64 generation) {
    if (!clip_ || clip_->generation != generation)
        return;
    TVideoFrame frame;
    {
        std::lock_guard lock(clip_->mutex);
        std::swap(frame, clip_->latest);
        clip_->framePosted = false;
    }
    if (!frame.isNull() && onFrame)
        onFrame(frame);
}

void TGstMediaBackend::deliverNotice(quint64 generation, Notice notice, const QString& detail) {
    if (!clip_ || clip_->generation != generation)
        return;
    // The handler may close this clip and open the next: nothing here is touched afterwards.
    if (onNotice)
        onNotice(notice, detail);
}
