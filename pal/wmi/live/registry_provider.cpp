// StdRegProv: the registry methods of WMI over the emulated registry of the machine that the
// repository belongs to, the same registry that the Win32 registry functions read. Each method
// answers a Win32 error code in ReturnValue.
#include <oleauto.h>

#include <optional>
#include <string>
#include <vector>

#include "live/registry_provider.h"
#include "win32/registry.h"
#include "services/text.h"
#include "wql/scoped_variant.h"

namespace pal::live {

namespace {

using services::MethodCall;
using wql::ScopedVariant;

constexpr LONG kSuccess = 0;
constexpr LONG kNotFound = 2;      // ERROR_FILE_NOT_FOUND
constexpr LONG kAccessDenied = 5;  // ERROR_ACCESS_DENIED: a key with subkeys is not deleted
constexpr LONG kInvalidParameter = 87;
constexpr LONG kTypeMismatch = static_cast<LONG>(0x80041005);  // WBEM_E_TYPE_MISMATCH
constexpr std::uint32_t kLocalMachine = 0x80000002;

ScopedVariant Input(const MethodCall& call, const char16_t* name)
{
    ScopedVariant value;
    if (call.inParameters == nullptr ||
        FAILED(call.inParameters->Get(name, 0, value.get(), nullptr, nullptr))) {
        V_VT(value.Reset()) = VT_NULL;
    }
    return value;
}

std::optional<win32::RegistryRoot> RootOf(const MethodCall& call)
{
    const ScopedVariant value = Input(call, u"hDefKey");
    // uint32 travels as VT_I4; a missing tree is HKEY_LOCAL_MACHINE, the parameter's default.
    const std::uint32_t tree =
        value.type() == VT_I4 ? static_cast<std::uint32_t>(V_I4(value.get())) : kLocalMachine;
    if (tree < 0x80000000U || tree > 0x80000003U) {
        return std::nullopt;
    }
    return static_cast<win32::RegistryRoot>(tree - 0x80000000U);
}

std::optional<std::u16string> TextInput(const MethodCall& call, const char16_t* name)
{
    const ScopedVariant value = Input(call, name);
    if (value.type() != VT_BSTR) {
        return std::nullopt;
    }
    return std::u16string(services::ViewOf(V_BSTR(value.get())));
}

HRESULT Answer(const MethodCall& call, LONG code)
{
    ScopedVariant value;
    V_VT(value.get()) = VT_I4;
    V_I4(value.get()) = code;
    return call.outParameters->Put(u"ReturnValue", 0, value.get(), 0);
}

HRESULT PutOutput(const MethodCall& call, const char16_t* name, VARIANT* value)
{
    return call.outParameters->Put(name, 0, value, 0);
}

// A SAFEARRAY of `vt` elements in a VARIANT, NULL for an empty list as WMI hands it out; `put`
// stores one item at an index.
template <class Item, class Put>
HRESULT ArrayOf(const std::vector<Item>& items, VARTYPE vt, ScopedVariant& out, Put&& put)
{
    if (items.empty()) {
        V_VT(out.Reset()) = VT_NULL;
        return S_OK;
    }
    SAFEARRAY* array = SafeArrayCreateVector(vt, 0, static_cast<ULONG>(items.size()));
    if (array == nullptr) {
        return WBEM_E_OUT_OF_MEMORY;
    }
    V_VT(out.Reset()) = static_cast<VARTYPE>(VT_ARRAY | vt);
    V_ARRAY(out.get()) = array;
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        const HRESULT hr = put(array, i, items[static_cast<std::size_t>(i)]);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT TextArray(const std::vector<std::u16string>& texts, ScopedVariant& out)
{
    return ArrayOf(texts, VT_BSTR, out, [](SAFEARRAY* array, LONG index, const std::u16string& item) {
        BSTR text = SysAllocStringLen(item.data(), static_cast<UINT>(item.size()));
        if (text == nullptr) {
            return static_cast<HRESULT>(WBEM_E_OUT_OF_MEMORY);
        }
        const HRESULT hr = SafeArrayPutElement(array, &index, text);  // the array takes a copy
        SysFreeString(text);
        return hr;
    });
}

HRESULT NumberArray(const std::vector<LONG>& numbers, ScopedVariant& out)
{
    return ArrayOf(numbers, VT_I4, out, [](SAFEARRAY* array, LONG index, LONG item) {
        return SafeArrayPutElement(array, &index, &item);
    });
}

// What every method needs: the registry, the tree and the key path.
struct Target {
    std::shared_ptr<win32::Registry> registry;
    win32::RegistryRoot root = win32::RegistryRoot::LocalMachine;
    std::u16string path;
};

// The target of a call, or the error code to answer.
std::optional<Target> TargetOf(const MethodCall& call, LONG& error)
{
    const std::optional<win32::RegistryRoot> root = RootOf(call);
    const std::optional<std::u16string> path = TextInput(call, u"sSubKeyName");
    if (!root || !path || !win32::Registry::IsWellFormed(*path) || call.outParameters == nullptr) {
        error = kInvalidParameter;
        return std::nullopt;
    }
    return Target{win32::RegistryOfHost(call.repository.ServerName()), *root, *path};
}

// Get(String|DWORD)Value: the value of the expected type into `outputName`.
HRESULT GetTypedValue(const MethodCall& call, DWORD expectedType, const char16_t* outputName)
{
    LONG error = kSuccess;
    const std::optional<Target> target = TargetOf(call, error);
    if (!target) {
        return call.outParameters ? Answer(call, error) : WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    const std::u16string valueName = TextInput(call, u"sValueName").value_or(u"");
    const std::optional<win32::RegistryValue> value =
        target->registry->GetValue(target->root, target->path, valueName);
    if (!value) {
        return Answer(call, kNotFound);
    }
    if (value->type != expectedType) {
        return Answer(call, kTypeMismatch);
    }
    ScopedVariant output;
    if (expectedType == REG_SZ) {
        V_VT(output.get()) = VT_BSTR;
        V_BSTR(output.get()) = SysAllocStringLen(value->text.data(), static_cast<UINT>(value->text.size()));
        if (V_BSTR(output.get()) == nullptr) {
            return WBEM_E_OUT_OF_MEMORY;
        }
    } else {
        V_VT(output.get()) = VT_I4;
        V_I4(output.get()) = static_cast<LONG>(value->number);
    }
    const HRESULT hr = PutOutput(call, outputName, output.get());
    return SUCCEEDED(hr) ? Answer(call, kSuccess) : hr;
}

// Set(String|DWORD)Value: the key must exist, as with RegSetValueEx on an opened key.
HRESULT SetTypedValue(const MethodCall& call, win32::RegistryValue value)
{
    LONG error = kSuccess;
    const std::optional<Target> target = TargetOf(call, error);
    if (!target) {
        return call.outParameters ? Answer(call, error) : WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    const std::u16string valueName = TextInput(call, u"sValueName").value_or(u"");
    const bool stored = target->registry->SetValue(target->root, target->path, valueName, std::move(value));
    return Answer(call, stored ? kSuccess : kNotFound);
}

}  // namespace

HRESULT RegistryCreateKey(const MethodCall& call)
{
    LONG error = kSuccess;
    const std::optional<Target> target = TargetOf(call, error);
    if (!target) {
        return call.outParameters ? Answer(call, error) : WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    return Answer(call,
                  target->registry->CreateKey(target->root, target->path) ? kSuccess : kInvalidParameter);
}

HRESULT RegistryDeleteKey(const MethodCall& call)
{
    LONG error = kSuccess;
    const std::optional<Target> target = TargetOf(call, error);
    if (!target) {
        return call.outParameters ? Answer(call, error) : WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    if (target->path.empty()) {
        return Answer(call, kInvalidParameter);
    }
    if (!target->registry->KeyExists(target->root, target->path)) {
        return Answer(call, kNotFound);
    }
    if (!target->registry->SubKeyNames(target->root, target->path).empty()) {
        return Answer(call, kAccessDenied);
    }
    target->registry->DeleteKey(target->root, target->path);
    return Answer(call, kSuccess);
}

HRESULT RegistryEnumKey(const MethodCall& call)
{
    LONG error = kSuccess;
    const std::optional<Target> target = TargetOf(call, error);
    if (!target) {
        return call.outParameters ? Answer(call, error) : WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    if (!target->registry->KeyExists(target->root, target->path)) {
        return Answer(call, kNotFound);
    }
    ScopedVariant names;
    HRESULT hr = TextArray(target->registry->SubKeyNames(target->root, target->path), names);
    if (SUCCEEDED(hr)) {
        hr = PutOutput(call, u"sNames", names.get());
    }
    return SUCCEEDED(hr) ? Answer(call, kSuccess) : hr;
}

HRESULT RegistryEnumValues(const MethodCall& call)
{
    LONG error = kSuccess;
    const std::optional<Target> target = TargetOf(call, error);
    if (!target) {
        return call.outParameters ? Answer(call, error) : WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    if (!target->registry->KeyExists(target->root, target->path)) {
        return Answer(call, kNotFound);
    }
    const std::vector<std::u16string> valueNames = target->registry->ValueNames(target->root, target->path);
    std::vector<LONG> types;
    for (const std::u16string& name : valueNames) {
        const std::optional<win32::RegistryValue> value =
            target->registry->GetValue(target->root, target->path, name);
        types.push_back(value ? static_cast<LONG>(value->type) : static_cast<LONG>(REG_SZ));
    }
    ScopedVariant names;
    ScopedVariant typeCodes;
    HRESULT hr = TextArray(valueNames, names);
    if (SUCCEEDED(hr)) {
        hr = NumberArray(types, typeCodes);
    }
    if (SUCCEEDED(hr)) {
        hr = PutOutput(call, u"sNames", names.get());
    }
    if (SUCCEEDED(hr)) {
        hr = PutOutput(call, u"Types", typeCodes.get());
    }
    return SUCCEEDED(hr) ? Answer(call, kSuccess) : hr;
}

HRESULT RegistryGetStringValue(const MethodCall& call)
{
    return GetTypedValue(call, REG_SZ, u"sValue");
}

HRESULT RegistryGetDWORDValue(const MethodCall& call)
{
    return GetTypedValue(call, REG_DWORD, u"uValue");
}

HRESULT RegistrySetStringValue(const MethodCall& call)
{
    win32::RegistryValue value;
    value.type = REG_SZ;
    value.text = TextInput(call, u"sValue").value_or(u"");
    return SetTypedValue(call, std::move(value));
}

HRESULT RegistrySetDWORDValue(const MethodCall& call)
{
    const ScopedVariant number = Input(call, u"uValue");
    win32::RegistryValue value;
    value.type = REG_DWORD;
    value.number = number.type() == VT_I4 ? static_cast<DWORD>(V_I4(number.get())) : 0;
    return SetTypedValue(call, std::move(value));
}

HRESULT RegistryDeleteValue(const MethodCall& call)
{
    LONG error = kSuccess;
    const std::optional<Target> target = TargetOf(call, error);
    if (!target) {
        return call.outParameters ? Answer(call, error) : WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    const std::u16string valueName = TextInput(call, u"sValueName").value_or(u"");
    if (!target->registry->GetValue(target->root, target->path, valueName)) {
        return Answer(call, kNotFound);
    }
    target->registry->DeleteValue(target->root, target->path, valueName);
    return Answer(call, kSuccess);
}

}  // namespace pal::live
