#include "shell/messagelabel.h"

#include <QPainter>

TLabel::TLabel()
    : Bounds(0, 0, 819, 536), Color(Qt::black), FontColor(Qt::red), Font(boardFont(11, true)) {}

void TLabel::paint(QPainter& painter) const {
    if (!Visible)
        return;
    if (!Transparent)
        painter.fillRect(Bounds, Color);
    painter.setPen(FontColor);
    painter.setFont(Font);
    painter.drawText(Bounds, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, Caption);
}
