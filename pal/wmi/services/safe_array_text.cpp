#include "services/safe_array_text.h"

#include "base/text.h"

namespace pal::services {

std::u16string JoinStringArray(SAFEARRAY* array, std::u16string_view separator)
{
    std::u16string joined;
    LONG lower = 0, upper = -1;
    if (array == nullptr || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper))) {
        return joined;
    }
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
        return joined;
    }
    const auto* elements = static_cast<const BSTR*>(data);
    for (LONG i = 0; i <= upper - lower; ++i) {
        if (i > 0) {
            joined += separator;
        }
        joined += ViewOf(elements[i]);
    }
    SafeArrayUnaccessData(array);
    return joined;
}

}  // namespace pal::services
