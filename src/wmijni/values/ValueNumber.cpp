#include "values/ValueNumber.h"

#include <cstring>

namespace wmibridge {
namespace {

template <class T>
T Read(const void* value)
{
    T read;
    std::memcpy(&read, value, sizeof(T));
    return read;
}

int64_t DoubleBits(double real)
{
    static_assert(sizeof(double) == sizeof(int64_t));
    int64_t bits;
    std::memcpy(&bits, &real, sizeof(bits));
    return bits;
}

}  // namespace

bool IsNumericType(VARTYPE vt) noexcept
{
    int64_t ignored = 0;
    const unsigned char zeros[8] = {};
    return ScalarNumber(vt, zeros, ignored);
}

bool ScalarNumber(VARTYPE vt, const void* value, int64_t& number) noexcept
{
    switch (vt) {
    case VT_I1: number = Read<signed char>(value); return true;
    case VT_I2: number = Read<SHORT>(value); return true;
    case VT_I4:
    case VT_INT: number = Read<int32_t>(value); return true;
    case VT_I8: number = Read<int64_t>(value); return true;
    case VT_UI1: number = Read<BYTE>(value); return true;
    case VT_UI2: number = Read<USHORT>(value); return true;
    case VT_UI4:
    case VT_UINT: number = Read<uint32_t>(value); return true;
    case VT_UI8: number = static_cast<int64_t>(Read<uint64_t>(value)); return true;
    case VT_R4: number = DoubleBits(static_cast<double>(Read<FLOAT>(value))); return true;
    case VT_R8: number = DoubleBits(Read<DOUBLE>(value)); return true;
    case VT_BOOL: number = Read<VARIANT_BOOL>(value) == VARIANT_TRUE ? 1 : 0; return true;
    default: number = 0; return false;
    }
}

}  // namespace wmibridge
