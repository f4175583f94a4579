#include "live/association_support.h"

#include "owners.h"

namespace pal::live {

HRESULT InstancesOf(const InstanceRequest& request, const char16_t* className, Enumerate enumerate,
                    std::vector<wmi::ObjectPtr>& instances)
{
    IWbemClassObject* classObject = nullptr;
    const HRESULT hr = request.repository.GetClass(request.nameSpace, className, &classObject);
    if (FAILED(hr)) {
        return hr;
    }
    const wmi::ObjectPtr owned(classObject);
    return enumerate(InstanceRequest{request.repository, request.nameSpace, classObject}, instances);
}

std::u16string PathOf(IWbemClassObject* object)
{
    OwnedVariant path;
    if (FAILED(object->Get(u"__PATH", 0, path.Address(), nullptr, nullptr)) || path.Type() != VT_BSTR ||
        V_BSTR(path.Address()) == nullptr) {
        return {};
    }
    return std::u16string(V_BSTR(path.Address()));
}

}  // namespace pal::live
