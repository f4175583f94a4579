#include "wmi/ObjectProperty.h"

#include "platform/ComHolders.h"

namespace wmibridge {
namespace {

// The common checks of a handle's object: kInvalidParameter for an empty handle, kObjectNotFound
// for a wrapper without object.
ErrorCode CheckObject(const CRefPtr<CWmiObject>& object) noexcept
{
    if (object.IsEmpty()) {
        return kInvalidParameter;
    }
    return object->Object() == nullptr ? kObjectNotFound : kSuccess;
}

// The code of a read into `value`, which a failed read leaves cleared.
ErrorCode Finish(HRESULT hr, VARIANT* value) noexcept
{
    if (FAILED(hr)) {
        VariantClear(value);
        return HResultToCode(hr);
    }
    return kSuccess;
}

}  // namespace

ErrorCode ObjectGetProperty(const CRefPtr<CWmiObject>& object, const WCHAR* name, VARIANT* value) noexcept
{
    const ErrorCode code = CheckObject(object);
    if (code != kSuccess) {
        return code;
    }
    return Finish(object->Object()->Get(name, 0, value, nullptr, nullptr), value);
}

ErrorCode ObjectGetPropertyQualifier(const CRefPtr<CWmiObject>& object, const WCHAR* property,
                                     const WCHAR* qualifier, VARIANT* value) noexcept
{
    const ErrorCode code = CheckObject(object);
    if (code != kSuccess) {
        return code;
    }
    CComRef<IWbemQualifierSet> qualifiers;
    HRESULT hr = object->Object()->GetPropertyQualifierSet(property, qualifiers.Put());
    if (SUCCEEDED(hr)) {
        hr = qualifiers->Get(qualifier, 0, value, nullptr);
    }
    return Finish(hr, value);
}

}  // namespace wmibridge
