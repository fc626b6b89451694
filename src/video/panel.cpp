#include "video/panel.h"

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

void TPanel::setBevelOuter(TBevel bevel) {
    if (bevel == bevel_)
        return;
    bevel_ = bevel;
    update();
}

void TPanel::paintEvent(QPaintEvent*) {
    if (caption_.isEmpty() && bevel_ == TBevel::None)
        return;
    QPainter painter(this);
    QRect inner = rect();
    if (bevel_ == TBevel::Raised && width() > 0 && height() > 0) {
        const QRect r = rect();
        painter.setPen(QColor(255, 255, 255));
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(QColor(160, 160, 160));
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
        inner = r.adjusted(1, 1, -1, -1);
    }
    if (caption_.isEmpty())
        return;
    painter.setPen(fontColor_);
    painter.setFont(font());
    painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextExpandTabs, caption_);
}
