// What the library knows of each VARTYPE, in one table: the size of an element as a SAFEARRAY
// stores it, the rule by which a value becomes text, and whether arrays of it are read element by
// element as text. ArrayElementSize, ScalarText and IsReadableArrayElement all read this table, so
// a type added here is known to all three at once, and a type missing here is refused by all three.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace wmibridge {

// How a value becomes text (ValueText.h gives the exact formats).
enum class TextRule : uint8_t {
    None,      // the type has no text
    Empty,     // ""
    Signed,    // signed decimal of `size` bytes
    Unsigned,  // unsigned decimal of `size` bytes
    Fixed,     // fixed with six decimals, of a `size`-byte floating-point number
    Boolean,   // "1" for VARIANT_TRUE, "0" otherwise
    String,    // the characters of a BSTR
};

struct VarTypeRule {
    VARTYPE vt;
    uint8_t size;      // bytes of one array element; 0 for a type no array is read as
    TextRule text;     // how one value becomes text
    bool arrayOfText;  // arrays of the type are read, element by element, as text
};

inline constexpr VarTypeRule kVarTypeRules[] = {
    {VT_EMPTY, 0, TextRule::Empty, false},
    {VT_NULL, 0, TextRule::Empty, false},
    {VT_I1, 1, TextRule::Signed, true},
    {VT_UI1, 1, TextRule::Unsigned, true},
    {VT_I2, 2, TextRule::Signed, true},
    {VT_UI2, 2, TextRule::Unsigned, true},
    {VT_I4, 4, TextRule::Signed, true},
    {VT_INT, 4, TextRule::Signed, true},
    {VT_UI4, 4, TextRule::Unsigned, true},
    {VT_UINT, 4, TextRule::Unsigned, true},
    {VT_I8, 8, TextRule::None, false},
    {VT_UI8, 8, TextRule::None, false},
    {VT_R4, 4, TextRule::Fixed, true},
    {VT_R8, 8, TextRule::Fixed, true},
    {VT_BOOL, 2, TextRule::Boolean, true},
    {VT_BSTR, sizeof(BSTR), TextRule::String, true},
    {VT_UNKNOWN, sizeof(IUnknown*), TextRule::None, false},
    {VT_DISPATCH, sizeof(IDispatch*), TextRule::None, false},
};

// The row of `vt`, or null for a type the library does not know.
constexpr const VarTypeRule* FindVarType(VARTYPE vt) noexcept
{
    for (const VarTypeRule& rule : kVarTypeRules) {
        if (rule.vt == vt) {
            return &rule;
        }
    }
    return nullptr;
}

namespace vartype_checks {

// Every row is consistent: an array read as text has elements of a size the text rule reads, and
// no type is listed twice.
constexpr bool RowsAgree() noexcept
{
    for (const VarTypeRule& rule : kVarTypeRules) {
        if (FindVarType(rule.vt) != &rule) {
            return false;
        }
        if (rule.arrayOfText &&
            (rule.size == 0 || rule.text == TextRule::None || rule.text == TextRule::Empty)) {
            return false;
        }
        const bool integer = rule.text == TextRule::Signed || rule.text == TextRule::Unsigned;
        if (integer && rule.size != 1 && rule.size != 2 && rule.size != 4) {
            return false;
        }
        if (rule.text == TextRule::Fixed && rule.size != sizeof(FLOAT) && rule.size != sizeof(DOUBLE)) {
            return false;
        }
        if (rule.text == TextRule::Boolean && rule.size != sizeof(VARIANT_BOOL)) {
            return false;
        }
    }
    return true;
}
static_assert(RowsAgree());

}  // namespace vartype_checks

}  // namespace wmibridge
