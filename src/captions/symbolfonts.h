#pragma once

#include <QString>
#include <cstdint>

// The Symbol and Wingdings fonts put their pictures where letters are in other fonts. Writers
// save such text as bytes in the font or as private-use code points U+F020-U+F0FF; the board
// has neither font, so it shows the Unicode characters the codes stand for.

enum class SymbolFont { None, Symbol, Wingdings };

// The symbol font a font family stands for ("Symbol", "Wingdings" ...), or None.
SymbolFont symbolFontForFamily(const QString& family);

// The Unicode character for a code 0x20-0xFF of the font. Codes the font leaves empty, and
// Wingdings pictures Unicode has no character for, stay the private-use U+F000 + code.
char32_t symbolFontCharacter(SymbolFont font, std::uint8_t code);
