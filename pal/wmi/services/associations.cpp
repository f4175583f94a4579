// ASSOCIATORS OF and REFERENCES OF. The association classes of a namespace are those with the
// Association qualifier; their reference properties name the objects they link. An association
// instance refers to the source when one of its references, read as an object path, names the
// source: its class is the source's class or a superclass of it, and its keys are the source's.
// Only association classes with a reference that can name the source's class are enumerated, so
// that a query about one object does not make every provider of the namespace run.
//
// A class path (or SchemaOnly) asks about the schema: the association classes that can refer to
// the class (REFERENCES OF), or the classes at their other ends (ASSOCIATORS OF).
#include <algorithm>

#include "base/names.h"
#include "base/text.h"
#include "owners.h"
#include "services/enumerator.h"
#include "services/services.h"
#include "wql/association_query.h"
#include "wql/object_path.h"

namespace pal::services {

namespace {

using wql::AssociationQuery;

// Whether an object's class (or the class object itself) carries the qualifier, not set to false.
bool HasQualifier(IWbemClassObject* object, const std::u16string& name)
{
    ComPtr<IWbemQualifierSet> qualifiers;
    if (FAILED(object->GetQualifierSet(qualifiers.Put()))) {
        return false;
    }
    OwnedVariant value;
    if (FAILED(qualifiers->Get(name.c_str(), 0, value.Address(), nullptr))) {
        return false;
    }
    return value.Type() != VT_BOOL || V_BOOL(value.Address()) != VARIANT_FALSE;
}

// A text property (or system property) of an object; empty when it is NULL or missing.
std::u16string TextOf(IWbemClassObject* object, const char16_t* name)
{
    OwnedVariant value;
    if (FAILED(object->Get(name, 0, value.Address(), nullptr, nullptr)) || value.Type() != VT_BSTR) {
        return {};
    }
    return std::u16string(ViewOf(V_BSTR(value.Address())));
}

}  // namespace

// A reference property of an association class, and the class it refers to (empty: any).
struct Services::Reference {
    std::u16string name;
    std::u16string refClass;
};

// An association instance that refers to the source, and the reference that does.
struct Services::Link {
    ComPtr<IWbemClassObject> association;
    std::u16string role;
};

struct Services::AssociationClass {
    ComPtr<IWbemClassObject> classObject;
    std::u16string name;
    std::vector<Reference> references;
};

// What the query is about: an instance, or a class for a schema query.
struct Services::AssociationSource {
    ComPtr<IWbemClassObject> object;
    std::u16string nameSpace;
    std::u16string className;
    std::vector<std::u16string> keyNames;
    bool singleton = false;
};

HRESULT Services::RunAssociationQuery(const BSTR strQuery, LONG lFlags, IEnumWbemClassObject** ppEnum)
{
    AssociationQuery query;
    HRESULT hr = wql::ParseAssociationQuery(ViewOf(strQuery), query);
    if (FAILED(hr)) {
        return hr;
    }
    wql::ObjectPath path;
    hr = wql::ParseObjectPath(query.objectPath, path);
    if (FAILED(hr)) {
        return hr;
    }
    if (query.schemaOnly && !path.IsClassPath()) {
        return WBEM_E_INVALID_QUERY;
    }
    AssociationSource source;
    hr = ObjectAt(path, source.nameSpace, source.object.Put());
    if (FAILED(hr)) {
        return hr;
    }
    source.className = path.IsClassPath() ? repository_->CanonicalClassName(source.nameSpace, path.className)
                                          : TextOf(source.object.Get(), u"__CLASS");
    hr = repository_->KeyProperties(source.nameSpace, source.className, &source.keyNames, &source.singleton);
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<AssociationClass> classes;
    hr = AssociationClasses(source.nameSpace, classes);
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<wmi::ObjectPtr> results;
    if (path.IsClassPath()) {
        hr = SchemaAssociations(query, source, classes, results);
    } else if (query.kind == AssociationQuery::Kind::References) {
        hr = References(query, source, classes, results);
    } else {
        hr = Associators(query, source, classes, results);
    }
    if (SUCCEEDED(hr) && !path.IsClassPath() && query.classDefsOnly) {
        hr = ClassDefinitions(results);
    } else if (SUCCEEDED(hr) && !path.IsClassPath() && query.keysOnly) {
        hr = KeysOnly(results);
    }
    if (FAILED(hr)) {
        return hr;
    }
    return Enumerator::Create(std::move(results), (lFlags & WBEM_FLAG_FORWARD_ONLY) != 0, ProviderBehaviour{},
                              security_->NoAuthentication(), ppEnum);
}

HRESULT Services::AssociationClasses(const std::u16string& nameSpace,
                                     std::vector<AssociationClass>& classes) const
{
    std::vector<std::u16string> names;
    HRESULT hr = repository_->ClassNames(nameSpace, &names);
    if (FAILED(hr)) {
        return hr;
    }
    for (std::u16string& name : names) {
        AssociationClass association;
        hr = repository_->GetClass(nameSpace, name, association.classObject.Put());
        if (FAILED(hr)) {
            return hr;
        }
        if (!HasQualifier(association.classObject.Get(), u"Association")) {
            continue;
        }
        IWbemClassObject* cls = association.classObject.Get();
        hr = cls->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY);
        for (; SUCCEEDED(hr);) {
            OwnedBstr property;
            CIMTYPE type = CIM_EMPTY;
            hr = cls->Next(0, property.Put(), nullptr, &type, nullptr);
            if (hr != WBEM_S_NO_ERROR) {
                break;
            }
            if (type != CIM_REFERENCE) {
                continue;
            }
            Reference reference{std::u16string(ViewOf(property.Get())), {}};
            ComPtr<IWbemQualifierSet> qualifiers;
            OwnedVariant cimType;
            if (SUCCEEDED(cls->GetPropertyQualifierSet(property.Get(), qualifiers.Put())) &&
                SUCCEEDED(qualifiers->Get(u"CIMTYPE", 0, cimType.Address(), nullptr)) &&
                cimType.Type() == VT_BSTR) {
                const std::u16string_view text = ViewOf(V_BSTR(cimType.Address()));
                if (text.size() > 4 && NamesEqual(text.substr(0, 4), u"ref:")) {
                    reference.refClass = text.substr(4);
                }
            }
            association.references.push_back(std::move(reference));
        }
        cls->EndEnumeration();
        if (FAILED(hr)) {
            return hr;
        }
        association.name = std::move(name);
        classes.push_back(std::move(association));
    }
    return WBEM_S_NO_ERROR;
}

bool Services::CanReferTo(const Reference& reference, const AssociationSource& source) const
{
    return reference.refClass.empty() ||
           repository_->InheritsFrom(source.nameSpace, source.className, reference.refClass);
}

bool Services::RefersTo(const VARIANT& value, const AssociationSource& source) const
{
    if (V_VT(&value) != VT_BSTR) {
        return false;
    }
    wql::ObjectPath path;
    if (FAILED(wql::ParseObjectPath(ViewOf(V_BSTR(&value)), path)) || path.IsClassPath() ||
        (!path.nameSpace.empty() &&
         !NamesEqual(repository_->CanonicalNamespace(path.nameSpace), source.nameSpace)) ||
        !repository_->InheritsFrom(source.nameSpace, source.className, path.className)) {
        return false;
    }
    if (path.singleton || source.singleton) {
        return path.singleton && source.singleton;
    }
    if (path.keys.size() != source.keyNames.size()) {
        return false;
    }
    for (wql::PathKey& key : path.keys) {
        if (key.name.empty()) {
            if (source.keyNames.size() != 1) {
                return false;
            }
            key.name = source.keyNames.front();
        }
        const bool isKey =
            std::any_of(source.keyNames.begin(), source.keyNames.end(),
                        [&](const std::u16string& name) { return NamesEqual(name, key.name); });
        bool matches = false;
        if (!isKey || FAILED(wql::KeyMatches(key, source.object.Get(), matches)) || !matches) {
            return false;
        }
    }
    return true;
}

HRESULT Services::LinksOf(const AssociationQuery& query, const AssociationSource& source,
                          const AssociationClass& association, std::vector<Link>& links) const
{
    std::vector<const Reference*> toSource;
    for (const Reference& reference : association.references) {
        if ((query.role.empty() || NamesEqual(query.role, reference.name)) && CanReferTo(reference, source)) {
            toSource.push_back(&reference);
        }
    }
    if (toSource.empty()) {
        return WBEM_S_NO_ERROR;
    }
    std::vector<wmi::ObjectPtr> instances;
    HRESULT hr = InstancesIn(source.nameSpace, association.name, association.classObject.Get(), instances);
    if (FAILED(hr)) {
        return hr;
    }
    for (wmi::ObjectPtr& instance : instances) {
        // Instances of subclasses come again with their own class.
        if (!NamesEqual(TextOf(instance.Get(), u"__CLASS"), association.name)) {
            continue;
        }
        for (const Reference* reference : toSource) {
            OwnedVariant value;
            hr = instance->Get(reference->name.c_str(), 0, value.Address(), nullptr, nullptr);
            if (FAILED(hr)) {
                return hr;
            }
            if (RefersTo(*value.Address(), source)) {
                links.push_back(Link{ComPtr<IWbemClassObject>::Share(instance.Get()), reference->name});
            }
        }
    }
    return WBEM_S_NO_ERROR;
}

bool Services::Passes(const std::u16string& nameSpace, const AssociationClass& association,
                      const std::u16string& className, const std::u16string& qualifier) const
{
    return (className.empty() || repository_->InheritsFrom(nameSpace, association.name, className)) &&
           (qualifier.empty() || HasQualifier(association.classObject.Get(), qualifier));
}

HRESULT Services::References(const AssociationQuery& query, const AssociationSource& source,
                             const std::vector<AssociationClass>& classes,
                             std::vector<wmi::ObjectPtr>& results) const
{
    for (const AssociationClass& association : classes) {
        if (!Passes(source.nameSpace, association, query.resultClass, query.requiredQualifier)) {
            continue;
        }
        std::vector<Link> links;
        const HRESULT hr = LinksOf(query, source, association, links);
        if (FAILED(hr)) {
            return hr;
        }
        const IWbemClassObject* last = nullptr;
        for (Link& link : links) {
            // An association that refers to the source twice is one result.
            if (link.association.Get() != last) {
                last = link.association.Get();
                results.emplace_back(link.association.Detach());
            }
        }
    }
    return WBEM_S_NO_ERROR;
}

HRESULT Services::Associators(const AssociationQuery& query, const AssociationSource& source,
                              const std::vector<AssociationClass>& classes,
                              std::vector<wmi::ObjectPtr>& results) const
{
    for (const AssociationClass& association : classes) {
        if (!Passes(source.nameSpace, association, query.assocClass, query.requiredAssocQualifier)) {
            continue;
        }
        std::vector<Link> links;
        HRESULT hr = LinksOf(query, source, association, links);
        if (FAILED(hr)) {
            return hr;
        }
        for (const Link& link : links) {
            for (const Reference& other : association.references) {
                if (NamesEqual(other.name, link.role) ||
                    (!query.resultRole.empty() && !NamesEqual(query.resultRole, other.name))) {
                    continue;
                }
                OwnedVariant value;
                hr = link.association->Get(other.name.c_str(), 0, value.Address(), nullptr, nullptr);
                if (FAILED(hr)) {
                    return hr;
                }
                wql::ObjectPath endpointPath;
                if (value.Type() != VT_BSTR ||
                    FAILED(wql::ParseObjectPath(ViewOf(V_BSTR(value.Address())), endpointPath))) {
                    continue;
                }
                std::u16string endpointNamespace;
                ComPtr<IWbemClassObject> endpoint;
                hr = ObjectAt(endpointPath, endpointNamespace, endpoint.Put());
                if (hr == WBEM_E_OUT_OF_MEMORY) {
                    return hr;
                }
                // A reference to an object that does not exist (any more) leads nowhere.
                if (FAILED(hr) ||
                    (!query.resultClass.empty() &&
                     !repository_->InheritsFrom(endpointNamespace, TextOf(endpoint.Get(), u"__CLASS"),
                                                query.resultClass)) ||
                    (!query.requiredQualifier.empty() &&
                     !HasQualifier(endpoint.Get(), query.requiredQualifier))) {
                    continue;
                }
                results.emplace_back(endpoint.Detach());
            }
        }
    }
    return WBEM_S_NO_ERROR;
}

HRESULT Services::SchemaAssociations(const AssociationQuery& query, const AssociationSource& source,
                                     const std::vector<AssociationClass>& classes,
                                     std::vector<wmi::ObjectPtr>& results) const
{
    std::vector<std::u16string> found;
    const auto add = [&](const std::u16string& className) -> HRESULT {
        const std::u16string canonical = repository_->CanonicalClassName(source.nameSpace, className);
        if (canonical.empty() || std::any_of(found.begin(), found.end(), [&](const std::u16string& name) {
                return NamesEqual(name, canonical);
            })) {
            return WBEM_S_NO_ERROR;
        }
        ComPtr<IWbemClassObject> classObject;
        const HRESULT hr = repository_->GetClass(source.nameSpace, canonical, classObject.Put());
        if (FAILED(hr)) {
            return hr;
        }
        if (!query.requiredQualifier.empty() && !HasQualifier(classObject.Get(), query.requiredQualifier)) {
            return WBEM_S_NO_ERROR;
        }
        found.push_back(canonical);
        results.emplace_back(classObject.Detach());
        return WBEM_S_NO_ERROR;
    };
    const bool references = query.kind == AssociationQuery::Kind::References;
    for (const AssociationClass& association : classes) {
        if (!Passes(source.nameSpace, association, query.assocClass, query.requiredAssocQualifier)) {
            continue;
        }
        for (const Reference& reference : association.references) {
            if (!(query.role.empty() || NamesEqual(query.role, reference.name)) ||
                reference.refClass.empty() || !CanReferTo(reference, source)) {
                continue;
            }
            HRESULT hr = WBEM_S_NO_ERROR;
            if (references) {
                if (query.resultClass.empty() ||
                    repository_->InheritsFrom(source.nameSpace, association.name, query.resultClass)) {
                    hr = add(association.name);
                }
            } else {
                for (const Reference& other : association.references) {
                    if (&other == &reference || other.refClass.empty() ||
                        (!query.resultRole.empty() && !NamesEqual(query.resultRole, other.name)) ||
                        (!query.resultClass.empty() &&
                         !repository_->InheritsFrom(source.nameSpace, other.refClass, query.resultClass))) {
                        continue;
                    }
                    hr = add(other.refClass);
                    if (FAILED(hr)) {
                        break;
                    }
                }
            }
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
    return WBEM_S_NO_ERROR;
}

HRESULT Services::ClassDefinitions(std::vector<wmi::ObjectPtr>& results) const
{
    std::vector<wmi::ObjectPtr> classes;
    std::vector<std::u16string> seen;
    for (const wmi::ObjectPtr& object : results) {
        const std::u16string nameSpace = TextOf(object.Get(), u"__NAMESPACE");
        const std::u16string className = TextOf(object.Get(), u"__CLASS");
        const std::u16string key = nameSpace + u":" + className;
        if (std::any_of(seen.begin(), seen.end(),
                        [&](const std::u16string& name) { return NamesEqual(name, key); })) {
            continue;
        }
        seen.push_back(key);
        IWbemClassObject* classObject = nullptr;
        const HRESULT hr =
            repository_->GetClass(nameSpace.empty() ? nameSpace_ : nameSpace, className, &classObject);
        if (FAILED(hr)) {
            return hr;
        }
        classes.emplace_back(classObject);
    }
    results = std::move(classes);
    return WBEM_S_NO_ERROR;
}

HRESULT Services::KeysOnly(std::vector<wmi::ObjectPtr>& results) const
{
    for (wmi::ObjectPtr& object : results) {
        const std::u16string nameSpace = TextOf(object.Get(), u"__NAMESPACE");
        std::vector<std::u16string> keyNames;
        HRESULT hr = repository_->KeyProperties(nameSpace.empty() ? nameSpace_ : nameSpace,
                                                TextOf(object.Get(), u"__CLASS"), &keyNames, nullptr);
        if (FAILED(hr)) {
            return hr;
        }
        // KeysOnly is how a client asks for paths alone: unlike a select list, the objects keep
        // where they live.
        keyNames.emplace_back(u"__PATH");
        IWbemClassObject* projection = nullptr;
        hr = wmi::ProjectObject(object.Get(), keyNames, &projection);
        if (FAILED(hr)) {
            return hr;
        }
        object.Attach(projection);
    }
    return WBEM_S_NO_ERROR;
}

}  // namespace pal::services
