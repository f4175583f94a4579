#include "win32/registry.h"

#include "services/hosts.h"
#include "services/text.h"

namespace pal::win32 {

using services::EqualsNoCase;
using services::ToUpperAscii;

AccountName ParseAccountName(std::u16string_view name)
{
    const size_t at = name.find(u'@');
    if (at != std::u16string_view::npos) {
        return {std::u16string(name.substr(at + 1)), std::u16string(name.substr(0, at))};
    }
    const size_t backslash = name.find(u'\\');
    if (backslash != std::u16string_view::npos) {
        return {std::u16string(name.substr(0, backslash)), std::u16string(name.substr(backslash + 1))};
    }
    return {std::u16string(), std::u16string(name)};
}

bool Registry::IsWellFormed(std::u16string_view path)
{
    if (!path.empty() && path.back() == u'\\') {
        path.remove_suffix(1);
    }
    if (path.empty()) {
        return true;
    }
    size_t start = 0;
    for (;;) {
        const size_t end = path.find(u'\\', start);
        const size_t length = (end == std::u16string_view::npos ? path.size() : end) - start;
        if (length == 0) {
            return false;
        }
        if (end == std::u16string_view::npos) {
            return true;
        }
        start = end + 1;
    }
}

std::u16string Registry::Normalise(std::u16string_view path)
{
    if (!path.empty() && path.back() == u'\\') {
        path.remove_suffix(1);
    }
    return ToUpperAscii(path);
}

const Registry::Key* Registry::Find(RegistryRoot root, std::u16string_view path) const
{
    const auto& keys = keys_[static_cast<int>(root)];
    const auto found = keys.find(Normalise(path));
    return found == keys.end() ? nullptr : &found->second;
}

Registry::Key* Registry::Find(RegistryRoot root, std::u16string_view path)
{
    auto& keys = keys_[static_cast<int>(root)];
    const auto found = keys.find(Normalise(path));
    return found == keys.end() ? nullptr : &found->second;
}

bool Registry::CreateKey(RegistryRoot root, std::u16string_view path)
{
    if (!IsWellFormed(path)) {
        return false;
    }
    if (!path.empty() && path.back() == u'\\') {
        path.remove_suffix(1);
    }
    std::lock_guard lock(mutex_);
    auto& keys = keys_[static_cast<int>(root)];
    keys.try_emplace(std::u16string());
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos) {
            end = path.size();
        }
        const auto [key, created] = keys.try_emplace(ToUpperAscii(path.substr(0, end)));
        if (created) {
            key->second.name = std::u16string(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return true;
}

bool Registry::KeyExists(RegistryRoot root, std::u16string_view path) const
{
    if (!IsWellFormed(path)) {
        return false;
    }
    std::lock_guard lock(mutex_);
    return Normalise(path).empty() || Find(root, path) != nullptr;
}

bool Registry::SetValue(RegistryRoot root, std::u16string_view path, std::u16string_view name,
                        RegistryValue value)
{
    std::lock_guard lock(mutex_);
    if (Normalise(path).empty()) {
        keys_[static_cast<int>(root)].try_emplace(std::u16string());
    }
    Key* key = Find(root, path);
    if (key == nullptr) {
        return false;
    }
    key->values[ToUpperAscii(name)] = {std::u16string(name), std::move(value)};
    return true;
}

bool Registry::DeleteKey(RegistryRoot root, std::u16string_view path)
{
    const std::u16string key = Normalise(path);
    if (key.empty()) {
        return false;
    }
    std::lock_guard lock(mutex_);
    auto& keys = keys_[static_cast<int>(root)];
    const auto found = keys.find(key);
    if (found == keys.end()) {
        return false;
    }
    keys.erase(found);
    // Keys are kept by full path: the subtree is the run of paths that begin with "key\".
    const std::u16string below = key + u'\\';
    auto first = keys.lower_bound(below);
    auto last = first;
    while (last != keys.end() && last->first.compare(0, below.size(), below) == 0) {
        ++last;
    }
    keys.erase(first, last);
    return true;
}

bool Registry::DeleteValue(RegistryRoot root, std::u16string_view path, std::u16string_view name)
{
    std::lock_guard lock(mutex_);
    Key* key = Find(root, path);
    return key != nullptr && key->values.erase(ToUpperAscii(name)) > 0;
}

std::optional<RegistryValue> Registry::GetValue(RegistryRoot root, std::u16string_view path,
                                                std::u16string_view name) const
{
    std::lock_guard lock(mutex_);
    const Key* key = Find(root, path);
    if (key == nullptr) {
        return std::nullopt;
    }
    const auto found = key->values.find(ToUpperAscii(name));
    if (found == key->values.end()) {
        return std::nullopt;
    }
    return found->second.second;
}

std::vector<std::u16string> Registry::ValueNames(RegistryRoot root, std::u16string_view path) const
{
    std::vector<std::u16string> names;
    std::lock_guard lock(mutex_);
    if (const Key* key = Find(root, path)) {
        for (const auto& entry : key->values) {
            names.push_back(entry.second.first);
        }
    }
    return names;
}

std::vector<std::u16string> Registry::SubKeyNames(RegistryRoot root, std::u16string_view path) const
{
    std::vector<std::u16string> names;
    std::u16string prefix = Normalise(path);
    if (!prefix.empty()) {
        prefix += u'\\';
    }
    std::lock_guard lock(mutex_);
    const auto& keys = keys_[static_cast<int>(root)];
    for (auto it = keys.lower_bound(prefix); it != keys.end(); ++it) {
        const std::u16string& full = it->first;
        if (full.compare(0, prefix.size(), prefix) != 0) {
            break;
        }
        if (full.size() > prefix.size() && full.find(u'\\', prefix.size()) == std::u16string::npos) {
            names.push_back(it->second.name);
        }
    }
    return names;
}

bool Registry::DenyRead(RegistryRoot root, std::u16string_view path, AccountName account)
{
    std::lock_guard lock(mutex_);
    Key* key = Find(root, path);
    if (key == nullptr) {
        return false;
    }
    key->readDenied.push_back(std::move(account));
    return true;
}

bool Registry::MayRead(RegistryRoot root, std::u16string_view path, const AccountName& account) const
{
    std::lock_guard lock(mutex_);
    const Key* key = Find(root, path);
    if (key == nullptr) {
        return true;
    }
    for (const AccountName& denied : key->readDenied) {
        if (EqualsNoCase(denied.user, account.user) &&
            (denied.domain.empty() || EqualsNoCase(denied.domain, account.domain))) {
            return false;
        }
    }
    return true;
}

void Registry::Clear()
{
    std::lock_guard lock(mutex_);
    for (auto& keys : keys_) {
        keys.clear();
    }
}

namespace {

struct RegistryTable {
    std::mutex mutex;
    std::map<std::u16string, std::shared_ptr<Registry>> byHost;  // upper-case name
};

RegistryTable& Registries()
{
    static RegistryTable table;
    return table;
}

}  // namespace

std::shared_ptr<Registry> RegistryOfHost(std::u16string_view host)
{
    const std::u16string name = services::IsLocalHostName(host) ? std::u16string(u".") : ToUpperAscii(host);
    RegistryTable& table = Registries();
    std::lock_guard lock(table.mutex);
    std::shared_ptr<Registry>& registry = table.byHost[name];
    if (!registry) {
        registry = std::make_shared<Registry>();
    }
    return registry;
}

void ResetRegistries()
{
    RegistryTable& table = Registries();
    std::lock_guard lock(table.mutex);
    table.byHost.clear();
}

}  // namespace pal::win32
