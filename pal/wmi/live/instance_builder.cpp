#include "live/instance_builder.h"

#include <oleauto.h>

#include <string>

#include "repository/class_object.h"
#include "owners.h"

namespace pal::live {

namespace {

std::u16string Decimal(std::uint64_t number)
{
    const std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

InstanceBuilder::InstanceBuilder(const services::InstanceRequest& request)
    : server_(request.repository.ServerName()),
      nameSpace_(request.repository.CanonicalNamespace(request.nameSpace))
{
    IWbemClassObject* spawned = nullptr;
    status_ = request.classObject->SpawnInstance(0, &spawned);
    instance_.Attach(spawned);
}

void InstanceBuilder::Put(const char16_t* name, VARIANT* value)
{
    if (SUCCEEDED(status_)) {
        status_ = instance_->Put(name, 0, value, 0);
    }
}

void InstanceBuilder::Text(const char16_t* name, std::optional<std::u16string_view> value)
{
    if (!value) {
        return;
    }
    OwnedVariant variant;
    V_VT(variant.Address()) = VT_BSTR;
    V_BSTR(variant.Address()) = SysAllocStringLen(value->data(), static_cast<UINT>(value->size()));
    if (V_BSTR(variant.Address()) == nullptr) {
        status_ = WBEM_E_OUT_OF_MEMORY;
        return;
    }
    Put(name, variant.Address());
}

void InstanceBuilder::Unsigned32(const char16_t* name, std::optional<std::uint64_t> value)
{
    if (!value) {
        return;
    }
    OwnedVariant variant;
    V_VT(variant.Address()) = VT_I4;
    V_I4(variant.Address()) = static_cast<LONG>(static_cast<std::uint32_t>(*value));
    if (*value > 0x7fffffffU) {
        V_VT(variant.Address()) = VT_UI4;
        V_UI4(variant.Address()) = static_cast<ULONG>(*value);
    }
    Put(name, variant.Address());
}

void InstanceBuilder::Signed32(const char16_t* name, std::optional<std::int64_t> value)
{
    if (!value) {
        return;
    }
    OwnedVariant variant;
    V_VT(variant.Address()) = VT_I4;
    V_I4(variant.Address()) = static_cast<LONG>(*value);
    Put(name, variant.Address());
}

void InstanceBuilder::Unsigned64(const char16_t* name, std::optional<std::uint64_t> value)
{
    if (!value) {
        return;
    }
    Text(name, Decimal(*value));
}

void InstanceBuilder::Texts(const char16_t* name, const std::vector<std::u16string>& values)
{
    OwnedVariant variant;
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(values.size()));
    if (array == nullptr) {
        status_ = WBEM_E_OUT_OF_MEMORY;
        return;
    }
    V_VT(variant.Address()) = VT_ARRAY | VT_BSTR;
    V_ARRAY(variant.Address()) = array;
    for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
        const std::u16string& value = values[static_cast<size_t>(i)];
        BSTR text = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
        const HRESULT hr = text == nullptr ? E_OUTOFMEMORY : SafeArrayPutElement(array, &i, text);
        SysFreeString(text);
        if (FAILED(hr)) {
            status_ = WBEM_E_OUT_OF_MEMORY;
            return;
        }
    }
    Put(name, variant.Address());
}

void InstanceBuilder::Boolean(const char16_t* name, bool value)
{
    OwnedVariant variant;
    V_VT(variant.Address()) = VT_BOOL;
    V_BOOL(variant.Address()) = value ? VARIANT_TRUE : VARIANT_FALSE;
    Put(name, variant.Address());
}

HRESULT InstanceBuilder::Finish(wmi::ObjectPtr& instance)
{
    if (FAILED(status_)) {
        return status_;
    }
    // The instance lives in the provider's namespace, as if the repository held it.
    if (wmi::ClassObject* object = wmi::AsEmulatorObject(instance_.Get())) {
        object->MutableData().server = server_;
        object->MutableData().nsPath = nameSpace_;
    }
    instance = std::move(instance_);
    return WBEM_S_NO_ERROR;
}

HRESULT InstanceBuilder::FinishInto(std::vector<wmi::ObjectPtr>& instances)
{
    wmi::ObjectPtr instance;
    const HRESULT hr = Finish(instance);
    if (SUCCEEDED(hr)) {
        instances.push_back(std::move(instance));
    }
    return hr;
}

}  // namespace pal::live
