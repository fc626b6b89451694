#pragma once

#include "captions/rtfreader.h"
#include <QByteArrayView>

class QTextDocument;

// How a caption file becomes the overlay's document.

// Replaces the document's content with the paragraphs read from an RTF file. Sizes become pixels
// at 96 dots per inch (a 12-point font is 16 pixels high), so the caption looks the same on every
// screen before the overlay scales it.
void fillCaptionDocument(QTextDocument& document, const RtfDocument& rtf);

// Replaces the document's content with plain text, one paragraph per line; a final line end
// adds no empty line.
void fillPlainCaption(QTextDocument& document, const QString& text);

// Reads a caption file's bytes into the document: as RTF, or, when the RTF reader rejects them,
// as plain text. False when they are neither; the document is then left as it was.
bool loadCaptionDocument(QTextDocument& document, QByteArrayView bytes);
