#include "schedule/screensavesuppressor.h"

TScreenSaveSuppressor::TScreenSaveSuppressor(QObject* owner,
                                             std::unique_ptr<TScreenSaverSwitch> saver)
    : QObject(owner), saver_(saver ? std::move(saver) : makeX11ScreenSaverSwitch()) {}

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
