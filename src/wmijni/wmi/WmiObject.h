// CWmiObject: one WMI class object or instance held for Java, shared by counting between the
// result set that collected it and every object handle that refers to it.
#pragma once

#include "platform/ComHolders.h"
#include "platform/platform.h"
#include "wmi/ComApartment.h"
#include "wmi/RefPtr.h"

namespace wmibridge {

class CWmiObject final : public CRefCounted {
public:
    // Takes a COM reference of its own to `object` (which may be null).
    explicit CWmiObject(IWbemClassObject* object) noexcept;
    // Takes over the caller's reference to `object`.
    enum class TakeOver { Reference };
    CWmiObject(IWbemClassObject* object, TakeOver) noexcept;

    IWbemClassObject* Object() const { return m_object.Get(); }

private:
    // Declared first so that it is destroyed last: COM is given back after the object is released.
    CComInitHold m_apartment;
    CComRef<IWbemClassObject> m_object;
};

// Wraps `raw` in a new CWmiObject and assigns it to `target`. A null `raw`, or a wrapper that
// cannot be allocated, leaves `target` unchanged and gives false. The caller keeps its own
// reference to `raw` and releases it itself.
bool Wrap(CRefPtr<CWmiObject>& target, IWbemClassObject* raw) noexcept;

// As Wrap, but the wrapper takes over the caller's reference to `raw` (a query's batch slot, for
// example) instead of adding one that the caller then releases; the end is the same: the wrapper
// holds the only reference. On failure the caller keeps its reference.
bool WrapOwned(CRefPtr<CWmiObject>& target, IWbemClassObject* raw) noexcept;

// The object pointer of a handle's wrapper, without a reference; null for an empty handle.
IWbemClassObject* ObjectPointer(const CRefPtr<CWmiObject>& object) noexcept;

}  // namespace wmibridge
