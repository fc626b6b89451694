#include "schedule/x11/x11display.h"

#include <QGuiApplication>

_XDisplay* boardX11Display() {
    auto* app = qGuiApp;
    if (!app)
        return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}
