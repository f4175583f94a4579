#include "wmi/WmiObject.h"

#include <new>

#include "wmi/ComReference.h"

namespace wmibridge {

CWmiObject::CWmiObject(IWbemClassObject* object) noexcept : m_object(AddReference(object)) {}

CWmiObject::CWmiObject(IWbemClassObject* object, TakeOver) noexcept : m_object(object) {}

bool Wrap(CRefPtr<CWmiObject>& target, IWbemClassObject* raw) noexcept
{
    if (raw == nullptr) {
        return false;
    }
    auto* wrapper = new (std::nothrow) CWmiObject(raw);
    if (wrapper == nullptr) {
        return false;
    }
    target = wrapper;
    return true;
}

bool WrapOwned(CRefPtr<CWmiObject>& target, IWbemClassObject* raw) noexcept
{
    if (raw == nullptr) {
        return false;
    }
    auto* wrapper = new (std::nothrow) CWmiObject(raw, CWmiObject::TakeOver::Reference);
    if (wrapper == nullptr) {
        return false;
    }
    target = wrapper;
    return true;
}

IWbemClassObject* ObjectPointer(const CRefPtr<CWmiObject>& object) noexcept
{
    return object.IsEmpty() ? nullptr : object->Object();
}

}  // namespace wmibridge
