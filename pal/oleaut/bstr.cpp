// BSTR: UTF-16 text preceded by its byte length and always terminated. A marker word before the
// length lets SysFreeString recognise what is not a live BSTR, where Windows would corrupt the heap.
#include <oleauto.h>

#include <cstdlib>
#include <cstring>

#include "accounting.h"
#include "freed_text.h"

namespace {

constexpr uint32_t kLiveMarker = 0x52545342;  // "BSTR"
constexpr uint32_t kFreedMarker = 0x44454546;

struct BstrHeader {
    uint32_t marker;
    uint32_t byteLength;
};

BstrHeader* HeaderOf(BSTR text)
{
    return reinterpret_cast<BstrHeader*>(text) - 1;
}

BSTR AllocateBytes(const void* source, UINT byteLength)
{
    if (pal::TakeFault(PAL_FAULT_SYSALLOCSTRING)) {
        return nullptr;
    }
    // Header, the bytes, and a whole terminating OLECHAR even for an odd byte length.
    const size_t total = sizeof(BstrHeader) + size_t{byteLength} + 2 * sizeof(OLECHAR);
    if (byteLength > 0x7FFFFFF0u) {
        return nullptr;
    }
    auto* header = static_cast<BstrHeader*>(std::malloc(total));
    if (header == nullptr) {
        return nullptr;
    }
    header->marker = kLiveMarker;
    header->byteLength = byteLength;
    auto* bytes = reinterpret_cast<unsigned char*>(header + 1);
    if (source != nullptr) {
        std::memcpy(bytes, source, byteLength);
    } else {
        std::memset(bytes, 0, byteLength);
    }
    std::memset(bytes + byteLength, 0, 2 * sizeof(OLECHAR));
    pal::CountCreated(PAL_KIND_BSTR);
    return reinterpret_cast<BSTR>(bytes);
}

UINT TextLength(const OLECHAR* text)
{
    UINT length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

}  // namespace

PALAPI BSTR SysAllocString(const OLECHAR* psz)
{
    if (psz == nullptr) {
        return nullptr;
    }
    const UINT length = TextLength(psz);
    if (length > 0x3FFFFFF0u) {
        return nullptr;
    }
    return AllocateBytes(psz, length * UINT{sizeof(OLECHAR)});
}

PALAPI BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui)
{
    if (ui > 0x3FFFFFF0u) {
        return nullptr;
    }
    return AllocateBytes(strIn, ui * UINT{sizeof(OLECHAR)});
}

PALAPI BSTR SysAllocStringByteLen(LPCSTR psz, UINT len)
{
    return AllocateBytes(psz, len);
}

PALAPI void SysFreeString(BSTR bstrString)
{
    if (bstrString == nullptr) {
        return;
    }
    BstrHeader* header = HeaderOf(bstrString);
    if (header->marker != kLiveMarker) {
        pal::Fatal(header->marker == kFreedMarker ? "SysFreeString of a BSTR freed before"
                                                  : "SysFreeString of a pointer that is not a BSTR");
    }
    pal::CheckFreedBlock(bstrString, header->byteLength);
    header->marker = kFreedMarker;
    pal::CountDestroyed(PAL_KIND_BSTR);
    std::free(header);
}

PALAPI UINT SysStringLen(BSTR pbstr)
{
    return pbstr == nullptr ? 0 : HeaderOf(pbstr)->byteLength / UINT{sizeof(OLECHAR)};
}

PALAPI UINT SysStringByteLen(BSTR bstr)
{
    return bstr == nullptr ? 0 : HeaderOf(bstr)->byteLength;
}
