// Number-to-text conversions for property values and error texts. They never consult the process
// locale: the decimal point is always a full stop and digits are never grouped.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace wmibridge::text {

// Room for any 64-bit integer in decimal or hexadecimal, with sign and terminator.
constexpr size_t kIntegerTextCapacity = 24;
// Room for any double in fixed notation with six fractional digits ("%f"), with terminator.
constexpr size_t kFixedTextCapacity = 330;

// Each writes the text and a terminator into `target` (capacity in units) and returns the length,
// or 0 when the capacity is too small (the target then holds the empty text).
size_t FormatSigned(int64_t value, WCHAR* target, size_t capacity);
size_t FormatUnsigned(uint64_t value, WCHAR* target, size_t capacity);
size_t FormatHexUpper(uint64_t value, WCHAR* target, size_t capacity);
// As printf's "%f": sign, integer digits, a full stop and exactly six rounded fractional digits.
size_t FormatFixed6(double value, WCHAR* target, size_t capacity);

}  // namespace wmibridge::text
