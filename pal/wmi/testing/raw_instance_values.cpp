// Stores raw values, which WMI itself never returns, into instances kept in the local repository,
// so that every later query or GetObject of the instance delivers exactly that value.
#include <pal/wmi_raw_values.h>
#include <pal/wmi_testing.h>

#include <string>
#include <vector>

#include "com_boundary.h"
#include "owners.h"
#include "repository/repository.h"
#include "wql/object_path.h"

PALAPI HRESULT PalWmiPutRawInstanceValue(LPCWSTR nameSpace, LPCWSTR objectPath, LPCWSTR property,
                                         const VARIANT* value)
try {
    if (nameSpace == nullptr || objectPath == nullptr || property == nullptr || value == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    try {
        pal::wql::ObjectPath path;
        HRESULT hr = pal::wql::ParseObjectPath(objectPath, path);
        if (FAILED(hr)) {
            return hr;
        }
        std::vector<pal::wmi::KeyBinding> keys;
        for (const auto& key : path.keys) {
            pal::wmi::KeyBinding binding{key.name, {}};
            binding.value = *key.value.Get();  // borrowed: the parsed path owns it
            keys.push_back(binding);
        }
        auto repository = pal::wmi::LocalRepository();
        IWbemClassObject* instance = nullptr;
        hr = repository->FindInstance(nameSpace, path.className, keys, &instance);
        if (FAILED(hr)) {
            return hr;
        }
        hr = PalWmiPutRawValue(instance, property, value);
        if (SUCCEEDED(hr)) {
            hr = repository->PutInstance(nameSpace, instance);
        }
        instance->Release();
        return hr;
    } catch (...) {
        return WBEM_E_OUT_OF_MEMORY;
    }
} catch (...) {
    return pal::CaughtWmiError();
}
