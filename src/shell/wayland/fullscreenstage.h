#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

class QScreen;

// The board's own window on a Wayland session. A Wayland client cannot place its window, so the
// board asks for a full-screen window on its output instead and sits inside it as a child at the
// place and size its settings give; everything around that area is black. Closing the stage (the
// compositor's close request) closes the board, and refusing that close keeps the stage open.
class TFullScreenStage : public QWidget {
    Q_OBJECT
  public:
    // A hidden, black, full-screen window on the given output; show() shows it full screen.
    explicit TFullScreenStage(QScreen* output);

    // Makes the board a child of the stage, at the area's place and size in output coordinates.
    void hold(QWidget* board, const QRect& area);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void checkFullScreen();

    QWidget* board_ = nullptr;
    QPointer<QScreen> output_;
    bool checked_ = false;
};
