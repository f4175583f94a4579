// An object's properties as IWbemClassObject::Next delivers them — name, value and CIM type — taken
// in one walk under the object's enumeration lock, so that what is made of them later (Java
// values, the walks of embedded objects) runs without holding any lock.
#pragma once

#include <deque>

#include "platform/ComHolders.h"
#include "platform/platform.h"
#include "wmi/ErrorCodes.h"

namespace wmibridge {

struct CPropertyEntry {
    CBstr name;
    CVariant value;
    CIMTYPE type = CIM_EMPTY;
};

// In WMI's order. Entries are built in place: a VARIANT cannot be moved.
using PropertySnapshot = std::deque<CPropertyEntry>;

// BeginEnumeration(enumFlags), Next until WBEM_S_NO_MORE_DATA, EndEnumeration. The mapped result
// of a failed BeginEnumeration or Next, or kOutOfMemory when memory ran out; `snapshot` is then
// cleared.
ErrorCode TakePropertySnapshot(IWbemClassObject* object, LONG enumFlags, PropertySnapshot& snapshot) noexcept;

}  // namespace wmibridge
