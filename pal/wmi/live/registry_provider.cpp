// StdRegProv: the registry methods of WMI over the emulated registry of the machine that the
// repository belongs to, the same registry that the Win32 registry functions read. Each method
// answers a Win32 error code in ReturnValue.
#include <oleauto.h>

#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "base/text.h"
#include "live/provider_guard.h"
#include "live/registry_provider.h"
#include "owners.h"
#include "win32/registry.h"

namespace pal::live {

namespace {

using services::MethodCall;

constexpr LONG kSuccess = ERROR_SUCCESS;
constexpr LONG kNotFound = ERROR_FILE_NOT_FOUND;
constexpr LONG kAccessDenied = ERROR_ACCESS_DENIED;  // a key with subkeys is not deleted
constexpr LONG kInvalidParameter = ERROR_INVALID_PARAMETER;
constexpr LONG kTypeMismatch = WBEM_E_TYPE_MISMATCH;
constexpr std::uint32_t kLocalMachine = 0x80000002;

OwnedVariant Input(const MethodCall& call, const char16_t* name)
{
    OwnedVariant value;
    if (call.inParameters == nullptr ||
        FAILED(call.inParameters->Get(name, 0, value.Address(), nullptr, nullptr))) {
        V_VT(value.Put()) = VT_NULL;
    }
    return value;
}

std::optional<win32::RegistryRoot> RootOf(const MethodCall& call)
{
    const OwnedVariant value = Input(call, u"hDefKey");
    // uint32 travels as VT_I4; a missing tree is HKEY_LOCAL_MACHINE, the parameter's default.
    const std::uint32_t tree =
        value.Type() == VT_I4 ? static_cast<std::uint32_t>(V_I4(value.Get())) : kLocalMachine;
    if (tree < 0x80000000U || tree > 0x80000003U) {
        return std::nullopt;
    }
    return static_cast<win32::RegistryRoot>(tree - 0x80000000U);
}

std::optional<std::u16string> TextInput(const MethodCall& call, const char16_t* name)
{
    const OwnedVariant value = Input(call, name);
    if (value.Type() != VT_BSTR) {
        return std::nullopt;
    }
    return std::u16string(pal::ViewOf(V_BSTR(value.Get())));
}

HRESULT Answer(const MethodCall& call, LONG code)
{
    OwnedVariant value;
    V_VT(value.Address()) = VT_I4;
    V_I4(value.Address()) = code;
    return call.outParameters->Put(u"ReturnValue", 0, value.Address(), 0);
}

HRESULT PutOutput(const MethodCall& call, const char16_t* name, VARIANT* value)
{
    return call.outParameters->Put(name, 0, value, 0);
}

// A SAFEARRAY of `vt` elements in a VARIANT, NULL for an empty list as WMI hands it out; `put`
// stores one item at an index.
template <class Item, class Put>
HRESULT ArrayOf(const std::vector<Item>& items, VARTYPE vt, OwnedVariant& out, Put&& put)
{
    if (items.empty()) {
        V_VT(out.Put()) = VT_NULL;
        return S_OK;
    }
    SAFEARRAY* array = SafeArrayCreateVector(vt, 0, static_cast<ULONG>(items.size()));
    if (array == nullptr) {
        return WBEM_E_OUT_OF_MEMORY;
    }
    V_VT(out.Put()) = static_cast<VARTYPE>(VT_ARRAY | vt);
    V_ARRAY(out.Address()) = array;
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        const HRESULT hr = put(array, i, items[static_cast<std::size_t>(i)]);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT TextArray(const std::vector<std::u16string>& texts, OwnedVariant& out)
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

HRESULT NumberArray(const std::vector<LONG>& numbers, OwnedVariant& out)
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

// Runs `body` with the call's target, or answers the error of a call without one.
template <class Body>
HRESULT OnTarget(const MethodCall& call, Body body)
{
    LONG error = kSuccess;
    const std::optional<Target> target = TargetOf(call, error);
    if (!target) {
        return call.outParameters ? Answer(call, error) : WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    return body(*target);
}

// A value as the output parameter of its Get method: strings as text, DWORD as uint32, QWORD as
// uint64 (decimal text), multi-strings as a string array, binary data as a uint8 array.
HRESULT OutputOf(const win32::RegistryValue& value, OwnedVariant& output)
{
    switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        V_VT(output.Put()) = VT_BSTR;
        V_BSTR(output.Address()) = SysAllocStringLen(value.text.data(), static_cast<UINT>(value.text.size()));
        return V_BSTR(output.Address()) == nullptr ? WBEM_E_OUT_OF_MEMORY : S_OK;
    case REG_DWORD:
        V_VT(output.Put()) = VT_I4;
        V_I4(output.Address()) = static_cast<LONG>(value.number);
        return S_OK;
    case REG_QWORD: {
        const std::string digits = std::to_string(value.quad);
        const std::u16string text(digits.begin(), digits.end());
        V_VT(output.Put()) = VT_BSTR;
        V_BSTR(output.Address()) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return V_BSTR(output.Address()) == nullptr ? WBEM_E_OUT_OF_MEMORY : S_OK;
    }
    case REG_MULTI_SZ: return TextArray(value.texts, output);
    default:
        return ArrayOf(value.bytes, VT_UI1, output, [](SAFEARRAY* array, LONG index, std::uint8_t item) {
            BYTE byte = item;
            return SafeArrayPutElement(array, &index, &byte);
        });
    }
}

// Get...Value: the value of the expected type into `outputName`.
HRESULT GetTypedValue(const MethodCall& call, DWORD expectedType, const char16_t* outputName)
{
    return OnTarget(call, [&](const Target& target) {
        const std::u16string valueName = TextInput(call, u"sValueName").value_or(u"");
        const std::optional<win32::RegistryValue> value =
            target.registry->GetValue(target.root, target.path, valueName);
        if (!value) {
            return Answer(call, kNotFound);
        }
        if (value->type != expectedType) {
            return Answer(call, kTypeMismatch);
        }
        OwnedVariant output;
        HRESULT hr = OutputOf(*value, output);
        if (SUCCEEDED(hr)) {
            hr = PutOutput(call, outputName, output.Address());
        }
        return SUCCEEDED(hr) ? Answer(call, kSuccess) : hr;
    });
}

// The elements of an array input (VT_ARRAY of `vt`); empty for NULL or another type.
template <class Item>
std::vector<Item> ArrayInput(const MethodCall& call, const char16_t* name, VARTYPE vt)
{
    std::vector<Item> items;
    const OwnedVariant value = Input(call, name);
    if (value.Type() != (VT_ARRAY | vt) || V_ARRAY(value.Get()) == nullptr) {
        return items;
    }
    SAFEARRAY* array = V_ARRAY(value.Get());
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
        if constexpr (std::is_same_v<Item, std::u16string>) {
            BSTR text = nullptr;
            if (SUCCEEDED(SafeArrayGetElement(array, &i, &text))) {
                items.emplace_back(pal::ViewOf(text));
                SysFreeString(text);
            }
        } else {
            BYTE byte = 0;
            if (SUCCEEDED(SafeArrayGetElement(array, &i, &byte))) {
                items.push_back(byte);
            }
        }
    }
    return items;
}

// Set...Value: the key must exist, as with RegSetValueEx on an opened key.
HRESULT SetTypedValue(const MethodCall& call, win32::RegistryValue value)
{
    return OnTarget(call, [&](const Target& target) {
        const std::u16string valueName = TextInput(call, u"sValueName").value_or(u"");
        const bool stored = target.registry->SetValue(target.root, target.path, valueName, std::move(value));
        return Answer(call, stored ? kSuccess : kNotFound);
    });
}

// The parameter that carries a value of `type` in its Get and Set methods.
const char16_t* ValueParameter(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ ? u"sValue" : u"uValue";
}

// The value a Set method was given, or nothing when its text is not a number.
std::optional<win32::RegistryValue> ValueInput(const MethodCall& call, DWORD type)
{
    const char16_t* parameter = ValueParameter(type);
    win32::RegistryValue value;
    value.type = type;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: value.text = TextInput(call, parameter).value_or(u""); break;
    case REG_DWORD: {
        const OwnedVariant number = Input(call, parameter);
        value.number = number.Type() == VT_I4 ? static_cast<DWORD>(V_I4(number.Get())) : 0;
        break;
    }
    case REG_QWORD:
        // uint64 travels as decimal text.
        for (char16_t c : TextInput(call, parameter).value_or(u"")) {
            if (c < u'0' || c > u'9') {
                return std::nullopt;
            }
            value.quad = value.quad * 10 + static_cast<std::uint64_t>(c - u'0');
        }
        break;
    case REG_MULTI_SZ: value.texts = ArrayInput<std::u16string>(call, parameter, VT_BSTR); break;
    default: value.bytes = ArrayInput<std::uint8_t>(call, parameter, VT_UI1); break;
    }
    return value;
}

template <DWORD type>
HRESULT GetValueMethod(const MethodCall& call)
{
    return GetTypedValue(call, type, ValueParameter(type));
}

template <DWORD type>
HRESULT SetValueMethod(const MethodCall& call)
{
    std::optional<win32::RegistryValue> value = ValueInput(call, type);
    if (!value) {
        return Answer(call, kInvalidParameter);
    }
    return SetTypedValue(call, std::move(*value));
}

HRESULT RegistryCreateKey(const MethodCall& call)
{
    return OnTarget(call, [&](const Target& target) {
        return Answer(call,
                      target.registry->CreateKey(target.root, target.path) ? kSuccess : kInvalidParameter);
    });
}

HRESULT RegistryDeleteKey(const MethodCall& call)
{
    return OnTarget(call, [&](const Target& target) {
        if (target.path.empty()) {
            return Answer(call, kInvalidParameter);
        }
        if (!target.registry->KeyExists(target.root, target.path)) {
            return Answer(call, kNotFound);
        }
        if (!target.registry->SubKeyNames(target.root, target.path).empty()) {
            return Answer(call, kAccessDenied);
        }
        target.registry->DeleteKey(target.root, target.path);
        return Answer(call, kSuccess);
    });
}

HRESULT RegistryEnumKey(const MethodCall& call)
{
    return OnTarget(call, [&](const Target& target) {
        if (!target.registry->KeyExists(target.root, target.path)) {
            return Answer(call, kNotFound);
        }
        OwnedVariant names;
        HRESULT hr = TextArray(target.registry->SubKeyNames(target.root, target.path), names);
        if (SUCCEEDED(hr)) {
            hr = PutOutput(call, u"sNames", names.Address());
        }
        return SUCCEEDED(hr) ? Answer(call, kSuccess) : hr;
    });
}

HRESULT RegistryEnumValues(const MethodCall& call)
{
    return OnTarget(call, [&](const Target& target) {
        if (!target.registry->KeyExists(target.root, target.path)) {
            return Answer(call, kNotFound);
        }
        const std::vector<std::u16string> valueNames = target.registry->ValueNames(target.root, target.path);
        std::vector<LONG> types;
        for (const std::u16string& name : valueNames) {
            const std::optional<win32::RegistryValue> value =
                target.registry->GetValue(target.root, target.path, name);
            types.push_back(value ? static_cast<LONG>(value->type) : static_cast<LONG>(REG_SZ));
        }
        OwnedVariant names;
        OwnedVariant typeCodes;
        HRESULT hr = TextArray(valueNames, names);
        if (SUCCEEDED(hr)) {
            hr = NumberArray(types, typeCodes);
        }
        if (SUCCEEDED(hr)) {
            hr = PutOutput(call, u"sNames", names.Address());
        }
        if (SUCCEEDED(hr)) {
            hr = PutOutput(call, u"Types", typeCodes.Address());
        }
        return SUCCEEDED(hr) ? Answer(call, kSuccess) : hr;
    });
}

HRESULT RegistryDeleteValue(const MethodCall& call)
{
    return OnTarget(call, [&](const Target& target) {
        const std::u16string valueName = TextInput(call, u"sValueName").value_or(u"");
        if (!target.registry->GetValue(target.root, target.path, valueName)) {
            return Answer(call, kNotFound);
        }
        target.registry->DeleteValue(target.root, target.path, valueName);
        return Answer(call, kSuccess);
    });
}

HRESULT RegistryCheckAccess(const MethodCall& call)
{
    return OnTarget(call, [&](const Target& target) {
        if (!target.registry->KeyExists(target.root, target.path)) {
            return Answer(call, kNotFound);
        }
        // The caller is the machine's own user: every right on every key it can open.
        OwnedVariant granted;
        V_VT(granted.Address()) = VT_BOOL;
        V_BOOL(granted.Address()) = VARIANT_TRUE;
        const HRESULT hr = PutOutput(call, u"bGranted", granted.Address());
        return SUCCEEDED(hr) ? Answer(call, kSuccess) : hr;
    });
}

const RegistryMethod kRegistryMethods[] = {
    {u"CreateKey", Guarded<RegistryCreateKey>},
    {u"DeleteKey", Guarded<RegistryDeleteKey>},
    {u"EnumKey", Guarded<RegistryEnumKey>},
    {u"EnumValues", Guarded<RegistryEnumValues>},
    {u"DeleteValue", Guarded<RegistryDeleteValue>},
    {u"CheckAccess", Guarded<RegistryCheckAccess>},
    {u"GetStringValue", Guarded<GetValueMethod<REG_SZ>>},
    {u"SetStringValue", Guarded<SetValueMethod<REG_SZ>>},
    {u"GetExpandedStringValue", Guarded<GetValueMethod<REG_EXPAND_SZ>>},
    {u"SetExpandedStringValue", Guarded<SetValueMethod<REG_EXPAND_SZ>>},
    {u"GetMultiStringValue", Guarded<GetValueMethod<REG_MULTI_SZ>>},
    {u"SetMultiStringValue", Guarded<SetValueMethod<REG_MULTI_SZ>>},
    {u"GetDWORDValue", Guarded<GetValueMethod<REG_DWORD>>},
    {u"SetDWORDValue", Guarded<SetValueMethod<REG_DWORD>>},
    {u"GetQWORDValue", Guarded<GetValueMethod<REG_QWORD>>},
    {u"SetQWORDValue", Guarded<SetValueMethod<REG_QWORD>>},
    {u"GetBinaryValue", Guarded<GetValueMethod<REG_BINARY>>},
    {u"SetBinaryValue", Guarded<SetValueMethod<REG_BINARY>>},
};

}  // namespace

std::span<const RegistryMethod> RegistryMethods()
{
    return kRegistryMethods;
}

}  // namespace pal::live
