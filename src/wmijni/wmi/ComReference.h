// Owners for interfaces that a native object is lent and keeps for its own life.
#pragma once

#include "platform/ComHolders.h"

namespace wmibridge {

// An owner of one more reference to `object`, which the caller keeps its own reference to; null
// stays null.
template <class T>
CComRef<T> AddReference(T* object) noexcept
{
    if (object != nullptr) {
        object->AddRef();
    }
    return CComRef<T>(object);
}

}  // namespace wmibridge
