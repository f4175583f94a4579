#include "text/NumberText.h"

#include <charconv>

namespace wmibridge::text {
namespace {

// Widens the ASCII text of a conversion into UTF-16.
size_t Widen(const char* first, const char* last, WCHAR* target, size_t capacity)
{
    const auto length = static_cast<size_t>(last - first);
    if (capacity == 0) {
        return 0;
    }
    if (length + 1 > capacity) {
        target[0] = 0;
        return 0;
    }
    for (size_t i = 0; i < length; ++i) {
        target[i] = static_cast<WCHAR>(first[i]);
    }
    target[length] = 0;
    return length;
}

template <class Number>
size_t FormatInteger(Number value, int base, WCHAR* target, size_t capacity)
{
    char digits[kIntegerTextCapacity];
    const auto result = std::to_chars(digits, digits + sizeof(digits), value, base);
    return Widen(digits, result.ptr, target, capacity);
}

}  // namespace

size_t FormatSigned(int64_t value, WCHAR* target, size_t capacity)
{
    return FormatInteger(value, 10, target, capacity);
}

size_t FormatUnsigned(uint64_t value, WCHAR* target, size_t capacity)
{
    return FormatInteger(value, 10, target, capacity);
}

size_t FormatHexUpper(uint64_t value, WCHAR* target, size_t capacity)
{
    const size_t length = FormatInteger(value, 16, target, capacity);
    for (size_t i = 0; i < length; ++i) {
        if (target[i] >= u'a' && target[i] <= u'f') {
            target[i] = static_cast<WCHAR>(target[i] - u'a' + u'A');
        }
    }
    return length;
}

size_t FormatFixed6(double value, WCHAR* target, size_t capacity)
{
    char digits[kFixedTextCapacity];
    const auto result = std::to_chars(digits, digits + sizeof(digits), value, std::chars_format::fixed, 6);
    if (result.ec != std::errc{}) {
        if (capacity > 0) {
            target[0] = 0;
        }
        return 0;
    }
    return Widen(digits, result.ptr, target, capacity);
}

}  // namespace wmibridge::text
