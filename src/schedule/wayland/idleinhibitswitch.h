#pragma once

#include "schedule/screensavesuppressor.h"
#include <QWidget>
#include <memory>

// The compositor's idle inhibitor (zwp_idle_inhibit_manager_v1) on the surface of the guarded
// widget's window: while it is in force the compositor neither blanks the outputs nor starts its
// screen locker or saver. It asks Qt's own Wayland connection for it, so it goes when the surface
// or the connection goes. The surface only exists once the window is on screen, so a suspension
// asked for earlier takes effect at the guarded widget's first paint.
std::unique_ptr<TScreenSaverSwitch> makeWaylandIdleInhibitSwitch(QWidget* guarded);
