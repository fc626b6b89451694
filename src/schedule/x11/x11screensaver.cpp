#include "schedule/screensavesuppressor.h"
#include "schedule/x11/x11display.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace {

class X11ScreenSaverSwitch : public TScreenSaverSwitch {
  public:
    void suspend(bool on) override {
        Display* dpy = boardX11Display();
        int event = 0;
        int error = 0;
        if (!dpy || !XScreenSaverQueryExtension(dpy, &event, &error))
            return;
        XScreenSaverSuspend(dpy, on ? True : False);
        XFlush(dpy);
    }
};

} // namespace

std::unique_ptr<TScreenSaverSwitch> makeX11ScreenSaverSwitch() {
    return std::make_unique<X11ScreenSaverSwitch>();
}
