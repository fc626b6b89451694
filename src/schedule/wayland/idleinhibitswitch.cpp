#include "schedule/wayland/idleinhibitswitch.h"

#include "core/diagnostics.h"
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWindow>
#include <cstring>
#include <idle-inhibit-unstable-v1-client-protocol.h> // generated from wayland-protocols
#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>

namespace {

QPlatformNativeInterface* native() {
    return qGuiApp ? qGuiApp->platformNativeInterface() : nullptr;
}

class WaylandIdleInhibitSwitch : public QObject, public TScreenSaverSwitch {
  public:
    WaylandIdleInhibitSwitch(QObject* shown, std::function<QWindow*()> window)
        : shown_(shown), window_(std::move(window)) {
        if (shown)
            shown->installEventFilter(this);
    }

    ~WaylandIdleInhibitSwitch() override {
        if (shown_)
            shown_->removeEventFilter(this);
        drop();
        if (manager_)
            zwp_idle_inhibit_manager_v1_destroy(manager_);
        if (queue_)
            wl_event_queue_destroy(queue_);
    }

    void suspend(bool on) override {
        wanted_ = on;
        if (on)
            attach();
        else
            drop();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (wanted_ && watched == shown_ &&
            (event->type() == QEvent::Paint || event->type() == QEvent::Show))
            attach();
        return false;
    }

  private:
    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t) {
        auto* self = static_cast<WaylandIdleInhibitSwitch*>(data);
        if (!self->manager_ &&
            std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0)
            self->manager_ = static_cast<zwp_idle_inhibit_manager_v1*>(
                wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
    }
    static void globalRemove(void*, wl_registry*, uint32_t) {}

    // Looks the manager up once, on a queue of its own so that Qt's events are left alone.
    void findManager() {
        looked_ = true;
        QPlatformNativeInterface* ni = native();
        display_ =
            ni ? static_cast<wl_display*>(ni->nativeResourceForIntegration("wl_display")) : nullptr;
        if (!display_)
            return;
        queue_ = wl_display_create_queue(display_);
        auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(display_));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), queue_);
        wl_registry* registry = wl_display_get_registry(wrapped);
        wl_proxy_wrapper_destroy(wrapped);
        static const wl_registry_listener listener = {global, globalRemove};
        wl_registry_add_listener(registry, &listener, this);
        wl_display_roundtrip_queue(display_, queue_);
        wl_registry_destroy(registry);
        if (!manager_)
            diag::error(QStringLiteral("the compositor offers no idle inhibitor "
                                       "(zwp_idle_inhibit_manager_v1); the display may blank"));
    }

    wl_surface* surface() const {
        QPlatformNativeInterface* ni = native();
        QWindow* window = window_ ? window_() : nullptr;
        if (!ni || !window)
            return nullptr;
        return static_cast<wl_surface*>(ni->nativeResourceForWindow("surface", window));
    }

    void attach() {
        if (!looked_)
            findManager();
        if (!manager_)
            return;
        wl_surface* current = surface();
        if (!current || (inhibitor_ && current == surface_))
            return;
        drop();
        surface_ = current;
        inhibitor_ = zwp_idle_inhibit_manager_v1_create_inhibitor(manager_, surface_);
        wl_display_flush(display_);
        diag::event("power", QStringLiteral("the compositor's idle inhibitor is on"));
    }

    void drop() {
        if (!inhibitor_)
            return;
        zwp_idle_inhibitor_v1_destroy(inhibitor_);
        inhibitor_ = nullptr;
        surface_ = nullptr;
        wl_display_flush(display_);
    }

    QPointer<QObject> shown_;
    std::function<QWindow*()> window_;
    bool wanted_ = false;
    bool looked_ = false;
    wl_display* display_ = nullptr;
    wl_event_queue* queue_ = nullptr;
    zwp_idle_inhibit_manager_v1* manager_ = nullptr;
    zwp_idle_inhibitor_v1* inhibitor_ = nullptr;
    wl_surface* surface_ = nullptr;
};

} // namespace

std::unique_ptr<TScreenSaverSwitch> makeWaylandIdleInhibitSwitch(QObject* shown,
                                                                 std::function<QWindow*()> window) {
    return std::make_unique<WaylandIdleInhibitSwitch>(shown, std::move(window));
}
