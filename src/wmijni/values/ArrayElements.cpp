#include "values/ArrayElements.h"

namespace wmibridge {

size_t ArrayElementSize(VARTYPE vt) noexcept
{
    switch (vt) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4: return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8: return 8;
    case VT_BSTR: return sizeof(BSTR);
    case VT_UNKNOWN: return sizeof(IUnknown*);
    case VT_DISPATCH: return sizeof(IDispatch*);
    default: return 0;
    }
}

CArrayElements::CArrayElements(SAFEARRAY* array, VARTYPE vt) noexcept
    : m_size(ArrayElementSize(vt)), m_data(Readable(array, m_size, m_count))
{
}

SAFEARRAY* CArrayElements::Readable(SAFEARRAY* array, size_t size, int64_t& count) noexcept
{
    LONG lower = 0;
    LONG upper = -1;
    if (array == nullptr || size == 0 || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper)) || lower > upper) {
        return nullptr;
    }
    if (SafeArrayGetElemsize(array) != size) {
        return nullptr;  // the elements are not of the type the value claims
    }
    count = int64_t{upper} - lower + 1;
    return array;
}

}  // namespace wmibridge
