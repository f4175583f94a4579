#include "values/ValueText.h"

#include "text/Utf16.h"

namespace wmibridge {
namespace {

constexpr VARIANT_BOOL kVariantTrue = static_cast<VARIANT_BOOL>(0xFFFF);

template <class T>
T Read(const void* value)
{
    return *static_cast<const T*>(value);
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
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
        buffer[0] = 0;
        out = {buffer, 0};
        return true;
    case VT_I1: Signed(Read<signed char>(value), buffer, out); return true;
    case VT_I2: Signed(Read<SHORT>(value), buffer, out); return true;
    case VT_I4:
    case VT_INT: Signed(Read<int32_t>(value), buffer, out); return true;
    case VT_UI1: Unsigned(Read<BYTE>(value), buffer, out); return true;
    case VT_UI2: Unsigned(Read<USHORT>(value), buffer, out); return true;
    case VT_UI4:
    case VT_UINT: Unsigned(Read<uint32_t>(value), buffer, out); return true;
    case VT_R4: Fixed(static_cast<double>(Read<FLOAT>(value)), buffer, out); return true;
    case VT_R8: Fixed(Read<DOUBLE>(value), buffer, out); return true;
    case VT_BOOL:
        buffer[0] = Read<VARIANT_BOOL>(value) == kVariantTrue ? u'1' : u'0';
        buffer[1] = 0;
        out = {buffer, 1};
        return true;
    case VT_BSTR: {
        const BSTR string = Read<BSTR>(value);
        if (string == nullptr) {
            buffer[0] = 0;
            out = {buffer, 0};
        } else {
            out = {string, text::Length(string)};
        }
        return true;
    }
    default: return false;
    }
}

bool VariantText(const VARIANT* value, ValueTextBuffer& buffer, ValueText& out) noexcept
{
    // Every member of the value union starts at the same address.
    return ScalarText(V_VT(value), &V_UI1(value), buffer, out);
}

bool IsReadableArrayElement(VARTYPE vt) noexcept
{
    switch (vt) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_INT:
    case VT_UI4:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_BSTR:
    case VT_BOOL: return true;
    default: return false;
    }
}

}  // namespace wmibridge
