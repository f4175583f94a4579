#include "wmicapture/MofText.h"

#include <algorithm>
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

bool IsCimDatetime(TextView text)
{
    const auto digitsOrStars = [](TextView part) {
        return std::all_of(part.begin(), part.end(),
                           [](char16_t c) { return (c >= u'0' && c <= u'9') || c == u'*'; });
    };
    if (text.size() != 25 || text[14] != u'.' || !digitsOrStars(text.substr(0, 14)) ||
        !digitsOrStars(text.substr(15, 6))) {
        return false;
    }
    if (text[21] == u':') {
        return text.substr(22) == u"000";
    }
    return (text[21] == u'+' || text[21] == u'-') && digitsOrStars(text.substr(22));
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
