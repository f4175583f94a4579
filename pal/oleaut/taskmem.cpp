// The COM task allocator.
#include <objbase.h>

#include <malloc.h>

#include <cstdlib>

#include "accounting.h"
#include "freed_text.h"

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
        pal::CheckFreedBlock(pv, malloc_usable_size(pv));
        pal::CountDestroyed(PAL_KIND_TASKMEM);
        std::free(pv);
    }
}
