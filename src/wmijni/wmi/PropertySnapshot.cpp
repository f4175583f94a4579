#include "wmi/PropertySnapshot.h"

#include <new>

#include "wmi/EnumerationLock.h"

namespace wmibridge {
namespace {

// Ends the object's enumeration on every way out of the walk.
class CEnumerationScope {
public:
    explicit CEnumerationScope(IWbemClassObject* object) noexcept : m_object(object) {}
    ~CEnumerationScope() { m_object->EndEnumeration(); }

    CEnumerationScope(const CEnumerationScope&) = delete;
    CEnumerationScope& operator=(const CEnumerationScope&) = delete;

private:
    IWbemClassObject* m_object;
};

// The walk itself; the caller holds the object's lock. Next answers S_OK for each property and
// WBEM_S_NO_MORE_DATA at the end; any other success code ends the walk as well.
HRESULT Walk(IWbemClassObject* object, LONG enumFlags, PropertySnapshot& snapshot)
{
    const HRESULT begun = object->BeginEnumeration(enumFlags);
    if (FAILED(begun)) {
        return begun;
    }
    CEnumerationScope scope(object);
    for (;;) {
        CPropertyEntry& entry = snapshot.emplace_back();
        const HRESULT hr = object->Next(0, entry.name.Put(), entry.value.Address(), &entry.type, nullptr);
        if (hr != WBEM_S_NO_ERROR) {
            snapshot.pop_back();
            return SUCCEEDED(hr) ? S_OK : hr;
        }
    }
}

}  // namespace

ErrorCode TakePropertySnapshot(IWbemClassObject* object, LONG enumFlags, PropertySnapshot& snapshot) noexcept
{
    if (object == nullptr) {
        return kInvalidParameter;
    }
    HRESULT hr = WBEM_S_NO_ERROR;
    try {
        CEnumerationLock lock(object);
        hr = Walk(object, enumFlags, snapshot);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;  // the snapshot's own storage; mapped to kOutOfMemory like WMI's own
    }
    if (FAILED(hr)) {
        snapshot.clear();
        return HResultToCode(hr);
    }
    return kSuccess;
}

}  // namespace wmibridge
