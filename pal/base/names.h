// The naming rules of the emulated system, in one place: names of namespaces, classes,
// properties, qualifiers and methods, of hosts and accounts, and of registry keys and values are
// compared without regard to case, all by the one rule below; and the system properties.
//
// The rule folds the capital letters of ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic to
// their small letters, without locales. ASCII text takes a short path.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace pal {

namespace names_detail {

constexpr char16_t LowerNonAscii(char16_t c) noexcept
{
    const bool latin1Capital = c >= 0xC0 && c <= 0xDE && c != 0xD7;
    const bool greekCapital = c >= 0x391 && c <= 0x3AB && c != 0x3A2;
    const bool cyrillicCapital = c >= 0x410 && c <= 0x42F;
    if (latin1Capital || greekCapital || cyrillicCapital) {
        return static_cast<char16_t>(c + 0x20);
    }
    if (c >= 0x400 && c <= 0x40F) {
        return static_cast<char16_t>(c + 0x50);
    }
    if (c == 0x178) {  // the capital of the last small letter of Latin-1
        return 0xFF;
    }
    // Latin Extended-A pairs capital and small letters as even and odd code points.
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        const bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        const bool isCapital = oddCapitals ? (c % 2 == 1) : (c % 2 == 0);
        return isCapital ? static_cast<char16_t>(c + 1) : c;
    }
    return c;
}

constexpr char16_t UpperNonAscii(char16_t c) noexcept
{
    const bool latin1Small = c >= 0xE0 && c <= 0xFE && c != 0xF7;
    const bool greekSmall = c >= 0x3B1 && c <= 0x3CB && c != 0x3C2;
    const bool cyrillicSmall = c >= 0x430 && c <= 0x44F;
    if (latin1Small || greekSmall || cyrillicSmall) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c >= 0x450 && c <= 0x45F) {
        return static_cast<char16_t>(c - 0x50);
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if (c >= 0x100 && c <= 0x17F && LowerNonAscii(static_cast<char16_t>(c - 1)) == c) {
        return static_cast<char16_t>(c - 1);
    }
    return c;
}

}  // namespace names_detail

// The small letter of a capital, under the rule; any other code unit as it is.
constexpr char16_t FoldCase(char16_t c) noexcept
{
    if (c < 0x80) {
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
    }
    return names_detail::LowerNonAscii(c);
}

// The capital of a small letter, under the same rule (FoldCase(UpperCase(c)) == FoldCase(c)).
constexpr char16_t UpperCase(char16_t c) noexcept
{
    if (c < 0x80) {
        return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
    }
    return names_detail::UpperNonAscii(c);
}

// <0, 0 or >0 as a orders before, equal to or after b, ignoring case.
constexpr int CompareIgnoringCase(std::u16string_view a, std::u16string_view b) noexcept
{
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        const char16_t x = FoldCase(a[i]);
        const char16_t y = FoldCase(b[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

constexpr bool NamesEqual(std::u16string_view a, std::u16string_view b) noexcept
{
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && FoldCase(a[i]) != FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

// Orders names the way CompareIgnoringCase does.
constexpr bool NameLess(std::u16string_view a, std::u16string_view b) noexcept
{
    return CompareIgnoringCase(a, b) < 0;
}

// The upper-case form of a name: the key of a name in a map (equal names give the same key), and
// how machine names are shown.
inline std::u16string FoldName(std::u16string_view name)
{
    std::u16string folded(name);
    for (char16_t& c : folded) {
        c = UpperCase(c);
    }
    return folded;
}

// The system properties that every class object and instance reports, in the order in which
// objects list them.
inline constexpr std::array<std::u16string_view, 10> kSystemPropertyNames{
    u"__GENUS",          u"__CLASS",      u"__SUPERCLASS", u"__DYNASTY",   u"__RELPATH",
    u"__PROPERTY_COUNT", u"__DERIVATION", u"__SERVER",     u"__NAMESPACE", u"__PATH"};

// Whether a name is one of the system properties, in any case.
constexpr bool IsSystemProperty(std::u16string_view name) noexcept
{
    for (const std::u16string_view systemName : kSystemPropertyNames) {
        if (NamesEqual(name, systemName)) {
            return true;
        }
    }
    return false;
}

// Whether a property name lies in the space that WMI reserves for system properties: it begins
// with two underscores. Such a name is never a property of a class: an object answers for it as
// a system property or not at all, and refuses to set, delete or qualify it.
constexpr bool IsReservedPropertyName(std::u16string_view name) noexcept
{
    return name.size() >= 2 && name[0] == u'_' && name[1] == u'_';
}

}  // namespace pal
