#pragma once

#include "core/inifile.h"
#include <QDateTime>

// What the timetable tick needs from the window: the blank off-hours screen and the slide timer.
class ScheduleHost {
  public:
    virtual ~ScheduleHost() = default;

    virtual bool blankShown() const = 0;
    virtual void hideBlank() = 0;
    // Hides the picture, the video, the web page and the message, and covers the whole window
    // with the blank screen showing text, above every other layer.
    virtual void showBlank(const QString& text) = 0;
    // NextImageTimer, which runs the slide tick.
    virtual void setSlideTimer(bool enabled) = 0;
};

// The weekly timetable check, every 10 seconds: within the timetable the show runs, outside it the
// blank screen covers the window and the slides stop. config is config.ini, read at each tick.
void scheduleTick(ScheduleHost& host, const TIniFile& config, const QDateTime& now);
