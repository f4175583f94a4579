#include "values/PropertyWrite.h"

#include "text/NumberText.h"

namespace wmibridge {

ErrorCode ObjectPutProperty(const CRefPtr<CWmiObject>& object, const WCHAR* name, VARIANT* value) noexcept
{
    if (object.IsEmpty()) {
        return kInvalidParameter;
    }
    if (object->Object() == nullptr) {
        return kObjectNotFound;
    }
    const HRESULT hr = object->Object()->Put(name, 0, value, 0);
    return FAILED(hr) ? HResultToCode(hr) : kSuccess;
}

ErrorCode FillVariantAsType(VARIANT* value, VARTYPE type, int64_t number) noexcept
{
    const auto bits = static_cast<uint64_t>(number);
    switch (type) {
    case VT_I2:
    case VT_UI2: V_UI2(value) = static_cast<USHORT>(bits); break;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT: V_UI4(value) = static_cast<ULONG>(bits); break;
    case VT_I1:
    case VT_UI1: V_UI1(value) = static_cast<BYTE>(bits); break;
    case VT_R4: V_R4(value) = static_cast<FLOAT>(number); break;
    case VT_R8: V_R8(value) = static_cast<DOUBLE>(number); break;
    case VT_BOOL: V_BOOL(value) = number != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
    case VT_I8:
    case VT_UI8: {
        WCHAR digits[text::kIntegerTextCapacity];
        if (type == VT_I8) {
            text::FormatSigned(number, digits, text::kIntegerTextCapacity);
        } else {
            text::FormatUnsigned(bits, digits, text::kIntegerTextCapacity);
        }
        BSTR textValue = SysAllocString(digits);
        if (textValue == nullptr) {
            return kOutOfMemory;
        }
        V_VT(value) = VT_BSTR;
        V_BSTR(value) = textValue;
        return kSuccess;
    }
    default: return kInvalidParameter;
    }
    V_VT(value) = type;
    return kSuccess;
}

}  // namespace wmibridge
