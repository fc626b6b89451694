#pragma once

#include <QObject>
#include <functional>
#include <memory>

// Holds the system's screen saver back, or lets it run again.
class TScreenSaverSwitch {
  public:
    virtual ~TScreenSaverSwitch() = default;
    virtual void suspend(bool on) = 0;
};

// The X server's screen saver, suspended over the board's own X connection (nothing without X).
// The server ends the suspension by itself when that connection closes.
std::unique_ptr<TScreenSaverSwitch> makeX11ScreenSaverSwitch();

// Keeps the screen saver away while Active. It starts inactive; the owner switches it on.
class TScreenSaveSuppressor : public QObject {
    Q_OBJECT
  public:
    explicit TScreenSaveSuppressor(QObject* owner,
                                   std::unique_ptr<TScreenSaverSwitch> saver = nullptr);
    ~TScreenSaveSuppressor() override;

    bool Active() const { return active_; }
    // A change suspends the screen saver (true) or lets it run again (false); setting the current
    // value does nothing.
    void setActive(bool active);

    // Asked when the suppressor goes active, with Handled true; clearing Handled lets the screen
    // saver run all the same.
    std::function<void(bool& Handled)> OnScreenSave;

  private:
    std::unique_ptr<TScreenSaverSwitch> saver_;
    bool active_ = false;
    bool suspended_ = false;
};
