#include "win32/registry.h"

#include <utility>

#include "base/names.h"
#include "base/text.h"
#include "hosts/hosts.h"
#include "repository/repository.h"

namespace pal::win32 {

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

namespace {

// The components of a path, without a trailing backslash; false when one is empty.
template <class Visit>
bool ForEachComponent(std::u16string_view path, Visit&& visit)
{
    if (!path.empty() && path.back() == u'\\') {
        path.remove_suffix(1);
    }
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos) {
            end = path.size();
        }
        if (end == start) {
            return false;
        }
        if (!visit(path.substr(start, end - start))) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

}  // namespace

Registry::~Registry()
{
    for (Key& root : roots_) {
        DropSubKeys(root);
    }
}

void Registry::DropSubKeys(Key& key)
{
    std::vector<std::unique_ptr<Key>> pending;
    const auto detach = [&pending](Key& from) {
        for (auto& entry : from.subKeys) {
            pending.push_back(std::move(entry.second));
        }
        from.subKeys.clear();
    };
    detach(key);
    while (!pending.empty()) {
        const std::unique_ptr<Key> next = std::move(pending.back());
        pending.pop_back();
        detach(*next);
    }
}

const Registry::Key* Registry::Find(RegistryRoot root, std::u16string_view path) const
{
    const Key* key = &roots_[static_cast<int>(root)];
    const bool found = ForEachComponent(path, [&key](std::u16string_view name) {
        const auto sub = key->subKeys.find(FoldName(name));
        if (sub == key->subKeys.end()) {
            return false;
        }
        key = sub->second.get();
        return true;
    });
    return found ? key : nullptr;
}

Registry::Key* Registry::Find(RegistryRoot root, std::u16string_view path)
{
    return const_cast<Key*>(std::as_const(*this).Find(root, path));
}

bool Registry::CreateKey(RegistryRoot root, std::u16string_view path)
{
    size_t depth = 0;
    if (!ForEachComponent(path, [&depth](std::u16string_view) { return ++depth <= kMaxRegistryDepth; })) {
        return false;
    }
    std::lock_guard lock(mutex_);
    Key* key = &roots_[static_cast<int>(root)];
    ForEachComponent(path, [&key](std::u16string_view name) {
        std::unique_ptr<Key>& sub = key->subKeys[FoldName(name)];
        if (sub == nullptr) {
            sub = std::make_unique<Key>();
            sub->name = std::u16string(name);
        }
        key = sub.get();
        return true;
    });
    return true;
}

bool Registry::KeyExists(RegistryRoot root, std::u16string_view path) const
{
    if (!IsWellFormed(path)) {
        return false;
    }
    std::lock_guard lock(mutex_);
    return Find(root, path) != nullptr;
}

bool Registry::SetValue(RegistryRoot root, std::u16string_view path, std::u16string_view name,
                        RegistryValue value)
{
    std::lock_guard lock(mutex_);
    Key* key = Find(root, path);
    if (key == nullptr) {
        return false;
    }
    key->values[FoldName(name)] = {std::u16string(name), std::move(value)};
    return true;
}

bool Registry::DeleteKey(RegistryRoot root, std::u16string_view path)
{
    if (!path.empty() && path.back() == u'\\') {
        path.remove_suffix(1);
    }
    if (path.empty()) {
        return false;
    }
    const size_t last = path.rfind(u'\\');
    const std::u16string_view parentPath =
        last == std::u16string_view::npos ? std::u16string_view() : path.substr(0, last);
    const std::u16string name = FoldName(last == std::u16string_view::npos ? path : path.substr(last + 1));
    std::lock_guard lock(mutex_);
    Key* parent = Find(root, parentPath);
    if (parent == nullptr || name.empty()) {
        return false;
    }
    const auto found = parent->subKeys.find(name);
    if (found == parent->subKeys.end()) {
        return false;
    }
    DropSubKeys(*found->second);
    parent->subKeys.erase(found);
    return true;
}

bool Registry::DeleteValue(RegistryRoot root, std::u16string_view path, std::u16string_view name)
{
    std::lock_guard lock(mutex_);
    Key* key = Find(root, path);
    return key != nullptr && key->values.erase(FoldName(name)) > 0;
}

std::optional<RegistryValue> Registry::GetValue(RegistryRoot root, std::u16string_view path,
                                                std::u16string_view name) const
{
    std::lock_guard lock(mutex_);
    const Key* key = Find(root, path);
    if (key == nullptr) {
        return std::nullopt;
    }
    const auto found = key->values.find(FoldName(name));
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
    std::lock_guard lock(mutex_);
    if (const Key* key = Find(root, path)) {
        for (const auto& entry : key->subKeys) {
            names.push_back(entry.second->name);
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
        if (NamesEqual(denied.user, account.user) &&
            (denied.domain.empty() || NamesEqual(denied.domain, account.domain))) {
            return false;
        }
    }
    return true;
}

void Registry::Clear()
{
    std::lock_guard lock(mutex_);
    for (Key& root : roots_) {
        DropSubKeys(root);
        root = Key();
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
    const std::u16string name = hosts::IsLocalHostName(host) ? std::u16string(u".") : FoldName(host);
    RegistryTable& table = Registries();
    std::lock_guard lock(table.mutex);
    std::shared_ptr<Registry>& registry = table.byHost[name];
    if (!registry) {
        registry = std::make_shared<Registry>();
        SeedStandardKeys(*registry, name == u"." ? wmi::LocalServerName() : name);
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
