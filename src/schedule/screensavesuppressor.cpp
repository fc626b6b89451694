#include "schedule/screensavesuppressor.h"

#include "schedule/wayland/idleinhibitswitch.h"
#include "shell/wayland/waylandsession.h"

namespace {

// A Wayland session has no X screen saver: the compositor's idle inhibitor stands in for it.
std::unique_ptr<TScreenSaverSwitch> systemScreenSaverSwitch(QObject* owner) {
    if (onWaylandSession())
        return makeWaylandIdleInhibitSwitch(qobject_cast<QWidget*>(owner));
    return makeX11ScreenSaverSwitch();
}

} // namespace

TScreenSaveSuppressor::TScreenSaveSuppressor(QObject* owner,
                                             std::unique_ptr<TScreenSaverSwitch> saver)
    : QObject(owner), saver_(saver ? std::move(saver) : systemScreenSaverSwitch(owner)) {}

TScreenSaveSuppressor::~TScreenSaveSuppressor() {
    setActive(false);
}

void TScreenSaveSuppressor::setActive(bool active) {
    if (active == active_)
        return;
    active_ = active;
    if (active_) {
        bool handled = true;
        if (OnScreenSave)
            OnScreenSave(handled);
        if (!handled)
            return;
        saver_->suspend(true);
        suspended_ = true;
    } else if (suspended_) {
        saver_->suspend(false);
        suspended_ = false;
    }
}
