#include "wmi/ObjectProperty.h"

#include "platform/ComHolders.h"

namespace wmibridge {
namespace {

// Common checks of a handle's object: 87 for an empty handle, 4312 for a wrapper without object.
IWbemClassObject* CheckedObject(const CRefPtr<CWmiObject>& object, ErrorCode& code) noexcept
{
    code = kInvalidParameter;
    if (object.IsEmpty()) {
        return nullptr;
    }
    if (object->Object() == nullptr) {
        code = kObjectNotFound;
        return nullptr;
    }
    return object->Object();
}

}  // namespace

bool ObjectGetProperty(const CRefPtr<CWmiObject>& object, const WCHAR* name, VARIANT* value,
                       ErrorCode& code) noexcept
{
    IWbemClassObject* wmiObject = CheckedObject(object, code);
    if (wmiObject == nullptr) {
        return false;
    }
    const HRESULT hr = wmiObject->Get(name, 0, value, nullptr, nullptr);
    if (FAILED(hr)) {
        VariantClear(value);
        code = HResultToCode(hr);
        return false;
    }
    code = kSuccess;
    return true;
}

bool ObjectGetPropertyQualifier(const CRefPtr<CWmiObject>& object, const WCHAR* property,
                                const WCHAR* qualifier, VARIANT* value, ErrorCode& code) noexcept
{
    IWbemClassObject* wmiObject = CheckedObject(object, code);
    if (wmiObject == nullptr) {
        return false;
    }
    CComRef<IWbemQualifierSet> qualifiers;
    HRESULT hr = wmiObject->GetPropertyQualifierSet(property, qualifiers.Put());
    if (SUCCEEDED(hr)) {
        hr = qualifiers->Get(qualifier, 0, value, nullptr);
    }
    if (FAILED(hr)) {
        VariantClear(value);
        code = HResultToCode(hr);
        return false;
    }
    code = kSuccess;
    return true;
}

}  // namespace wmibridge
