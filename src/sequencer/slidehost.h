#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// What the slide tick needs from the window it runs in. The window shows the items; the tick
// decides which one and in what order the steps run.
class SlideHost {
  public:
    virtual ~SlideHost() = default;

    // NextImageTimer, which runs the next tick, and its interval.
    virtual void setSlideTimer(bool enabled) = 0;
    virtual std::uint32_t slideInterval() const = 0;
    virtual void setSlideInterval(std::uint32_t interval) = 0;
    // WBScroll, which scrolls a web page.
    virtual void stopScrolling() = 0;
    // Keeps the machine awake and the display on from now on.
    virtual void keepAwake() = 0;
    // Brings the window to the front.
    virtual void activate() = 0;
    virtual void setPictureVisible(bool visible) = 0;
    virtual void showMessage(const QString& text) = 0;
    virtual void hideMessage() = 0;
    virtual void refresh() = 0;
    virtual void processEvents() = 0;

    // The steps the tick dispatches to (the window's members of the same names).
    virtual bool playlistItemSearch() = 0;
    virtual void showPicture(const QString& path) = 0;
    virtual void playVideo(const QString& path) = 0;
    virtual void showWebPage(const QString& path) = 0;
    virtual void captionStep() = 0;
    // Decodes a picture ahead for a later tick.
    virtual void prefetchPicture(const QString& path) = 0;
    // An item is up: the service manager that started the board learns that it is ready (only
    // the first call counts).
    virtual void boardReady() = 0;

    // The failure path: ERROR.LOG, a fresh copy of the board (started with the arguments given),
    // and the error report.
    virtual void writeLog(const QString& text) = 0;
    virtual void startFreshCopy(const QStringList& arguments) = 0;
    virtual void reportFailure(const QString& text) = 0;
};
