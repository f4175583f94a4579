// C exports that tests (C++ and Java) use to control the local repository.
#include <pal/wmi_testing.h>

#include "com_boundary.h"
#include "repository/class_object.h"
#include "owners.h"
#include "repository/repository.h"

namespace pal::wmi {
namespace {

std::u16string_view ViewOrEmpty(LPCWSTR text)
{
    return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

}  // namespace
}  // namespace pal::wmi

PALAPI HRESULT PalWmiLoadMof(LPCWSTR mofText, LPCWSTR defaultNamespace, BSTR* errorText)
try {
    if (errorText != nullptr) {
        *errorText = nullptr;
    }
    if (mofText == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    std::u16string error;
    const HRESULT hr =
        pal::wmi::LocalRepository()->LoadMof(mofText, pal::wmi::ViewOrEmpty(defaultNamespace), &error);
    if (FAILED(hr) && errorText != nullptr) {
        *errorText = pal::AllocBstr(error);
    }
    return hr;
} catch (...) {
    return pal::CaughtWmiError();
}

PALAPI void PalWmiResetRepository(void)
{
    pal::wmi::LocalRepository()->ResetToShipped();
}

PALAPI HRESULT PalWmiPutRawValue(IWbemClassObject* object, LPCWSTR name, const VARIANT* value)
try {
    pal::wmi::ClassObject* target = pal::wmi::AsEmulatorObject(object);
    if (target == nullptr || name == nullptr || value == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const int index = target->Data().cls->FindProperty(name);
    if (index < 0) {
        return WBEM_E_NOT_FOUND;
    }
    auto raw = pal::wmi::RawVariant::Copy(*value);
    if (raw == nullptr) {
        return WBEM_E_OUT_OF_MEMORY;
    }
    target->MutableData().values[static_cast<size_t>(index)] = pal::wmi::Value::MakeRaw(std::move(raw));
    return WBEM_S_NO_ERROR;
} catch (...) {
    return pal::CaughtWmiError();
}
