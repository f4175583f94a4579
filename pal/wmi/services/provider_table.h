// A thread-safe table of providers, keyed by two upper-cased names (namespace and class, or class
// and method), for the emulator's instance and method providers.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace pal::services {

using ProviderKey = std::pair<std::u16string, std::u16string>;

template <class Provider>
class ProviderTable {
public:
    void Set(const ProviderKey& key, Provider provider)
    {
        std::lock_guard lock(mutex_);
        providers_[key] = std::move(provider);
    }

    void Erase(const ProviderKey& key)
    {
        std::lock_guard lock(mutex_);
        providers_.erase(key);
    }

    // The provider, or an empty one when none is registered.
    Provider Find(const ProviderKey& key) const
    {
        std::lock_guard lock(mutex_);
        const auto found = providers_.find(key);
        return found == providers_.end() ? Provider{} : found->second;
    }

private:
    mutable std::mutex mutex_;
    std::map<ProviderKey, Provider> providers_;
};

}  // namespace pal::services
