#pragma once

#include <memory>
#include <vector>

// One of the system's ways of keeping the machine or the display awake. acquire() asks for it and
// release() gives it back; both ignore whatever the system answers and raise nothing, so a missing
// bus, service or extension simply leaves that way out. A release without a held request does
// nothing, and so does a second acquire.
class TPowerInhibitor {
  public:
    virtual ~TPowerInhibitor() = default;
    virtual void acquire() = 0;
    virtual void release() = 0;
};

using TPowerInhibitors = std::vector<std::unique_ptr<TPowerInhibitor>>;

// The desktop's screen-saver inhibitor on the session bus, a sleep and idle inhibitor lock of
// systemd-logind on the system bus, and DPMS switched off on the board's X display.
std::unique_ptr<TPowerInhibitor> makeSessionScreenSaverInhibitor();
std::unique_ptr<TPowerInhibitor> makeLogindInhibitor();
std::unique_ptr<TPowerInhibitor> makeDpmsInhibitor();
