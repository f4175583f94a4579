// Text helpers of the query language: case folding without locales, and numbers read from and
// written to UTF-16 text.
#pragma once

#include <string>
#include <string_view>

#include "wql/value.h"

namespace pal::wql {

// Lower-case form of a UTF-16 code unit for case-insensitive comparison: ASCII, Latin-1, Greek
// and Cyrillic capitals fold to their small letters.
char16_t FoldCase(char16_t c) noexcept;

// <0, 0 or >0 as a orders before, equal to or after b, ignoring case.
int CompareIgnoringCase(std::u16string_view a, std::u16string_view b) noexcept;

// Reads a whole text as a number: an optional sign, decimal digits, an optional fraction and
// exponent, or 0x followed by hexadecimal digits. An integer beyond the range of 64 bits (signed
// when negative) is refused. Fills value (kind Integer or Real, text as given) and returns true.
bool ParseNumber(std::u16string_view text, Value& value);

// Decimal text of an integer given by sign and absolute value.
std::u16string IntegerText(bool negative, uint64_t magnitude);

// Shortest text that reads back as the same double.
std::u16string RealText(double value);

// A value of kind Integer from sign and absolute value (zero is never negative).
Value MakeInteger(bool negative, uint64_t magnitude);

}  // namespace pal::wql
