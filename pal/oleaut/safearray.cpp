// SAFEARRAY: descriptor, element storage and lock count. Arrays of BSTRs, interfaces and VARIANTs
// own their elements: destroying the array frees, releases or clears each one.
#include "safearray.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "accounting.h"

namespace {

constexpr uint32_t kLiveMarker = 0x59524153;  // "SARY"
constexpr uint32_t kFreedMarker = 0x44454546;

// Every array is allocated with this prefix in front of its descriptor; Windows keeps the element
// type in the four bytes right before the descriptor.
struct ArrayPrefix {
    uint32_t marker;
    uint32_t reserved[2];
    uint32_t vartype;
};
static_assert(sizeof(ArrayPrefix) == 16);

ArrayPrefix* PrefixOf(SAFEARRAY* psa)
{
    return reinterpret_cast<ArrayPrefix*>(psa) - 1;
}

void CheckLive(SAFEARRAY* psa)
{
    const uint32_t marker = PrefixOf(psa)->marker;
    if (marker != kLiveMarker) {
        pal::Fatal(marker == kFreedMarker ? "SAFEARRAY used after SafeArrayDestroy"
                                          : "pointer is not a SAFEARRAY");
    }
}

USHORT FeaturesFor(VARTYPE vt)
{
    switch (vt) {
    case VT_BSTR: return FADF_HAVEVARTYPE | FADF_BSTR;
    case VT_UNKNOWN: return FADF_HAVEVARTYPE | FADF_UNKNOWN;
    case VT_DISPATCH: return FADF_HAVEVARTYPE | FADF_DISPATCH;
    case VT_VARIANT: return FADF_HAVEVARTYPE | FADF_VARIANT;
    default: return FADF_HAVEVARTYPE;
    }
}

ULONG ElementCount(const SAFEARRAY* psa)
{
    ULONG count = 1;
    for (USHORT dim = 0; dim < psa->cDims; ++dim) {
        count *= psa->rgsabound[dim].cElements;
    }
    return count;
}

// Allocates a descriptor with `dims` bounds and zeroed storage for `count` elements.
SAFEARRAY* AllocateArray(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds)
{
    const ULONG elementSize = pal::SafeArrayElementSize(vt);
    if (elementSize == 0 || dims == 0 || dims > 0xFFFF) {
        return nullptr;
    }
    if (pal::TakeFault(PAL_FAULT_SAFEARRAY_CREATE)) {
        return nullptr;
    }
    uint64_t count = 1;
    for (UINT dim = 0; dim < dims; ++dim) {
        count *= bounds[dim].cElements;
        if (count * elementSize > std::numeric_limits<uint32_t>::max()) {
            return nullptr;
        }
    }
    const size_t descriptorSize = sizeof(SAFEARRAY) + (dims - 1) * sizeof(SAFEARRAYBOUND);
    auto* prefix = static_cast<ArrayPrefix*>(std::calloc(1, sizeof(ArrayPrefix) + descriptorSize));
    if (prefix == nullptr) {
        return nullptr;
    }
    void* data = std::calloc(count == 0 ? 1 : count, elementSize);
    if (data == nullptr) {
        std::free(prefix);
        return nullptr;
    }
    prefix->marker = kLiveMarker;
    prefix->vartype = vt;
    auto* psa = reinterpret_cast<SAFEARRAY*>(prefix + 1);
    psa->cDims = static_cast<USHORT>(dims);
    psa->fFeatures = FeaturesFor(vt);
    psa->cbElements = elementSize;
    psa->cLocks = 0;
    psa->pvData = data;
    // The descriptor keeps its bounds in reverse order: rgsabound[0] is the last dimension.
    for (UINT dim = 0; dim < dims; ++dim) {
        psa->rgsabound[dims - 1 - dim] = bounds[dim];
    }
    pal::CountCreated(PAL_KIND_SAFEARRAY);
    return psa;
}

void ReleaseElements(SAFEARRAY* psa)
{
    const ULONG count = ElementCount(psa);
    if ((psa->fFeatures & FADF_BSTR) != 0) {
        auto* items = static_cast<BSTR*>(psa->pvData);
        for (ULONG i = 0; i < count; ++i) {
            SysFreeString(items[i]);
            items[i] = nullptr;
        }
    } else if ((psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) != 0) {
        auto* items = static_cast<IUnknown**>(psa->pvData);
        for (ULONG i = 0; i < count; ++i) {
            if (items[i] != nullptr) {
                items[i]->Release();
                items[i] = nullptr;
            }
        }
    } else if ((psa->fFeatures & FADF_VARIANT) != 0) {
        auto* items = static_cast<VARIANT*>(psa->pvData);
        for (ULONG i = 0; i < count; ++i) {
            VariantClear(&items[i]);
        }
    }
}

// Copies one element of an array of vt from `from` to `to`, taking its own copy or reference.
HRESULT CopyElement(VARTYPE vt, const void* from, void* to, ULONG size)
{
    switch (vt) {
    case VT_BSTR: {
        BSTR source = *static_cast<const BSTR*>(from);
        BSTR copy = source == nullptr ? nullptr : SysAllocStringLen(source, SysStringLen(source));
        if (source != nullptr && copy == nullptr) {
            return E_OUTOFMEMORY;
        }
        *static_cast<BSTR*>(to) = copy;
        return S_OK;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        IUnknown* source = *static_cast<IUnknown* const*>(from);
        if (source != nullptr) {
            source->AddRef();
        }
        *static_cast<IUnknown**>(to) = source;
        return S_OK;
    }
    case VT_VARIANT:
        VariantInit(static_cast<VARIANT*>(to));
        return VariantCopy(static_cast<VARIANT*>(to), static_cast<const VARIANT*>(from));
    default: std::memcpy(to, from, size); return S_OK;
    }
}

HRESULT ElementAddress(SAFEARRAY* psa, const LONG* indices, void** address)
{
    // indices[0] is the first (leftmost) dimension, which the descriptor keeps last.
    ULONG offset = 0;
    for (USHORT dim = 0; dim < psa->cDims; ++dim) {
        const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - 1 - dim];
        const int64_t index = int64_t{indices[dim]} - bound.lLbound;
        if (index < 0 || index >= int64_t{bound.cElements}) {
            return DISP_E_BADINDEX;
        }
        offset = offset * bound.cElements + static_cast<ULONG>(index);
    }
    *address = static_cast<unsigned char*>(psa->pvData) + size_t{offset} * psa->cbElements;
    return S_OK;
}

}  // namespace

namespace pal {

ULONG SafeArrayElementSize(VARTYPE vt)
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
    case VT_R4:
    case VT_ERROR: return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8: return 8;
    case VT_BSTR: return sizeof(BSTR);
    case VT_UNKNOWN:
    case VT_DISPATCH: return sizeof(IUnknown*);
    case VT_DECIMAL: return sizeof(DECIMAL);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
    }
}

}  // namespace pal

PALAPI SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound)
{
    if (rgsabound == nullptr) {
        return nullptr;
    }
    return AllocateArray(vt, cDims, rgsabound);
}

PALAPI SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements)
{
    const SAFEARRAYBOUND bound{cElements, lLbound};
    return AllocateArray(vt, 1, &bound);
}

PALAPI HRESULT SafeArrayDestroy(SAFEARRAY* psa)
{
    if (psa == nullptr) {
        return S_OK;
    }
    CheckLive(psa);
    if (psa->cLocks > 0) {
        return DISP_E_ARRAYISLOCKED;
    }
    ReleaseElements(psa);
    std::free(psa->pvData);
    ArrayPrefix* prefix = PrefixOf(psa);
    prefix->marker = kFreedMarker;
    pal::CountDestroyed(PAL_KIND_SAFEARRAY);
    std::free(prefix);
    return S_OK;
}

PALAPI HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut)
{
    if (ppsaOut == nullptr) {
        return E_INVALIDARG;
    }
    *ppsaOut = nullptr;
    if (psa == nullptr) {
        return S_OK;
    }
    CheckLive(psa);
    const VARTYPE vt = static_cast<VARTYPE>(PrefixOf(psa)->vartype);
    SAFEARRAYBOUND bounds[64];
    if (psa->cDims > 64) {
        return E_INVALIDARG;
    }
    for (USHORT dim = 0; dim < psa->cDims; ++dim) {
        bounds[dim] = psa->rgsabound[psa->cDims - 1 - dim];
    }
    SAFEARRAY* copy = AllocateArray(vt, psa->cDims, bounds);
    if (copy == nullptr) {
        return E_OUTOFMEMORY;
    }
    const ULONG count = ElementCount(psa);
    for (ULONG i = 0; i < count; ++i) {
        const auto* from = static_cast<const unsigned char*>(psa->pvData) + size_t{i} * psa->cbElements;
        auto* to = static_cast<unsigned char*>(copy->pvData) + size_t{i} * copy->cbElements;
        const HRESULT hr = CopyElement(vt, from, to, psa->cbElements);
        if (FAILED(hr)) {
            SafeArrayDestroy(copy);
            return hr;
        }
    }
    *ppsaOut = copy;
    return S_OK;
}

PALAPI UINT SafeArrayGetDim(SAFEARRAY* psa)
{
    return psa == nullptr ? 0 : psa->cDims;
}

PALAPI UINT SafeArrayGetElemsize(SAFEARRAY* psa)
{
    return psa == nullptr ? 0 : psa->cbElements;
}

PALAPI HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt)
{
    if (psa == nullptr || pvt == nullptr) {
        return E_INVALIDARG;
    }
    CheckLive(psa);
    *pvt = static_cast<VARTYPE>(PrefixOf(psa)->vartype);
    return S_OK;
}

PALAPI HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound)
{
    if (psa == nullptr || plLbound == nullptr) {
        return E_INVALIDARG;
    }
    CheckLive(psa);
    if (nDim < 1 || nDim > psa->cDims) {
        return DISP_E_BADINDEX;
    }
    *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
    return S_OK;
}

PALAPI HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound)
{
    if (psa == nullptr || plUbound == nullptr) {
        return E_INVALIDARG;
    }
    CheckLive(psa);
    if (nDim < 1 || nDim > psa->cDims) {
        return DISP_E_BADINDEX;
    }
    const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - nDim];
    *plUbound = static_cast<LONG>(int64_t{bound.lLbound} + int64_t{bound.cElements} - 1);
    return S_OK;
}

PALAPI HRESULT SafeArrayLock(SAFEARRAY* psa)
{
    if (psa == nullptr) {
        return E_INVALIDARG;
    }
    CheckLive(psa);
    if (psa->cLocks >= 0xFFFF) {
        return E_UNEXPECTED;
    }
    ++psa->cLocks;
    return S_OK;
}

PALAPI HRESULT SafeArrayUnlock(SAFEARRAY* psa)
{
    if (psa == nullptr) {
        return E_INVALIDARG;
    }
    CheckLive(psa);
    if (psa->cLocks == 0) {
        return E_UNEXPECTED;
    }
    --psa->cLocks;
    return S_OK;
}

PALAPI HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData)
{
    if (psa == nullptr || ppvData == nullptr) {
        return E_INVALIDARG;
    }
    const HRESULT hr = SafeArrayLock(psa);
    *ppvData = SUCCEEDED(hr) ? psa->pvData : nullptr;
    return hr;
}

PALAPI HRESULT SafeArrayUnaccessData(SAFEARRAY* psa)
{
    return SafeArrayUnlock(psa);
}

PALAPI HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv)
{
    if (psa == nullptr || rgIndices == nullptr || pv == nullptr) {
        return E_INVALIDARG;
    }
    CheckLive(psa);
    void* address = nullptr;
    const HRESULT hr = ElementAddress(psa, rgIndices, &address);
    if (FAILED(hr)) {
        return hr;
    }
    return CopyElement(static_cast<VARTYPE>(PrefixOf(psa)->vartype), address, pv, psa->cbElements);
}

PALAPI HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv)
{
    if (psa == nullptr || rgIndices == nullptr) {
        return E_INVALIDARG;
    }
    CheckLive(psa);
    void* address = nullptr;
    HRESULT hr = ElementAddress(psa, rgIndices, &address);
    if (FAILED(hr)) {
        return hr;
    }
    const VARTYPE vt = static_cast<VARTYPE>(PrefixOf(psa)->vartype);
    if (vt == VT_BSTR) {
        // The array takes a copy; the element it held is freed.
        BSTR source = static_cast<BSTR>(pv);
        BSTR copy = source == nullptr ? nullptr : SysAllocStringLen(source, SysStringLen(source));
        if (source != nullptr && copy == nullptr) {
            return E_OUTOFMEMORY;
        }
        SysFreeString(*static_cast<BSTR*>(address));
        *static_cast<BSTR*>(address) = copy;
        return S_OK;
    }
    if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
        auto* source = static_cast<IUnknown*>(pv);
        if (source != nullptr) {
            source->AddRef();
        }
        IUnknown*& slot = *static_cast<IUnknown**>(address);
        if (slot != nullptr) {
            slot->Release();
        }
        slot = source;
        return S_OK;
    }
    if (pv == nullptr) {
        return E_INVALIDARG;
    }
    if (vt == VT_VARIANT) {
        return VariantCopy(static_cast<VARIANT*>(address), static_cast<const VARIANT*>(pv));
    }
    std::memcpy(address, pv, psa->cbElements);
    return S_OK;
}
