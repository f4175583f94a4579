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

void NamespaceData::Index(size_t keyHash, size_t position)
{
    if ((instances_.size() + 1) * 2 > index_.size()) {
        Reindex(std::max<size_t>(16, index_.size() * 2));
    }
    const size_t mask = index_.size() - 1;
    size_t slot = keyHash & mask;
    while (index_[slot].position != kFree) {
        slot = (slot + 1) & mask;
    }
    index_[slot] = IndexSlot{keyHash, position};
}

void NamespaceData::Reindex(size_t slots)
{
    std::vector<IndexSlot> previous(slots, IndexSlot{0, kFree});
    previous.swap(index_);
    const size_t mask = index_.size() - 1;
    for (const IndexSlot& entry : previous) {
        if (entry.position == kFree) {
            continue;
        }
        size_t slot = entry.keyHash & mask;
        while (index_[slot].position != kFree) {
            slot = (slot + 1) & mask;
        }
        index_[slot] = entry;
    }
}

void NamespaceData::AppendInstance(std::shared_ptr<const ObjectData> instance)
{
    const size_t keyHash = KeyHashOf(*instance);
    AppendInstance(std::move(instance), keyHash);
}

void NamespaceData::AppendInstance(std::shared_ptr<const ObjectData> instance, size_t keyHash)
{
    Index(keyHash, instances_.size());
    instances_.push_back(std::move(instance));
}

void NamespaceData::ReplaceInstance(size_t position, std::shared_ptr<const ObjectData> instance)
{
    instances_[position] = std::move(instance);
}

void NamespaceData::EraseInstance(size_t position)
{
    instances_.erase(instances_.begin() + static_cast<std::ptrdiff_t>(position));
    std::vector<std::shared_ptr<const ObjectData>> kept;
    kept.swap(instances_);
    index_.clear();
    for (auto& instance : kept) {
        AppendInstance(std::move(instance));
    }
}

std::vector<size_t> NamespaceData::InstancesWithKeyHash(size_t keyHash) const
{
    std::vector<size_t> positions;
    if (index_.empty()) {
        return positions;
    }
    const size_t mask = index_.size() - 1;
    for (size_t slot = keyHash & mask; index_[slot].position != kFree; slot = (slot + 1) & mask) {
        if (index_[slot].keyHash == keyHash) {
            positions.push_back(index_[slot].position);
        }
    }
    std::sort(positions.begin(), positions.end());
    return positions;
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
