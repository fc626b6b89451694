#pragma once

#include <QObject>
#include <functional>

// Turns SIGTERM and SIGINT into a call on the user-interface thread, so that stopping the board
// from outside (systemd, Ctrl+C) closes the window exactly as the window manager's close would.
class CloseSignals : public QObject {
    Q_OBJECT
  public:
    explicit CloseSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~CloseSignals() override;

  private:
    void readSignal();
    std::function<void()> onSignal_;
};
