#include "services/method_providers.h"

#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "base/names.h"
#include "base/text.h"
#include "owners.h"
#include "services/instance_providers.h"
#include "services/provider_table.h"

namespace pal::services {

namespace {

ProviderTable<MethodProvider>& Table()
{
    static ProviderTable<MethodProvider> table;
    return table;
}

ProviderKey KeyOf(std::u16string_view className, std::u16string_view methodName)
{
    return {FoldName(className), FoldName(methodName)};
}

MethodProvider Lookup(std::u16string_view className, std::u16string_view methodName)
{
    return Table().Find(KeyOf(className, methodName));
}

// The superclass of a class, from its __SUPERCLASS property; empty at the top.
std::u16string SuperclassOf(const wmi::Repository& repository, std::u16string_view nameSpace,
                            std::u16string_view className)
{
    ComPtr<IWbemClassObject> classObject;
    if (FAILED(repository.GetClass(nameSpace, className, classObject.Put()))) {
        return {};
    }
    OwnedVariant superclass;
    if (FAILED(classObject->Get(u"__SUPERCLASS", 0, superclass.Address(), nullptr, nullptr)) ||
        superclass.Type() != VT_BSTR) {
        return {};
    }
    return std::u16string(ViewOf(V_BSTR(superclass.Address())));
}

}  // namespace

void RegisterMethodProvider(std::u16string_view className, std::u16string_view methodName,
                            MethodProvider provider)
{
    Table().Set(KeyOf(className, methodName), provider);
}

void UnregisterMethodProvider(std::u16string_view className, std::u16string_view methodName)
{
    Table().Erase(KeyOf(className, methodName));
}

MethodProvider FindMethodProvider(const wmi::Repository& repository, std::u16string_view nameSpace,
                                  std::u16string_view className, std::u16string_view methodName)
{
    static std::once_flag shipped;
    std::call_once(shipped, RegisterShippedMethodProviders);
    EnsureLiveProviders();
    std::u16string current(className);
    // A class hierarchy is shallow; the bound only guards against a cycle in broken data.
    for (int depth = 0; depth < 64 && !current.empty(); ++depth) {
        if (MethodProvider provider = Lookup(current, methodName)) {
            return provider;
        }
        current = SuperclassOf(repository, nameSpace, current);
    }
    return nullptr;
}

}  // namespace pal::services
