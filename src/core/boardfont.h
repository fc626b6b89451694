#pragma once

#include <QFont>

// Tahoma at a given pixel height, falling back to the system's sans font: the face of the board's
// own texts (message label, blank screen, captions without a font of their own).
QFont boardFont(int pixelHeight, bool bold);
