#include "capture/MofText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace wmicapture {
namespace {

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendAscii(Text& out, std::string_view ascii)
{
    out.append(ascii.begin(), ascii.end());
}

void AppendHexEscape(Text& out, char16_t c)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += u"\\x";
    for (int shift = 12; shift >= 0; shift -= 4) {
        out.push_back(static_cast<char16_t>(kDigits[(c >> shift) & 0xF]));
    }
}

// The escape of a character inside quotes, or nothing when it stands for itself.
bool AppendEscape(Text& out, char16_t c, char16_t quote)
{
    switch (c) {
    case u'\\': out += u"\\\\"; return true;
    case u'\t': out += u"\\t"; return true;
    case u'\n': out += u"\\n"; return true;
    case u'\r': out += u"\\r"; return true;
    case u'\b': out += u"\\b"; return true;
    case u'\f': out += u"\\f"; return true;
    default: break;
    }
    if (c == quote) {
        out.push_back(u'\\');
        out.push_back(c);
        return true;
    }
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xFEFF || c == 0xFFFE || c == 0xFFFF) {
        AppendHexEscape(out, c);
        return true;
    }
    return false;
}

// The shortest digits of a double; a text that would read as an integer gets ".0".
template <class Number>
void AppendShortest(Text& out, Number value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    const std::string_view digits(buffer, static_cast<size_t>(result.ptr - buffer));
    AppendAscii(out, digits);
    if (digits.find_first_of(".e") == std::string_view::npos) {
        out += u".0";
    }
}

}  // namespace

TextView ViewOf(const WCHAR* text)
{
    if (text == nullptr) {
        return {};
    }
    size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return TextView(reinterpret_cast<const char16_t*>(text), length);
}

void AppendString(Text& out, TextView value)
{
    out.push_back(u'"');
    for (size_t i = 0; i < value.size(); ++i) {
        const char16_t c = value[i];
        if (IsHighSurrogate(c) && i + 1 < value.size() && IsLowSurrogate(value[i + 1])) {
            out.push_back(c);
            out.push_back(value[++i]);
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            AppendHexEscape(out, c);
        } else if (!AppendEscape(out, c, u'"')) {
            out.push_back(c);
        }
    }
    out.push_back(u'"');
}

void AppendChar16(Text& out, char16_t value)
{
    out.push_back(u'\'');
    if (IsHighSurrogate(value) || IsLowSurrogate(value)) {
        AppendHexEscape(out, value);
    } else if (!AppendEscape(out, value, u'\'')) {
        out.push_back(value);
    }
    out.push_back(u'\'');
}

void AppendSigned(Text& out, std::int64_t value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    AppendAscii(out, std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
}

void AppendUnsigned(Text& out, std::uint64_t value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    AppendAscii(out, std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
}

bool AppendReal64(Text& out, double value)
{
    if (!std::isfinite(value)) {
        return false;
    }
    AppendShortest(out, value);
    return true;
}

bool AppendReal32(Text& out, float value)
{
    if (!std::isfinite(value)) {
        return false;
    }
    // The float's own shortest digits usually denote a double that narrows back to it; where they
    // do not, the digits of the widened value do, exactly.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    double read = 0;
    const auto parsed = std::from_chars(buffer, result.ptr, read);
    if (parsed.ec == std::errc() && static_cast<float>(read) == value &&
        std::signbit(static_cast<float>(read)) == std::signbit(value)) {
        AppendShortest(out, value);
    } else {
        AppendShortest(out, static_cast<double>(value));
    }
    return true;
}

void AppendFlavor(Text& out, LONG flavor)
{
    Text words;
    if ((flavor & WBEM_FLAVOR_FLAG_PROPAGATE_TO_INSTANCE) != 0) {
        words += u" ToInstance";
    }
    if ((flavor & WBEM_FLAVOR_FLAG_PROPAGATE_TO_DERIVED_CLASS) == 0) {
        words += u" Restricted";
    }
    if ((flavor & WBEM_FLAVOR_NOT_OVERRIDABLE) != 0) {
        words += u" DisableOverride";
    }
    if ((flavor & WBEM_FLAVOR_AMENDED) != 0) {
        words += u" Amended";
    }
    if (!words.empty()) {
        out += u" :" + words;
    }
}

std::string ToUtf8(TextView text)
{
    std::string utf8;
    utf8.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((static_cast<char32_t>(text[i]) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            utf8.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            utf8.push_back(static_cast<char>(0xC0 | (c >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            utf8.push_back(static_cast<char>(0xE0 | (c >> 12)));
            utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            utf8.push_back(static_cast<char>(0xF0 | (c >> 18)));
            utf8.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return utf8;
}

Text FromUtf8(std::string_view text)
{
    Text utf16;
    utf16.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80           ? 1
                           : (lead >> 5) == 0x6  ? 2
                           : (lead >> 4) == 0xE  ? 3
                           : (lead >> 3) == 0x1E ? 4
                                                 : 0;
        char32_t c = length == 1   ? lead
                     : length == 2 ? (lead & 0x1F)
                     : length == 3 ? (lead & 0x0F)
                                   : (lead & 0x07);
        bool valid = length > 0 && i + static_cast<size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && c >= kSmallest[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        if (!valid) {
            utf16.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            utf16.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            utf16.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            utf16.push_back(static_cast<char16_t>(c));
        }
        i += static_cast<size_t>(length);
    }
    return utf16;
}

Text Folded(TextView name)
{
    Text folded(name);
    for (char16_t& c : folded) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return folded;
}

bool SameName(TextView a, TextView b)
{
    return a.size() == b.size() && Folded(a) == Folded(b);
}

}  // namespace wmicapture
