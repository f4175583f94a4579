// The COM task allocator.
#include <objbase.h>

#include <cstdlib>

#include "accounting.h"

PALAPI LPVOID CoTaskMemAlloc(SIZE_T cb)
{
    if (pal::TakeFault(PAL_FAULT_TASKMEM_ALLOC)) {
        return nullptr;
    }
    void* block = std::malloc(cb == 0 ? 1 : cb);
    if (block != nullptr) {
        pal::CountCreated(PAL_KIND_TASKMEM);
    }
    return block;
}

PALAPI LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb)
{
    if (pv == nullptr) {
        return CoTaskMemAlloc(cb);
    }
    if (pal::TakeFault(PAL_FAULT_TASKMEM_ALLOC)) {
        return nullptr;
    }
    return std::realloc(pv, cb == 0 ? 1 : cb);
}

PALAPI void CoTaskMemFree(LPVOID pv)
{
    if (pv != nullptr) {
        pal::CountDestroyed(PAL_KIND_TASKMEM);
        std::free(pv);
    }
}
