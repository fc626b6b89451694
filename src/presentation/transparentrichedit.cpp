#include "presentation/transparentrichedit.h"

#include "presentation/messagelabel.h"
#include <QPainter>

TTransparentRichEdit::TTransparentRichEdit(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setFont(boardFont(11, false));
}

void TTransparentRichEdit::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    update();
}

void TTransparentRichEdit::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text_);
}
