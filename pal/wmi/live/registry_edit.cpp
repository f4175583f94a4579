#include "live/registry_edit.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "services/text.h"

namespace pal::live {

namespace {

struct KeyCopy {
    win32::RegistryRoot root;
    std::u16string path;
    std::vector<std::pair<std::u16string, win32::RegistryValue>> values;
};

std::u16string Child(const std::u16string& parent, const std::u16string& name)
{
    return parent.empty() ? name : parent + u'\\' + name;
}

bool SamePath(std::u16string_view a, std::u16string_view b)
{
    while (!a.empty() && a.back() == u'\\') {
        a.remove_suffix(1);
    }
    while (!b.empty() && b.back() == u'\\') {
        b.remove_suffix(1);
    }
    return services::EqualsNoCase(a, b);
}

// Every key below `path` (depth first, parents before children) with its values.
void CopyTree(const win32::Registry& registry, win32::RegistryRoot root, const std::u16string& path,
              std::vector<KeyCopy>& keys)
{
    KeyCopy key{root, path, {}};
    for (const std::u16string& name : registry.ValueNames(root, path)) {
        if (std::optional<win32::RegistryValue> value = registry.GetValue(root, path, name)) {
            key.values.emplace_back(name, std::move(*value));
        }
    }
    keys.push_back(std::move(key));
    for (const std::u16string& name : registry.SubKeyNames(root, path)) {
        CopyTree(registry, root, Child(path, name), keys);
    }
}

// Rebuilds the registry from a copy that `edit` has changed; one rebuild at a time.
template <class Edit>
void Rebuild(win32::Registry& registry, Edit edit)
{
    static std::mutex rebuilding;
    std::lock_guard lock(rebuilding);
    std::vector<KeyCopy> keys;
    for (int root = 0; root < win32::kRegistryRootCount; ++root) {
        CopyTree(registry, static_cast<win32::RegistryRoot>(root), u"", keys);
    }
    edit(keys);
    registry.Clear();
    for (const KeyCopy& key : keys) {
        if (!key.path.empty()) {
            registry.CreateKey(key.root, key.path);
        }
        for (const auto& [name, value] : key.values) {
            registry.SetValue(key.root, key.path, name, value);
        }
    }
}

}  // namespace

void RemoveRegistryKey(win32::Registry& registry, win32::RegistryRoot root, std::u16string_view path)
{
    Rebuild(registry, [&](std::vector<KeyCopy>& keys) {
        std::erase_if(keys, [&](const KeyCopy& key) { return key.root == root && SamePath(key.path, path); });
    });
}

void RemoveRegistryValue(win32::Registry& registry, win32::RegistryRoot root, std::u16string_view path,
                         std::u16string_view valueName)
{
    Rebuild(registry, [&](std::vector<KeyCopy>& keys) {
        for (KeyCopy& key : keys) {
            if (key.root == root && SamePath(key.path, path)) {
                std::erase_if(key.values, [&](const auto& value) {
                    return services::EqualsNoCase(value.first, valueName);
                });
            }
        }
    });
}

}  // namespace pal::live
