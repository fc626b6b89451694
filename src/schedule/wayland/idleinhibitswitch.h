#pragma once

#include "schedule/screensavesuppressor.h"
#include <QObject>
#include <QWindow>
#include <functional>
#include <memory>

// The compositor's idle inhibitor (zwp_idle_inhibit_manager_v1) on the surface of a window of the
// board: while it is in force the compositor neither blanks the outputs nor starts its screen
// locker or saver. It asks Qt's own Wayland connection for it, so it goes when the surface or the
// connection goes. `window` names that window and is asked anew each time, since the board's
// top-level window may be made, or changed, after the switch. The surface only exists once the
// window is on screen, so a suspension asked for earlier takes effect at the first Show or Paint
// event of `shown`.
std::unique_ptr<TScreenSaverSwitch> makeWaylandIdleInhibitSwitch(QObject* shown,
                                                                 std::function<QWindow*()> window);
