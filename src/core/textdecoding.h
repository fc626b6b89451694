#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

// Text in the Windows code pages that rich-text files and their plain-text fallback are written in.
// Only QtCore is used here, so the caption reader can be built into small tools of its own.

// The bytes in a Windows code page (1252, 1250, 932, 65001 ...). Windows-1252 is decoded by a table
// of our own, so that it is the same on every machine; the other pages go through the converters
// Qt offers, and a page it does not know is read as Windows-1252.
QString decodeCodePage(QByteArrayView bytes, int codePage);

// The code page a font's character set (\fcharset) stands for, or 0 when the set names none (the
// ANSI and default sets, the symbol set, and numbers no page belongs to).
int codePageForCharset(int charset);

// A caption file read as plain text. A byte-order mark names the encoding (UTF-16 little- or
// big-endian, UTF-8); without one the text is UTF-8 when the bytes are valid UTF-8, else
// Windows-1252. Gives nothing when the bytes are not text: malformed for the encoding their mark
// names, or holding a NUL character.
std::optional<QString> decodePlainText(QByteArrayView bytes);
