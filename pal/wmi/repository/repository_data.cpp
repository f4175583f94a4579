#include "repository/repository_data.h"

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
    std::shared_ptr<NamespaceData> copy;
    if (slot == nullptr) {
        copy = std::make_shared<NamespaceData>();
        copy->path = path;
    } else {
        copy = std::make_shared<NamespaceData>(*slot);
    }
    slot = copy;
    return *copy;
}

}  // namespace pal::wmi
