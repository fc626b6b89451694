#pragma once

#include <QObject>

// Keeps the screen saver away while active.
class TScreenSaveSuppressor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    bool Active() const { return active_; }
    void setActive(bool active) { active_ = active; }

private:
    bool active_ = false;
};
