#include "repository/repository.h"

#include <unistd.h>

#include <mutex>

#include "accounting.h"
#include "repository/class_object.h"
#include "repository/mof_parser.h"
#include "repository/names.h"
#include "repository/repository_data.h"
#include "repository/shipped_mof.h"
#include "repository/variant_convert.h"

namespace pal::wmi {
namespace {

std::shared_ptr<const RepositoryData> EmptyData()
{
    auto data = std::make_shared<RepositoryData>();
    data->Edit(u"root");
    return data;
}

std::shared_ptr<const RepositoryData> ShippedData()
{
    auto data = std::make_shared<RepositoryData>();
    data->Edit(u"root");
    for (int i = 0; i < kShippedMofCount; ++i) {
        std::u16string error;
        if (FAILED(ParseMof(Utf8ToUtf16(kShippedMof[i].text), Widen(kShippedMof[i].defaultNamespace), *data,
                            &error))) {
            const std::string message = "shipped MOF for " + std::string(kShippedMof[i].defaultNamespace) +
                                        " does not load: " + Utf16ToUtf8(error);
            Fatal(message.c_str());
        }
    }
    return data;
}

// Compares strings without regard to case, as WMI compares key values.
bool ScalarsEqual(const Scalar& a, const Scalar& b)
{
    const auto* textA = std::get_if<std::u16string>(&a);
    const auto* textB = std::get_if<std::u16string>(&b);
    if (textA != nullptr && textB != nullptr) {
        return NamesEqual(*textA, *textB);
    }
    return a == b;
}

bool IsIntegerType(CIMTYPE type)
{
    switch (type) {
    case CIM_SINT8:
    case CIM_UINT8:
    case CIM_SINT16:
    case CIM_UINT16:
    case CIM_SINT32:
    case CIM_UINT32:
    case CIM_SINT64:
    case CIM_UINT64: return true;
    default: return false;
    }
}

// True when the key value of a path (as the path parser read it) equals the stored value.
bool KeyMatches(const PropertyDef& property, const Value& stored, const VARIANT& wanted)
{
    Value converted;
    if (FAILED(VariantToValue(property.type, &wanted, &converted))) {
        // Paths may carry numbers as text: `Class.Id="5"`.
        if (V_VT(&wanted) != VT_BSTR || V_BSTR(&wanted) == nullptr || !IsIntegerType(property.type)) {
            return false;
        }
        const std::string digits = Utf16ToUtf8(V_BSTR(&wanted));
        char* end = nullptr;
        VARIANT number;
        VariantInit(&number);
        V_VT(&number) = VT_I8;
        V_I8(&number) = std::strtoll(digits.c_str(), &end, 10);
        if (digits.empty() || *end != '\0' || FAILED(VariantToValue(property.type, &number, &converted))) {
            return false;
        }
    }
    return stored.shape == Value::Shape::Single && converted.shape == Value::Shape::Single &&
           ScalarsEqual(stored.scalar, converted.scalar);
}

std::u16string HostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof(name) - 1) != 0 || name[0] == '\0') {
        return u"LOCALHOST";
    }
    std::string text(name);
    const size_t dot = text.find('.');
    if (dot != std::string::npos) {
        text.resize(dot);
    }
    return FoldName(Widen(text));
}

}  // namespace

Repository::Repository(std::u16string serverName) : serverName_(std::move(serverName)), data_(EmptyData()) {}

Repository::~Repository() = default;

std::shared_ptr<Repository> Repository::CreateShipped(std::u16string serverName)
{
    auto repository = std::make_shared<Repository>(std::move(serverName));
    repository->ResetToShipped();
    return repository;
}

std::shared_ptr<const RepositoryData> Repository::Snapshot() const
{
    std::shared_lock lock(mutex_);
    return data_;
}

HRESULT Repository::LoadMof(std::u16string_view mofText, std::u16string_view defaultNamespace,
                            std::u16string* errorText)
{
    std::unique_lock lock(mutex_);
    auto working = std::make_shared<RepositoryData>(*data_);
    const HRESULT hr = ParseMof(mofText, defaultNamespace.empty() ? u"root\\default" : defaultNamespace,
                                *working, errorText);
    if (SUCCEEDED(hr)) {
        data_ = std::move(working);
    }
    return hr;
}

void Repository::ResetToShipped()
{
    auto fresh = ShippedData();
    std::unique_lock lock(mutex_);
    data_ = std::move(fresh);
}

bool Repository::HasNamespace(std::u16string_view nsPath) const
{
    return Snapshot()->Find(nsPath) != nullptr;
}

std::u16string Repository::CanonicalNamespace(std::u16string_view nsPath) const
{
    const auto data = Snapshot();
    const NamespaceData* ns = data->Find(nsPath);
    return ns == nullptr ? std::u16string() : ns->path;
}

std::vector<std::u16string> Repository::NamespaceNames() const
{
    std::vector<std::u16string> names;
    for (const auto& [key, ns] : Snapshot()->namespaces) {
        names.push_back(ns->path);
    }
    return names;
}

void Repository::CreateNamespace(std::u16string_view nsPath)
{
    std::unique_lock lock(mutex_);
    auto working = std::make_shared<RepositoryData>(*data_);
    working->Edit(nsPath);
    data_ = std::move(working);
}

HRESULT Repository::GetClass(std::u16string_view nsPath, std::u16string_view className,
                             IWbemClassObject** classObject) const
{
    if (classObject == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const auto data = Snapshot();
    const NamespaceData* ns = data->Find(nsPath);
    if (ns == nullptr) {
        return WBEM_E_INVALID_NAMESPACE;
    }
    auto cls = ns->FindClass(className);
    if (cls == nullptr) {
        return WBEM_E_NOT_FOUND;
    }
    *classObject = ClassObject::Create(ObjectData::ForClass(std::move(cls), serverName_, ns->path));
    return WBEM_S_NO_ERROR;
}

HRESULT Repository::ClassNames(std::u16string_view nsPath, std::vector<std::u16string>* names) const
{
    const auto data = Snapshot();
    const NamespaceData* ns = data->Find(nsPath);
    if (ns == nullptr) {
        return WBEM_E_INVALID_NAMESPACE;
    }
    names->clear();
    for (const auto& cls : ns->classes) {
        names->push_back(cls->name);
    }
    return WBEM_S_NO_ERROR;
}

std::u16string Repository::CanonicalClassName(std::u16string_view nsPath, std::u16string_view className) const
{
    const auto data = Snapshot();
    const NamespaceData* ns = data->Find(nsPath);
    const auto cls = ns == nullptr ? nullptr : ns->FindClass(className);
    return cls == nullptr ? std::u16string() : cls->name;
}

bool Repository::InheritsFrom(std::u16string_view nsPath, std::u16string_view className,
                              std::u16string_view ancestor) const
{
    const auto data = Snapshot();
    const NamespaceData* ns = data->Find(nsPath);
    const auto cls = ns == nullptr ? nullptr : ns->FindClass(className);
    return cls != nullptr && ns->Derives(*cls, ancestor);
}

HRESULT Repository::KeyProperties(std::u16string_view nsPath, std::u16string_view className,
                                  std::vector<std::u16string>* keyNames, bool* isSingleton) const
{
    const auto data = Snapshot();
    const NamespaceData* ns = data->Find(nsPath);
    if (ns == nullptr) {
        return WBEM_E_INVALID_NAMESPACE;
    }
    const auto cls = ns->FindClass(className);
    if (cls == nullptr) {
        return WBEM_E_NOT_FOUND;
    }
    if (keyNames != nullptr) {
        *keyNames = cls->keyNames;
    }
    if (isSingleton != nullptr) {
        *isSingleton = cls->singleton;
    }
    return WBEM_S_NO_ERROR;
}

HRESULT Repository::Instances(std::u16string_view nsPath, std::u16string_view className,
                              std::vector<ObjectPtr>* instances) const
{
    const auto data = Snapshot();
    const NamespaceData* ns = data->Find(nsPath);
    if (ns == nullptr) {
        return WBEM_E_INVALID_NAMESPACE;
    }
    if (ns->FindClass(className) == nullptr) {
        return WBEM_E_NOT_FOUND;
    }
    instances->clear();
    for (const auto& instance : ns->instances) {
        if (ns->Derives(*instance->cls, className)) {
            ObjectData copy = *instance;
            copy.server = serverName_;
            copy.nsPath = ns->path;
            instances->emplace_back(ClassObject::Create(std::move(copy)));
        }
    }
    return WBEM_S_NO_ERROR;
}

HRESULT Repository::FindInstance(std::u16string_view nsPath, std::u16string_view className,
                                 const std::vector<KeyBinding>& keys, IWbemClassObject** instance) const
{
    if (instance == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const auto data = Snapshot();
    const NamespaceData* ns = data->Find(nsPath);
    if (ns == nullptr) {
        return WBEM_E_INVALID_NAMESPACE;
    }
    const auto cls = ns->FindClass(className);
    if (cls == nullptr) {
        return WBEM_E_NOT_FOUND;
    }
    if (keys.empty() ? !cls->singleton : keys.size() != cls->keyNames.size()) {
        return WBEM_E_INVALID_OBJECT_PATH;
    }
    for (const auto& key : keys) {
        bool known = false;
        for (const auto& keyName : cls->keyNames) {
            known = known || NamesEqual(keyName, key.name);
        }
        if (!known) {
            return WBEM_E_INVALID_OBJECT_PATH;
        }
    }
    for (const auto& candidate : ns->instances) {
        if (!ns->Derives(*candidate->cls, className)) {
            continue;
        }
        bool matches = true;
        for (const auto& key : keys) {
            const int index = candidate->cls->FindProperty(key.name);
            matches = matches && index >= 0 &&
                      KeyMatches(candidate->cls->properties[static_cast<size_t>(index)],
                                 candidate->values[static_cast<size_t>(index)], key.value);
        }
        if (matches) {
            ObjectData copy = *candidate;
            copy.server = serverName_;
            copy.nsPath = ns->path;
            *instance = ClassObject::Create(std::move(copy));
            return WBEM_S_NO_ERROR;
        }
    }
    return WBEM_E_NOT_FOUND;
}

HRESULT Repository::PutInstance(std::u16string_view nsPath, IWbemClassObject* instance)
{
    const ClassObject* object = AsEmulatorObject(instance);
    if (object == nullptr || object->Data().isClass) {
        return WBEM_E_INVALID_PARAMETER;
    }
    std::unique_lock lock(mutex_);
    const NamespaceData* ns = data_->Find(nsPath);
    if (ns == nullptr) {
        return WBEM_E_INVALID_NAMESPACE;
    }
    if (ns->FindClass(object->Data().cls->name) == nullptr) {
        return WBEM_E_INVALID_CLASS;
    }
    ObjectData copy = object->Data();
    copy.server.clear();
    copy.nsPath = ns->path;
    const std::u16string path = copy.RelativePath();
    if (path.empty()) {
        return WBEM_E_ILLEGAL_NULL;
    }
    auto working = std::make_shared<RepositoryData>(*data_);
    NamespaceData& editable = working->Edit(nsPath);
    auto stored = std::make_shared<const ObjectData>(std::move(copy));
    bool replaced = false;
    for (auto& existing : editable.instances) {
        if (NamesEqual(existing->RelativePath(), path)) {
            existing = stored;
            replaced = true;
            break;
        }
    }
    if (!replaced) {
        editable.instances.push_back(std::move(stored));
    }
    data_ = std::move(working);
    return WBEM_S_NO_ERROR;
}

HRESULT Repository::DeleteInstance(std::u16string_view nsPath, std::u16string_view className,
                                   const std::vector<KeyBinding>& keys)
{
    IWbemClassObject* found = nullptr;
    const HRESULT hr = FindInstance(nsPath, className, keys, &found);
    if (FAILED(hr)) {
        return hr;
    }
    const std::u16string path = AsEmulatorObject(found)->Data().RelativePath();
    found->Release();
    std::unique_lock lock(mutex_);
    auto working = std::make_shared<RepositoryData>(*data_);
    NamespaceData& editable = working->Edit(nsPath);
    for (auto it = editable.instances.begin(); it != editable.instances.end(); ++it) {
        if (NamesEqual((*it)->RelativePath(), path)) {
            editable.instances.erase(it);
            data_ = std::move(working);
            return WBEM_S_NO_ERROR;
        }
    }
    return WBEM_E_NOT_FOUND;
}

std::u16string LocalServerName()
{
    static const std::u16string name = HostName();
    return name;
}

std::shared_ptr<Repository> LocalRepository()
{
    static const std::shared_ptr<Repository> local = Repository::CreateShipped(LocalServerName());
    return local;
}

bool IsEmulatorObject(IWbemClassObject* object)
{
    return AsEmulatorObject(object) != nullptr;
}

}  // namespace pal::wmi
