#include "repository/repository.h"

#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <optional>

#include "accounting.h"
#include "repository/class_object.h"
#include "repository/mof_fixtures.h"
#include "repository/mof_parser.h"
#include "repository/names.h"
#include "repository/repository_data.h"
#include "repository/shipped_mof.h"
#include "repository/variant_convert.h"

namespace pal::wmi {
namespace {

std::shared_ptr<const RepositoryData> EmptyData(const std::u16string& server)
{
    auto data = std::make_shared<RepositoryData>();
    data->server = server;
    data->Edit(u"root");
    return data;
}

std::shared_ptr<const RepositoryData> ShippedData(const std::u16string& server)
{
    auto data = std::make_shared<RepositoryData>();
    data->server = server;
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

// The key value of a path (as the path parser read it) as a value of the key property's type.
bool ConvertKey(const PropertyDef& property, const VARIANT& wanted, Value* converted)
{
    if (FAILED(VariantToValue(property.type, &wanted, converted))) {
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
        if (digits.empty() || *end != '\0' || FAILED(VariantToValue(property.type, &number, converted))) {
            return false;
        }
    }
    return converted->shape == Value::Shape::Single;
}

// True when the key value of a path (as the path parser read it) equals the stored value.
bool KeyMatches(const PropertyDef& property, const Value& stored, const VARIANT& wanted)
{
    Value converted;
    return ConvertKey(property, wanted, &converted) && stored.shape == Value::Shape::Single &&
           ScalarsEqual(stored.scalar, converted.scalar);
}

// True when `candidate` is an instance of `className` (or a subclass) whose keys equal `keys`.
bool InstanceMatches(const NamespaceData& ns, const ObjectData& candidate, std::u16string_view className,
                     const std::vector<KeyBinding>& keys)
{
    if (!ns.Derives(*candidate.cls, className)) {
        return false;
    }
    for (const auto& key : keys) {
        const int index = candidate.cls->FindProperty(key.name);
        if (index < 0 || !KeyMatches(candidate.cls->properties[static_cast<size_t>(index)],
                                     candidate.values[static_cast<size_t>(index)], key.value)) {
            return false;
        }
    }
    return true;
}

// The key values (as ObjectData::KeyValuesText writes them) of every instance that `keys` find
// among the instances of `cls` and its subclasses; nullopt when they cannot be told in advance,
// because a subclass has keys of its own, a key is given twice or a value has no path text. Then
// every instance is to be looked at.
std::optional<std::u16string> KeyValuesFound(const NamespaceData& ns, const ClassDef& cls,
                                             const std::vector<KeyBinding>& keys)
{
    for (const auto& other : ns.classes) {
        if (!ns.Derives(*other, cls.name)) {
            continue;
        }
        if (other->singleton != cls.singleton || other->keyNames.size() != cls.keyNames.size()) {
            return std::nullopt;
        }
        for (const auto& keyName : cls.keyNames) {
            const int mine = cls.FindProperty(keyName);
            const int theirs = other->FindProperty(keyName);
            if (theirs < 0 || other->properties[static_cast<size_t>(theirs)].type !=
                                  cls.properties[static_cast<size_t>(mine)].type) {
                return std::nullopt;
            }
        }
    }
    if (keys.empty()) {
        return cls.keyNames.empty() ? std::optional<std::u16string>(u"@") : std::nullopt;
    }
    std::vector<const KeyBinding*> sorted;
    for (const auto& key : keys) {
        sorted.push_back(&key);
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const KeyBinding* a, const KeyBinding* b) { return NameLess(a->name, b->name); });
    std::u16string text;
    for (size_t i = 0; i < sorted.size(); ++i) {
        const int index = cls.FindProperty(sorted[i]->name);
        if (index < 0 || (i > 0 && NamesEqual(sorted[i - 1]->name, sorted[i]->name))) {
            return std::nullopt;
        }
        const PropertyDef& property = cls.properties[static_cast<size_t>(index)];
        Value converted;
        if (!ConvertKey(property, sorted[i]->value, &converted)) {
            return std::nullopt;
        }
        const std::u16string value = KeyValueText(converted);
        if (value.empty()) {
            return std::nullopt;
        }
        if (i > 0) {
            text += u",";
        }
        text += property.name + u"=" + value;
    }
    return text;
}

// A new COM object for a stored instance, sharing the stored data until the caller changes it.
// Stored instances carry their repository's server name and their namespace's path already (the
// parser and PutInstance put them there), so the data is handed out as it is.
IWbemClassObject* HandOut(const std::shared_ptr<const ObjectData>& stored)
{
    return ClassObject::Share(stored);
}

// The first stored instance whose relative path equals `path` without regard to case.
std::optional<size_t> FirstWithPath(const NamespaceData& ns, const ObjectData& like,
                                    const std::u16string& path)
{
    for (const size_t position : ns.InstancesKeyedLike(like)) {
        if (NamesEqual(ns.Instances()[position]->RelativePath(), path)) {
            return position;
        }
    }
    return std::nullopt;
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

Repository::Repository(std::u16string serverName)
    : serverName_(std::move(serverName)), data_(EmptyData(serverName_))
{
}

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
    std::unique_lock lock(mutex_);
    if (start_ == nullptr) {
        lock.unlock();
        auto shipped = ShippedData(serverName_);
        lock.lock();
        if (start_ == nullptr) {
            start_ = std::move(shipped);
        }
    }
    data_ = start_;
    fixtures_.clear();
}

HRESULT Repository::Reload(std::shared_ptr<const RepositoryData>& base, size_t first,
                           std::vector<Fixture>& fixtures, MofFailure* failure) const
{
    for (size_t i = first; i < fixtures.size(); ++i) {
        auto working = std::make_shared<RepositoryData>(*base);
        const HRESULT hr =
            ParseMofSources(fixtures[i].sources, fixtures[i].defaultNamespace, *working, true, failure);
        if (FAILED(hr)) {
            return hr;
        }
        fixtures[i].before = std::move(base);
        base = std::move(working);
    }
    return WBEM_S_NO_ERROR;
}

HRESULT Repository::AddToStart(const std::vector<MofSource>& sources, MofFailure* failure)
{
    std::unique_lock lock(mutex_);
    if (start_ == nullptr) {
        // What there was before the first fixture.
        start_ = fixtures_.empty() ? data_ : fixtures_.front().before;
    }
    auto start = std::make_shared<RepositoryData>(*start_);
    HRESULT hr = ParseMofSources(sources, u"root\\default", *start, true, failure);
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<Fixture> fixtures = fixtures_;
    std::shared_ptr<const RepositoryData> data = start;
    hr = Reload(data, 0, fixtures, failure);
    if (FAILED(hr)) {
        return hr;
    }
    start_ = std::move(start);
    data_ = std::move(data);
    fixtures_ = std::move(fixtures);
    return WBEM_S_NO_ERROR;
}

HRESULT Repository::LoadFixture(const std::vector<MofSource>& sources, std::u16string_view defaultNamespace,
                                std::uint64_t* fixture, MofFailure* failure)
{
    Fixture loaded{0, sources, std::u16string(defaultNamespace.empty() ? u"root\\default" : defaultNamespace),
                   nullptr};
    std::unique_lock lock(mutex_);
    auto working = std::make_shared<RepositoryData>(*data_);
    const HRESULT hr = ParseMofSources(loaded.sources, loaded.defaultNamespace, *working, true, failure);
    if (FAILED(hr)) {
        return hr;
    }
    loaded.number = nextFixture_++;
    loaded.before = data_;
    fixtures_.push_back(std::move(loaded));
    data_ = std::move(working);
    if (fixture != nullptr) {
        *fixture = fixtures_.back().number;
    }
    return WBEM_S_NO_ERROR;
}

HRESULT Repository::UnloadFixture(std::uint64_t fixture, MofFailure* failure)
{
    std::unique_lock lock(mutex_);
    const auto found = std::find_if(fixtures_.begin(), fixtures_.end(),
                                    [&](const Fixture& loaded) { return loaded.number == fixture; });
    if (found == fixtures_.end()) {
        return WBEM_E_NOT_FOUND;
    }
    std::vector<Fixture> remaining = fixtures_;
    const auto position = static_cast<size_t>(found - fixtures_.begin());
    remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(position));
    std::shared_ptr<const RepositoryData> data = found->before;
    const HRESULT hr = Reload(data, position, remaining, failure);
    if (FAILED(hr)) {
        return hr;
    }
    data_ = std::move(data);
    fixtures_ = std::move(remaining);
    return WBEM_S_NO_ERROR;
}

bool Repository::IsFixtureClass(std::u16string_view nsPath, std::u16string_view className) const
{
    const auto data = Snapshot();
    const NamespaceData* ns = data->Find(nsPath);
    const auto cls = ns == nullptr ? nullptr : ns->FindClass(className);
    return cls != nullptr && cls->fixture;
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
    instances->reserve(ns->Instances().size());
    for (const auto& instance : ns->Instances()) {
        if (ns->Derives(*instance->cls, className)) {
            instances->emplace_back(HandOut(instance));
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
    const auto& instances = ns->Instances();
    const std::optional<std::u16string> keyValues = KeyValuesFound(*ns, *cls, keys);
    if (keyValues.has_value()) {
        for (const size_t position : ns->InstancesKeyed(*keyValues)) {
            if (InstanceMatches(*ns, *instances[position], className, keys)) {
                *instance = HandOut(instances[position]);
                return WBEM_S_NO_ERROR;
            }
        }
        return WBEM_E_NOT_FOUND;
    }
    for (const auto& candidate : instances) {
        if (InstanceMatches(*ns, *candidate, className, keys)) {
            *instance = HandOut(candidate);
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
    copy.server = serverName_;
    copy.nsPath = ns->path;
    const std::u16string path = copy.RelativePath();
    if (path.empty()) {
        return WBEM_E_ILLEGAL_NULL;
    }
    auto working = std::make_shared<RepositoryData>(*data_);
    NamespaceData& editable = working->Edit(nsPath);
    auto stored = std::make_shared<const ObjectData>(std::move(copy));
    const std::optional<size_t> existing = FirstWithPath(editable, *stored, path);
    if (existing.has_value()) {
        editable.ReplaceInstance(*existing, std::move(stored));
    } else {
        editable.AppendInstance(std::move(stored));
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
    const ObjectData& data = AsEmulatorObject(found)->Data();
    const std::u16string path = data.RelativePath();
    const std::u16string keyValues = data.KeyValuesText();
    found->Release();
    std::unique_lock lock(mutex_);
    auto working = std::make_shared<RepositoryData>(*data_);
    NamespaceData& editable = working->Edit(nsPath);
    for (const size_t position : editable.InstancesKeyed(keyValues)) {
        if (NamesEqual(editable.Instances()[position]->RelativePath(), path)) {
            editable.EraseInstance(position);
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
    static const std::shared_ptr<Repository> local = [] {
        auto repository = Repository::CreateShipped(LocalServerName());
        StartFixtures(*repository);
        return repository;
    }();
    return local;
}

bool IsEmulatorObject(IWbemClassObject* object)
{
    return AsEmulatorObject(object) != nullptr;
}

}  // namespace pal::wmi
