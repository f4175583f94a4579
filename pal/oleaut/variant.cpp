// VARIANT: a tagged value that owns the string, array or interface reference it holds.
#include <oleauto.h>

#include <cstring>

#include "safearray.h"

namespace {

bool IsValidScalarType(VARTYPE vt)
{
    return (vt <= VT_DECIMAL && vt != VT_VARIANT) || (vt >= VT_I1 && vt <= VT_UINT) || vt == VT_RECORD;
}

bool IsValidType(VARTYPE vt)
{
    if ((vt & VT_BYREF) != 0) {
        return true;
    }
    if ((vt & VT_ARRAY) != 0) {
        return pal::SafeArrayElementSize(vt & VT_TYPEMASK) != 0 && (vt & ~(VT_ARRAY | VT_TYPEMASK)) == 0;
    }
    return IsValidScalarType(vt);
}

}  // namespace

PALAPI void VariantInit(VARIANTARG* pvarg)
{
    if (pvarg != nullptr) {
        std::memset(pvarg, 0, sizeof(*pvarg));
        V_VT(pvarg) = VT_EMPTY;
    }
}

PALAPI HRESULT VariantClear(VARIANTARG* pvarg)
{
    if (pvarg == nullptr) {
        return E_INVALIDARG;
    }
    const VARTYPE vt = V_VT(pvarg);
    if (!IsValidType(vt)) {
        return DISP_E_BADVARTYPE;
    }
    if ((vt & VT_BYREF) == 0) {
        if ((vt & VT_ARRAY) != 0) {
            const HRESULT hr = SafeArrayDestroy(V_ARRAY(pvarg));
            if (FAILED(hr)) {
                return hr;
            }
        } else if (vt == VT_BSTR) {
            SysFreeString(V_BSTR(pvarg));
        } else if ((vt == VT_UNKNOWN || vt == VT_DISPATCH) && V_UNKNOWN(pvarg) != nullptr) {
            V_UNKNOWN(pvarg)->Release();
        }
    }
    std::memset(pvarg, 0, sizeof(*pvarg));
    V_VT(pvarg) = VT_EMPTY;
    return S_OK;
}

PALAPI HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc)
{
    if (pvargDest == nullptr || pvargSrc == nullptr) {
        return E_INVALIDARG;
    }
    if (pvargDest == pvargSrc) {
        return S_OK;
    }
    const VARTYPE vt = V_VT(pvargSrc);
    if (!IsValidType(vt)) {
        return DISP_E_BADVARTYPE;
    }
    HRESULT hr = VariantClear(pvargDest);
    if (FAILED(hr)) {
        return hr;
    }
    VARIANT copy;
    std::memcpy(&copy, pvargSrc, sizeof(copy));
    if ((vt & VT_BYREF) == 0) {
        if ((vt & VT_ARRAY) != 0) {
            hr = SafeArrayCopy(V_ARRAY(pvargSrc), &V_ARRAY(&copy));
            if (FAILED(hr)) {
                return hr;
            }
        } else if (vt == VT_BSTR && V_BSTR(pvargSrc) != nullptr) {
            V_BSTR(&copy) = SysAllocStringLen(V_BSTR(pvargSrc), SysStringLen(V_BSTR(pvargSrc)));
            if (V_BSTR(&copy) == nullptr) {
                return E_OUTOFMEMORY;
            }
        } else if ((vt == VT_UNKNOWN || vt == VT_DISPATCH) && V_UNKNOWN(pvargSrc) != nullptr) {
            V_UNKNOWN(pvargSrc)->AddRef();
        }
    }
    std::memcpy(pvargDest, &copy, sizeof(copy));
    return S_OK;
}
