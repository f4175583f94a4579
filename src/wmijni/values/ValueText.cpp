#include "values/ValueText.h"

#include "text/Utf16.h"
#include "values/VarTypes.h"

namespace wmibridge {
namespace {

template <class T>
T Read(const void* value)
{
    return *static_cast<const T*>(value);
}

// A signed integer of `size` bytes (1, 2 or 4, as the table of types guarantees).
int64_t ReadSigned(const void* value, size_t size)
{
    switch (size) {
    case 1: return Read<signed char>(value);
    case 2: return Read<SHORT>(value);
    default: return Read<int32_t>(value);
    }
}

// An unsigned integer of `size` bytes (1, 2 or 4).
uint64_t ReadUnsigned(const void* value, size_t size)
{
    switch (size) {
    case 1: return Read<BYTE>(value);
    case 2: return Read<USHORT>(value);
    default: return Read<uint32_t>(value);
    }
}

// A float (widened) or a double, by `size`.
double ReadReal(const void* value, size_t size)
{
    return size == sizeof(FLOAT) ? static_cast<double>(Read<FLOAT>(value)) : Read<DOUBLE>(value);
}

void Signed(int64_t number, ValueTextBuffer& buffer, ValueText& out)
{
    out.length = text::FormatSigned(number, buffer, text::kFixedTextCapacity);
    out.chars = buffer;
}

void Unsigned(uint64_t number, ValueTextBuffer& buffer, ValueText& out)
{
    out.length = text::FormatUnsigned(number, buffer, text::kFixedTextCapacity);
    out.chars = buffer;
}

void Fixed(double number, ValueTextBuffer& buffer, ValueText& out)
{
    out.length = text::FormatFixed6(number, buffer, text::kFixedTextCapacity);
    out.chars = buffer;
}

}  // namespace

bool ScalarText(VARTYPE vt, const void* value, ValueTextBuffer& buffer, ValueText& out) noexcept
{
    const VarTypeRule* rule = FindVarType(vt);
    if (rule == nullptr) {
        return false;
    }
    switch (rule->text) {
    case TextRule::None: return false;
    case TextRule::Empty:
        buffer[0] = 0;
        out = {buffer, 0};
        return true;
    case TextRule::Signed: Signed(ReadSigned(value, rule->size), buffer, out); return true;
    case TextRule::Unsigned: Unsigned(ReadUnsigned(value, rule->size), buffer, out); return true;
    case TextRule::Fixed: Fixed(ReadReal(value, rule->size), buffer, out); return true;
    case TextRule::Boolean:
        buffer[0] = Read<VARIANT_BOOL>(value) == VARIANT_TRUE ? u'1' : u'0';
        buffer[1] = 0;
        out = {buffer, 1};
        return true;
    case TextRule::String: {
        const BSTR string = Read<BSTR>(value);
        if (string == nullptr) {
            buffer[0] = 0;
            out = {buffer, 0};
        } else {
            out = {string, text::Length(string)};
        }
        return true;
    }
    }
    return false;
}

bool VariantText(const VARIANT* value, ValueTextBuffer& buffer, ValueText& out) noexcept
{
    // Every member of the value union starts at the same address.
    return ScalarText(V_VT(value), &V_UI1(value), buffer, out);
}

bool IsReadableArrayElement(VARTYPE vt) noexcept
{
    const VarTypeRule* rule = FindVarType(vt);
    return rule != nullptr && rule->arrayOfText;
}

}  // namespace wmibridge
