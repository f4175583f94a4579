// The contents of a repository: namespaces with their classes and instances, in declaration
// order. Everything inside is immutable once stored and shared between snapshots, so a writer
// copies only what it changes and readers keep a consistent snapshot.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "repository/object_data.h"
#include "repository/schema.h"

namespace pal::wmi {

struct NamespaceData {
    std::u16string path;  // stored spelling, e.g. root\cimv2
    std::vector<std::shared_ptr<const ClassDef>> classes;
    std::vector<std::shared_ptr<const ObjectData>> instances;

    std::shared_ptr<const ClassDef> FindClass(std::u16string_view name) const;
    // True when `className` is `ancestor` or derives from it.
    bool Derives(const ClassDef& cls, std::u16string_view ancestor) const;
};

struct RepositoryData {
    // Keyed by the upper-cased path.
    std::map<std::u16string, std::shared_ptr<const NamespaceData>> namespaces;

    const NamespaceData* Find(std::u16string_view nsPath) const;
    // A writable copy of the namespace, created (with its parents) when missing.
    NamespaceData& Edit(std::u16string_view nsPath);
};

// `root/cimv2`, `\\.\root\cimv2` and `ROOT\CIMV2\` all name root\cimv2: slashes become
// backslashes, a leading server part and trailing separators are dropped.
std::u16string NormalizeNamespace(std::u16string_view nsPath);

}  // namespace pal::wmi
