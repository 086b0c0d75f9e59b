#pragma once

#include <cstdint>

#include "ui/core/UIColor.h"
#include "ui/core/UIGeometry.h"

// Readers of skin attribute values. None fails: malformed text reads as 0 (or up to the first
// character that does not fit), and a null text reads as an empty one.
namespace SkinUI {

// True only for the exact text "true".
bool ParseBool(const wchar_t* text);

// Decimal as the C runtime's wcstol reads it into 32 bits: leading whitespace and one sign are
// accepted, digits are read up to the first non-digit, out-of-range values saturate. *end receives
// the first unread character, or text itself when no digit was read.
int32_t ParseInt(const wchar_t* text, const wchar_t** end = nullptr);

// Unsigned hexadecimal as wcstoul reads it into 32 bits (whitespace, sign and "0x" accepted).
uint32_t ParseHex(const wchar_t* text, const wchar_t** end = nullptr);

// One leading "#" is skipped, then hexadecimal: "#FFFFFFFF" and "FF1A57A9" both read.
ColorUI ParseColor(const wchar_t* text);
// Blanks (characters 1 to 32) before the "#" are skipped too.
ColorUI ParseColorAfterBlanks(const wchar_t* text);

// Reads count numbers: a number, one separator character of any kind, the next number, and so on.
// When the text ends early the remaining values are 0 and nothing past the terminator is read.
// Answers how many values were read from the text (at least one when count > 0).
int ParseIntList(const wchar_t* text, int32_t* values, int count);
// "l,t,r,b".
RectUI ParseRect(const wchar_t* text);
// "cx,cy".
SizeUI ParseSize(const wchar_t* text);
PointUI ParsePoint(const wchar_t* text);

} // namespace SkinUI
