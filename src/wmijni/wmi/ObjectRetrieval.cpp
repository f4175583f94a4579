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

bool ServiceGetObject(const CRefPtr<CWmiService>& session, const WCHAR* path, CRefPtr<CWmiObject>& out,
                      ErrorCode& code) noexcept
{
    code = kInvalidParameter;
    if (session.IsEmpty() || session->Services() == nullptr) {
        return false;
    }
    CBstr pathText(path);
    if (pathText.Get() == nullptr) {
        code = kOutOfMemory;
        return false;
    }
    CComRef<IWbemClassObject> object;
    const HRESULT hr = session->Services()->GetObject(pathText.Get(), 0, nullptr, object.Put(), nullptr);
    code = FAILED(hr) ? HResultToCode(hr) : Deliver(object, out);
    return code == kSuccess;
}

bool ObjectSpawnInstance(const CRefPtr<CWmiObject>& object, CRefPtr<CWmiObject>& out,
                         ErrorCode& code) noexcept
{
    code = kInvalidParameter;
    IWbemClassObject* classObject = ObjectPointer(object);
    if (classObject == nullptr) {
        return false;
    }
    CComRef<IWbemClassObject> instance;
    const HRESULT hr = classObject->SpawnInstance(0, instance.Put());
    if (FAILED(hr)) {
        code = HResultToCode(hr);
    } else {
        code = instance ? Deliver(instance, out) : kSuccess;
    }
    return code == kSuccess;
}

bool ObjectGetPropertyObject(const CRefPtr<CWmiObject>& object, const WCHAR* name, CRefPtr<CWmiObject>& out,
                             ErrorCode& code) noexcept
{
    CVariant value;
    if (!ObjectGetProperty(object, name, value.Address(), code)) {
        return false;
    }
    switch (V_VT(value.Get())) {
    case VT_UNKNOWN: {
        IUnknown* unknown = V_UNKNOWN(value.Get());
        if (unknown == nullptr) {
            code = kObjectNotFound;
            break;
        }
        CComRef<IWbemClassObject> embedded;
        const HRESULT hr =
            unknown->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(embedded.Put()));
        code = FAILED(hr) ? HResultToCode(hr) : Deliver(embedded, out);
        break;
    }
    case VT_NULL: code = kSuccess; break;
    default: code = kInvalidParameter; break;
    }
    return code == kSuccess;
}

}  // namespace wmibridge
