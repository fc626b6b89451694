#pragma once

#include <QObject>
#include <QWidget>

// The board's video player; its picture goes to the display panel. Until a clip is opened there is
// nothing to close.
class TMediaPlayer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    QWidget* Display = nullptr;
    bool Visible = false;

    bool IsOpen() const { return open_; }
    // Stops and releases the open clip, if any.
    void Close();

private:
    bool open_ = false;
};
