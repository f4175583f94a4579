// The contents of a repository: namespaces with their classes and instances, in declaration
// order. Everything inside is immutable once stored and shared between snapshots, so a writer
// copies only what it changes and readers keep a consistent snapshot.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "repository/object_data.h"
#include "repository/schema.h"

namespace pal::wmi {

struct NamespaceData {
    std::u16string path;  // stored spelling, e.g. root\cimv2
    std::vector<std::shared_ptr<const ClassDef>> classes;

    std::shared_ptr<const ClassDef> FindClass(std::u16string_view name) const;
    // True when `className` is `ancestor` or derives from it.
    bool Derives(const ClassDef& cls, std::u16string_view ancestor) const;

    // Instances, in the order they were stored.
    const std::vector<std::shared_ptr<const ObjectData>>& Instances() const { return instances_; }
    void AppendInstance(std::shared_ptr<const ObjectData> instance);
    // The same, with KeyHashOf(*instance) at hand.
    void AppendInstance(std::shared_ptr<const ObjectData> instance, size_t keyHash);
    // Puts `instance` in the place of the one at `position`, whose key values it has.
    void ReplaceInstance(size_t position, std::shared_ptr<const ObjectData> instance);
    void EraseInstance(size_t position);

    // The hash of key values (ObjectData::KeyValuesText) without regard to case.
    static size_t KeyHash(std::u16string_view keyValues);
    static size_t KeyHashOf(const ObjectData& instance) { return KeyHash(instance.KeyValuesText()); }
    // Positions, in storing order, of the instances whose key values hash to `keyHash`: every
    // instance whose key values equal the hashed ones without regard to case is among them.
    std::vector<size_t> InstancesWithKeyHash(size_t keyHash) const;
    std::vector<size_t> InstancesKeyed(std::u16string_view keyValues) const
    {
        return InstancesWithKeyHash(KeyHash(keyValues));
    }
    std::vector<size_t> InstancesKeyedLike(const ObjectData& instance) const
    {
        return InstancesWithKeyHash(KeyHashOf(instance));
    }

private:
    // One slot of the index; a free slot has the position kFree.
    struct IndexSlot {
        size_t keyHash;
        size_t position;
    };
    static constexpr size_t kFree = static_cast<size_t>(-1);

    void Index(size_t keyHash, size_t position);
    void Reindex(size_t slots);

    std::vector<std::shared_ptr<const ObjectData>> instances_;
    // Positions in instances_ by the hash of their key values, so that storing and finding an
    // instance by its keys looks at no other instance: open addressing with linear probing, a power
    // of two slots at most half full, with no allocation of its own per instance.
    std::vector<IndexSlot> index_;
};

struct RepositoryData {
    RepositoryData() = default;
    // A copy to change: it shares every namespace with `other` until it edits one.
    RepositoryData(const RepositoryData& other) : namespaces(other.namespaces), server(other.server) {}
    RepositoryData& operator=(const RepositoryData&) = delete;

    // Keyed by the upper-cased path.
    std::map<std::u16string, std::shared_ptr<const NamespaceData>> namespaces;
    // The server name that stored instances report (in __SERVER and __PATH).
    std::u16string server;

    const NamespaceData* Find(std::u16string_view nsPath) const;
    // A writable copy of the namespace, created (with its parents) when missing. The first edit of
    // a namespace copies it; later edits through the same RepositoryData change that copy.
    NamespaceData& Edit(std::u16string_view nsPath);

private:
    // The namespaces this RepositoryData made itself, which no snapshot shares yet.
    std::set<const NamespaceData*> own_;
};

// `root/cimv2`, `\\.\root\cimv2` and `ROOT\CIMV2\` all name root\cimv2: slashes become
// backslashes, a leading server part and trailing separators are dropped.
std::u16string NormalizeNamespace(std::u16string_view nsPath);

}  // namespace pal::wmi
