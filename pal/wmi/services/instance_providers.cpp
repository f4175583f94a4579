#include "services/instance_providers.h"

#include <atomic>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <utility>

#include "base/names.h"
#include "base/text.h"
#include "services/provider_table.h"
#include "base/text.h"
#include "owners.h"

namespace pal::services {

namespace {

constinit std::atomic<BuiltinProviders> g_builtinProviders{nullptr};

ProviderTable<InstanceProvider>& Table()
{
    static ProviderTable<InstanceProvider> table;
    return table;
}

// `\\.\root\cimv2`, `root/cimv2` and `ROOT\CIMV2` name the same namespace.
std::u16string NormalNamespace(std::u16string_view nameSpace)
{
    std::u16string text = FoldName(nameSpace);
    for (char16_t& c : text) {
        if (c == u'/') {
            c = u'\\';
        }
    }
    if (text.starts_with(u"\\\\")) {
        const std::size_t end = text.find(u'\\', 2);
        text = end == std::u16string::npos ? std::u16string() : text.substr(end + 1);
    }
    return text;
}

ProviderKey KeyOf(std::u16string_view nameSpace, std::u16string_view className)
{
    return {NormalNamespace(nameSpace), FoldName(className)};
}

// A key value as text: text as it is, integers in decimal; false for any other type.
bool KeyText(const VARIANT& value, std::u16string& text)
{
    std::string digits;
    switch (V_VT(&value)) {
    case VT_BSTR: text = ViewOf(V_BSTR(&value)); return true;
    case VT_I4: digits = std::to_string(V_I4(&value)); break;
    case VT_UI4: digits = std::to_string(V_UI4(&value)); break;
    case VT_I8: digits = std::to_string(V_I8(&value)); break;
    case VT_UI8: digits = std::to_string(V_UI8(&value)); break;
    case VT_I2: digits = std::to_string(V_I2(&value)); break;
    case VT_UI2: digits = std::to_string(V_UI2(&value)); break;
    case VT_UI1: digits = std::to_string(V_UI1(&value)); break;
    default: return false;
    }
    text.assign(digits.begin(), digits.end());
    return true;
}

bool HasKeys(IWbemClassObject* instance, const std::vector<wmi::KeyBinding>& keys)
{
    for (const wmi::KeyBinding& key : keys) {
        OwnedVariant actual;
        std::u16string wanted;
        std::u16string found;
        if (FAILED(instance->Get(key.name.c_str(), 0, actual.Address(), nullptr, nullptr)) ||
            !KeyText(key.value, wanted) || !KeyText(*actual.Address(), found) || !NamesEqual(wanted, found)) {
            return false;
        }
    }
    return true;
}

}  // namespace

void SetBuiltinProviders(BuiltinProviders registerAll) noexcept
{
    g_builtinProviders.store(registerAll, std::memory_order_release);
}

void EnsureLiveProviders()
{
    static std::once_flag live;
    std::call_once(live, [] {
        if (const BuiltinProviders registerAll = g_builtinProviders.load(std::memory_order_acquire)) {
            registerAll();
        }
    });
}

void RegisterInstanceProvider(std::u16string_view nameSpace, std::u16string_view className,
                              InstanceProvider provider)
{
    Table().Set(KeyOf(nameSpace, className), provider);
}

void UnregisterInstanceProvider(std::u16string_view nameSpace, std::u16string_view className)
{
    Table().Erase(KeyOf(nameSpace, className));
}

InstanceProvider FindInstanceProvider(const wmi::Repository& repository, std::u16string_view nameSpace,
                                      std::u16string_view className)
{
    EnsureLiveProviders();
    // A class that a MOF fixture declares is served from the instances the fixture gives it.
    if (repository.IsFixtureClass(nameSpace, className)) {
        return {};
    }
    const std::u16string canonicalClass = repository.CanonicalClassName(nameSpace, className);
    return Table().Find(KeyOf(nameSpace, canonicalClass.empty() ? className : canonicalClass));
}

HRESULT InstancesOfClass(const wmi::Repository& repository, std::u16string_view nameSpace,
                         std::u16string_view className, IWbemClassObject* classObject,
                         std::vector<wmi::ObjectPtr>& instances)
{
    const InstanceProvider provider = FindInstanceProvider(repository, nameSpace, className);
    if (provider.enumerate == nullptr) {
        const HRESULT hr = repository.Instances(nameSpace, className, &instances);
        return FAILED(hr) ? hr : ProvidedSubclassInstances(repository, nameSpace, className, instances);
    }
    return ProvidedInstances(provider, InstanceRequest{repository, nameSpace, classObject}, instances);
}

HRESULT ProvidedInstances(const InstanceProvider& provider, const InstanceRequest& request,
                          std::vector<wmi::ObjectPtr>& instances)
{
    try {
        return provider.enumerate(request, instances);
    } catch (const std::bad_alloc&) {
        return WBEM_E_OUT_OF_MEMORY;
    } catch (...) {
        return WBEM_E_PROVIDER_FAILURE;
    }
}

HRESULT ProvidedInstance(const InstanceProvider& provider, const InstanceRequest& request,
                         const std::vector<wmi::KeyBinding>& keys, IWbemClassObject** instance)
{
    *instance = nullptr;
    try {
        if (provider.lookup != nullptr) {
            return provider.lookup(request, keys, instance);
        }
        std::vector<wmi::ObjectPtr> all;
        const HRESULT hr = provider.enumerate(request, all);
        if (FAILED(hr)) {
            return hr;
        }
        for (wmi::ObjectPtr& candidate : all) {
            if (HasKeys(candidate.Get(), keys)) {
                *instance = candidate.Detach();
                return WBEM_S_NO_ERROR;
            }
        }
        return WBEM_E_NOT_FOUND;
    } catch (const std::bad_alloc&) {
        return WBEM_E_OUT_OF_MEMORY;
    } catch (...) {
        return WBEM_E_PROVIDER_FAILURE;
    }
}

HRESULT ProvidedSubclassInstances(const wmi::Repository& repository, std::u16string_view nameSpace,
                                  std::u16string_view className, std::vector<wmi::ObjectPtr>& instances)
{
    std::vector<std::u16string> names;
    HRESULT hr = repository.ClassNames(nameSpace, &names);
    if (FAILED(hr)) {
        return hr;
    }
    const std::u16string ancestor(className);
    for (const std::u16string& name : names) {
        const InstanceProvider provider = FindInstanceProvider(repository, nameSpace, name);
        if (provider.enumerate == nullptr || NamesEqual(name, className)) {
            continue;
        }
        IWbemClassObject* raw = nullptr;
        if (FAILED(repository.GetClass(nameSpace, name, &raw))) {
            continue;
        }
        const wmi::ObjectPtr subclass(raw);
        if (subclass->InheritsFrom(ancestor.c_str()) != WBEM_S_NO_ERROR) {
            continue;
        }
        hr = ProvidedInstances(provider, InstanceRequest{repository, nameSpace, subclass.Get()}, instances);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return WBEM_S_NO_ERROR;
}

}  // namespace pal::services
