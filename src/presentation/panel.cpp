#include "presentation/panel.h"

#include <QPainter>

TPanel::TPanel(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setColor(Qt::black);
}

void TPanel::setCaption(const QString& caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    update();
}

void TPanel::setColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
}

void TPanel::setFontColor(const QColor& color) {
    fontColor_ = color;
    update();
}

void TPanel::paintEvent(QPaintEvent*) {
    if (caption_.isEmpty())
        return;
    QPainter painter(this);
    painter.setPen(fontColor_);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, caption_);
}
