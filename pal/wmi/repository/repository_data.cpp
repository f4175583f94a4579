#include "repository/repository_data.h"

#include <algorithm>
#include <functional>

#include "repository/names.h"

namespace pal::wmi {

std::shared_ptr<const ClassDef> NamespaceData::FindClass(std::u16string_view name) const
{
    for (const auto& cls : classes) {
        if (NamesEqual(cls->name, name)) {
            return cls;
        }
    }
    return nullptr;
}

bool NamespaceData::Derives(const ClassDef& cls, std::u16string_view ancestor) const
{
    if (NamesEqual(cls.name, ancestor)) {
        return true;
    }
    for (const auto& name : cls.derivation) {
        if (NamesEqual(name, ancestor)) {
            return true;
        }
    }
    return false;
}

size_t NamespaceData::KeyHash(std::u16string_view keyValues)
{
    return std::hash<std::u16string>{}(FoldName(keyValues));
}

void NamespaceData::Index(size_t position)
{
    byKey_.emplace(KeyHash(instances_[position]->KeyValuesText()), position);
}

void NamespaceData::AppendInstance(std::shared_ptr<const ObjectData> instance)
{
    instances_.push_back(std::move(instance));
    Index(instances_.size() - 1);
}

void NamespaceData::ReplaceInstance(size_t position, std::shared_ptr<const ObjectData> instance)
{
    instances_[position] = std::move(instance);
}

void NamespaceData::EraseInstance(size_t position)
{
    instances_.erase(instances_.begin() + static_cast<std::ptrdiff_t>(position));
    byKey_.clear();
    for (size_t i = 0; i < instances_.size(); ++i) {
        Index(i);
    }
}

std::vector<size_t> NamespaceData::InstancesKeyed(std::u16string_view keyValues) const
{
    std::vector<size_t> positions;
    const auto [first, last] = byKey_.equal_range(KeyHash(keyValues));
    for (auto it = first; it != last; ++it) {
        positions.push_back(it->second);
    }
    std::sort(positions.begin(), positions.end());
    return positions;
}

std::vector<size_t> NamespaceData::InstancesKeyedLike(const ObjectData& instance) const
{
    return InstancesKeyed(instance.KeyValuesText());
}

std::u16string NormalizeNamespace(std::u16string_view nsPath)
{
    std::u16string path(nsPath);
    for (auto& c : path) {
        if (c == u'/') {
            c = u'\\';
        }
    }
    if (path.rfind(u"\\\\", 0) == 0) {
        const size_t serverEnd = path.find(u'\\', 2);
        path = serverEnd == std::u16string::npos ? std::u16string() : path.substr(serverEnd + 1);
    }
    while (!path.empty() && path.back() == u'\\') {
        path.pop_back();
    }
    while (!path.empty() && path.front() == u'\\') {
        path.erase(0, 1);
    }
    return path;
}

const NamespaceData* RepositoryData::Find(std::u16string_view nsPath) const
{
    const auto found = namespaces.find(FoldName(NormalizeNamespace(nsPath)));
    return found == namespaces.end() ? nullptr : found->second.get();
}

NamespaceData& RepositoryData::Edit(std::u16string_view nsPath)
{
    const std::u16string path = NormalizeNamespace(nsPath);
    const size_t parentEnd = path.rfind(u'\\');
    if (parentEnd != std::u16string::npos) {
        Edit(path.substr(0, parentEnd));
    }
    auto& slot = namespaces[FoldName(path)];
    if (slot != nullptr && own_.count(slot.get()) != 0) {
        // Made by this copy, never shared with a snapshot: it was created non-const.
        return const_cast<NamespaceData&>(*slot);
    }
    std::shared_ptr<NamespaceData> copy;
    if (slot == nullptr) {
        copy = std::make_shared<NamespaceData>();
        copy->path = path;
    } else {
        copy = std::make_shared<NamespaceData>(*slot);
    }
    slot = copy;
    own_.insert(copy.get());
    return *copy;
}

}  // namespace pal::wmi
