#include "wmi/ObjectRetrieval.h"

#include "platform/ComHolders.h"
#include "wmi/ObjectProperty.h"

namespace wmibridge {
namespace {

// Wraps an object WMI delivered (the delivered reference is released by `delivered`).
ErrorCode Deliver(CComRef<IWbemClassObject>& delivered, CRefPtr<CWmiObject>& out) noexcept
{
    if (!delivered) {
        return kObjectNotFound;
    }
    return Wrap(out, delivered.Get()) ? kSuccess : kOutOfMemory;
}

}  // namespace

ErrorCode ServiceGetObject(const CRefPtr<CWmiService>& session, const WCHAR* path,
                           CRefPtr<CWmiObject>& out) noexcept
{
    if (session.IsEmpty() || session->Services() == nullptr) {
        return kInvalidParameter;
    }
    CBstr pathText(path);
    if (pathText.Get() == nullptr) {
        return kOutOfMemory;
    }
    CComRef<IWbemClassObject> object;
    const HRESULT hr = session->Services()->GetObject(pathText.Get(), 0, nullptr, object.Put(), nullptr);
    return FAILED(hr) ? HResultToCode(hr) : Deliver(object, out);
}

ErrorCode ObjectSpawnInstance(const CRefPtr<CWmiObject>& object, CRefPtr<CWmiObject>& out) noexcept
{
    IWbemClassObject* classObject = ObjectPointer(object);
    if (classObject == nullptr) {
        return kInvalidParameter;
    }
    CComRef<IWbemClassObject> instance;
    const HRESULT hr = classObject->SpawnInstance(0, instance.Put());
    if (FAILED(hr)) {
        return HResultToCode(hr);
    }
    return instance ? Deliver(instance, out) : kSuccess;
}

ErrorCode ObjectGetPropertyObject(const CRefPtr<CWmiObject>& object, const WCHAR* name,
                                  CRefPtr<CWmiObject>& out) noexcept
{
    CVariant value;
    const ErrorCode code = ObjectGetProperty(object, name, value.Address());
    if (code != kSuccess) {
        return code;
    }
    switch (V_VT(value.Get())) {
    case VT_UNKNOWN: {
        IUnknown* unknown = V_UNKNOWN(value.Get());
        if (unknown == nullptr) {
            return kObjectNotFound;
        }
        CComRef<IWbemClassObject> embedded;
        const HRESULT hr =
            unknown->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(embedded.Put()));
        return FAILED(hr) ? HResultToCode(hr) : Deliver(embedded, out);
    }
    case VT_NULL: return kSuccess;
    default: return kInvalidParameter;
    }
}

}  // namespace wmibridge
