// Text helpers of the query language: numbers read from and written to UTF-16 text. Names and
// strings compare without regard to case by base/names.h.
#pragma once

#include <string>
#include <string_view>

#include "base/names.h"
#include "wql/value.h"

namespace pal::wql {

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
