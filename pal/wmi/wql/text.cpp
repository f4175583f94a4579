#include "wql/text.h"

#include <charconv>
#include <string>
#include <system_error>

namespace pal::wql {

Value MakeInteger(bool negative, uint64_t magnitude)
{
    Value value;
    value.kind = Value::Kind::Integer;
    value.negative = negative && magnitude != 0;
    value.magnitude = magnitude;
    value.real = static_cast<double>(magnitude);
    if (value.negative) {
        value.real = -value.real;
    }
    return value;
}

namespace {

// ASCII copy of the text, or false when it holds anything else.
bool ToAscii(std::u16string_view text, std::string& ascii)
{
    ascii.clear();
    ascii.reserve(text.size());
    for (const char16_t c : text) {
        if (c >= 0x80) {
            return false;
        }
        ascii.push_back(static_cast<char>(c));
    }
    return true;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Decimal digits, an optional fraction and an optional exponent, nothing else.
bool IsDecimalSyntax(std::string_view text, bool& hasFractionOrExponent)
{
    size_t i = 0;
    const size_t intStart = i;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
    }
    if (i == intStart) {
        return false;
    }
    hasFractionOrExponent = false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        const size_t fractionStart = i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
        }
        if (i == fractionStart) {
            return false;
        }
        hasFractionOrExponent = true;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        const size_t exponentStart = i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
        }
        if (i == exponentStart) {
            return false;
        }
        hasFractionOrExponent = true;
    }
    return i == text.size();
}

}  // namespace

bool ParseNumber(std::u16string_view text, Value& value)
{
    std::string ascii;
    if (!ToAscii(text, ascii) || ascii.empty()) {
        return false;
    }
    std::string_view rest = ascii;
    bool negative = false;
    if (rest.front() == '+' || rest.front() == '-') {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    uint64_t magnitude = 0;
    const char* end = rest.data() + rest.size();
    if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        const auto [ptr, ec] = std::from_chars(rest.data() + 2, end, magnitude, 16);
        if (ec != std::errc() || ptr != end) {
            return false;
        }
    } else {
        bool isReal = false;
        if (!IsDecimalSyntax(rest, isReal)) {
            return false;
        }
        if (isReal) {
            double real = 0;
            const auto [ptr, ec] = std::from_chars(rest.data(), end, real);
            if (ec != std::errc() || ptr != end) {
                return false;
            }
            value = Value{};
            value.kind = Value::Kind::Real;
            value.real = negative ? -real : real;
            value.text.assign(text);
            return true;
        }
        const auto [ptr, ec] = std::from_chars(rest.data(), end, magnitude, 10);
        if (ec != std::errc() || ptr != end) {
            return false;
        }
    }
    constexpr uint64_t kMostNegativeMagnitude = uint64_t{1} << 63;
    if (negative && magnitude > kMostNegativeMagnitude) {
        return false;
    }
    value = MakeInteger(negative, magnitude);
    value.text.assign(text);
    return true;
}

std::u16string IntegerText(bool negative, uint64_t magnitude)
{
    char buffer[24];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof(buffer), magnitude);
    std::u16string text;
    if (negative && magnitude != 0) {
        text.push_back(u'-');
    }
    text.append(buffer, ptr);
    return text;
}

std::u16string RealText(double value)
{
    char buffer[32];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::u16string(buffer, ptr);
}

}  // namespace pal::wql
