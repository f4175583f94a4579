#include "values/ArrayElements.h"

#include "values/VarTypes.h"

namespace wmibridge {

size_t ArrayElementSize(VARTYPE vt) noexcept
{
    const VarTypeRule* rule = FindVarType(vt);
    return rule == nullptr ? 0 : rule->size;
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
