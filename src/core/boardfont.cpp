#include "core/boardfont.h"

QFont boardFont(int pixelHeight, bool bold) {
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}
