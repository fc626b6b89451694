// DPMS off on the board's X display while the board keeps the display awake; the setting found
// before is put back when the request is withdrawn.

#include "schedule/powerinhibitor.h"
#include "schedule/x11/x11display.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

namespace {

class DpmsInhibitor : public TPowerInhibitor {
  public:
    void acquire() override {
        if (held_)
            return;
        Display* dpy = boardX11Display();
        int event = 0;
        int error = 0;
        if (!dpy || !DPMSQueryExtension(dpy, &event, &error) || !DPMSCapable(dpy))
            return;
        CARD16 level = 0;
        BOOL enabled = False;
        if (!DPMSInfo(dpy, &level, &enabled))
            return;
        held_ = true;
        wasEnabled_ = enabled;
        if (wasEnabled_) {
            DPMSDisable(dpy);
            XFlush(dpy);
        }
    }

    void release() override {
        if (!held_)
            return;
        held_ = false;
        Display* dpy = boardX11Display();
        if (!dpy || !wasEnabled_)
            return;
        DPMSEnable(dpy);
        XFlush(dpy);
    }

  private:
    bool held_ = false;
    bool wasEnabled_ = false;
};

} // namespace

std::unique_ptr<TPowerInhibitor> makeDpmsInhibitor() {
    return std::make_unique<DpmsInhibitor>();
}
