#pragma once

#include "core/boardfont.h"
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

// The message label, drawn on the window's own surface over the picture: fixed size, words wrap,
// text at the top left, bold red 11-pixel Tahoma (or the system's sans font where Tahoma is
// missing).
class TLabel {
  public:
    TLabel();

    QString Caption;
    QRect Bounds;
    bool Visible = true;
    bool Transparent = false;
    QColor Color; // background when not transparent
    QColor FontColor;
    QFont Font;

    void paint(QPainter& painter) const;
};
