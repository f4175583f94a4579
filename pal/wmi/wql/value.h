// A constant of a WHERE clause or of an object-path key, and the comparison operators of WQL.
#pragma once

#include <cstdint>
#include <string>

namespace pal::wql {

struct Value {
    enum class Kind { Null, String, Integer, Real, Boolean };

    Kind kind = Kind::Null;
    // String: the characters. Integer and Real: the number as written, used when a number is
    // compared with a string property.
    std::u16string text;
    // Integer: sign and absolute value, so that the whole range of sint64 and uint64 is exact.
    bool negative = false;
    uint64_t magnitude = 0;
    // Real: the value; Integer: the value as a double, for comparisons with real properties.
    double real = 0;
    bool boolean = false;
};

enum class CompareOp { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual, Like };

}  // namespace pal::wql
