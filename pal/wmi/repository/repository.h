// The WMI repository: namespaces holding classes and instances, loaded from MOF text.
//
// The repository keeps its classes and instances as plain C++ data. Every IWbemClassObject it
// hands out is a new COM object with its own copy of the data, as WMI hands each caller its own
// copy: changing it does not change the repository. Namespace, class and property names compare
// case-insensitively. All members are safe to call from several threads at once.
#pragma once

#include <wbemidl.h>

#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "repository/internal_api.h"
#include "repository/mof_parser.h"
#include "owners.h"

namespace pal::wmi {

struct RepositoryData;

// One key of an object path: `Name="value"` or `Name=5`. The value is whatever the path parser
// read (VT_BSTR for quoted text, VT_I4/VT_I8/VT_BSTR for numbers, VT_BOOL for TRUE/FALSE); it is
// compared after conversion to the key property's CIM type.
struct KeyBinding {
    std::u16string name;
    VARIANT value;
};

class PAL_INTERNAL_API Repository {
public:
    // An empty repository (only the `root` namespace) for the given server name, the name that
    // objects report in __SERVER and __PATH.
    explicit Repository(std::u16string serverName);
    ~Repository();
    Repository(const Repository&) = delete;
    Repository& operator=(const Repository&) = delete;

    // A repository with the shipped namespaces: root\cimv2, root\default and root\test.
    static std::shared_ptr<Repository> CreateShipped(std::u16string serverName);

    const std::u16string& ServerName() const { return serverName_; }

    // Loads classes and instances from MOF text. Declarations go into `defaultNamespace` until a
    // `#pragma namespace("...")` names another one (created if missing, relative names resolve
    // against the current namespace). On a syntax or semantic error nothing is changed, the
    // result is WBEM_E_INVALID_SYNTAX (WBEM_E_INVALID_PARAMETER for objects nested too deep) and
    // `errorText`, when not null, receives "line N: expected ...".
    HRESULT LoadMof(std::u16string_view mofText, std::u16string_view defaultNamespace,
                    std::u16string* errorText);

    // Empties the repository and loads its start content again: the shipped namespaces and what
    // AddToStart added. Fixtures are forgotten.
    void ResetToShipped();

    // Loads MOF sources into the start content too, which a reset brings back (the fixtures given
    // when the emulator starts). Fixtures loaded before are loaded again on top. On failure nothing
    // changes.
    HRESULT AddToStart(const std::vector<MofSource>& sources, MofFailure* failure);

    // Loads MOF sources as one fixture, all or nothing (see ParseMofSources: a fixture may declare a
    // class again, and its classes are served from their stored instances). `fixture` receives
    // the number that unloads it.
    HRESULT LoadFixture(const std::vector<MofSource>& sources, std::u16string_view defaultNamespace,
                        std::uint64_t* fixture, MofFailure* failure);
    // Puts the repository back to what it was before the fixture was loaded, with the fixtures
    // loaded since loaded again; instances put since the fixture was loaded are gone.
    // WBEM_E_NOT_FOUND for an unknown or unloaded fixture; when a later fixture no longer loads
    // without this one, its failure, and nothing changes.
    HRESULT UnloadFixture(std::uint64_t fixture, MofFailure* failure);
    // True when the class is declared by a fixture (ClassDef::fixture).
    bool IsFixtureClass(std::u16string_view nsPath, std::u16string_view className) const;

    // Namespaces. Paths use backslashes (`root\cimv2`); forward slashes are accepted too.
    bool HasNamespace(std::u16string_view nsPath) const;
    // The stored spelling of a namespace path (for __NAMESPACE), or empty when unknown.
    std::u16string CanonicalNamespace(std::u16string_view nsPath) const;
    std::vector<std::u16string> NamespaceNames() const;
    // Creates the namespace (and its parents) if missing.
    void CreateNamespace(std::u16string_view nsPath);

    // Classes. Each result is WBEM_S_NO_ERROR, WBEM_E_INVALID_NAMESPACE for an unknown namespace or
    // WBEM_E_NOT_FOUND for an unknown class.
    HRESULT GetClass(std::u16string_view nsPath, std::u16string_view className,
                     IWbemClassObject** classObject) const;
    HRESULT ClassNames(std::u16string_view nsPath, std::vector<std::u16string>* names) const;
    // The stored spelling of a class name; empty when unknown.
    std::u16string CanonicalClassName(std::u16string_view nsPath, std::u16string_view className) const;
    // True when `className` is `ancestor` or derives from it.
    bool InheritsFrom(std::u16string_view nsPath, std::u16string_view className,
                      std::u16string_view ancestor) const;
    // Key property names of a class (inherited keys included) in declaration order, and whether the
    // class (or a superclass) carries the [singleton] qualifier.
    HRESULT KeyProperties(std::u16string_view nsPath, std::u16string_view className,
                          std::vector<std::u16string>* keyNames, bool* isSingleton) const;

    // Instances of a class and of all its subclasses, in declaration order, each a new copy for
    // the caller.
    HRESULT Instances(std::u16string_view nsPath, std::u16string_view className,
                      std::vector<ObjectPtr>* instances) const;
    // The instance of `className` (or a subclass) whose keys equal `keys`; an empty `keys` finds a
    // singleton. WBEM_E_NOT_FOUND when none matches, WBEM_E_INVALID_OBJECT_PATH when the names do
    // not match the class's keys, WBEM_E_INVALID_CLASS / WBEM_E_NOT_FOUND for an unknown class.
    HRESULT FindInstance(std::u16string_view nsPath, std::u16string_view className,
                         const std::vector<KeyBinding>& keys, IWbemClassObject** instance) const;
    // Stores a copy of an instance made by this emulator (SpawnInstance and Put), replacing the
    // instance with the same keys. WBEM_E_INVALID_PARAMETER for a class object or a foreign object.
    HRESULT PutInstance(std::u16string_view nsPath, IWbemClassObject* instance);
    HRESULT DeleteInstance(std::u16string_view nsPath, std::u16string_view className,
                           const std::vector<KeyBinding>& keys);

private:
    struct Fixture {
        std::uint64_t number;
        std::vector<MofSource> sources;
        std::u16string defaultNamespace;
        // The contents before it was loaded.
        std::shared_ptr<const RepositoryData> before;
    };

    // A consistent view of the contents for a reader: writers replace the contents as a whole.
    std::shared_ptr<const RepositoryData> Snapshot() const;
    // Loads the fixtures from `first` on again on top of `base`, which becomes the result, and
    // updates their `before`; on failure (a fixture no longer loads) the failing HRESULT.
    HRESULT Reload(std::shared_ptr<const RepositoryData>& base, size_t first, std::vector<Fixture>& fixtures,
                   MofFailure* failure) const;

    std::u16string serverName_;
    mutable std::shared_mutex mutex_;
    std::shared_ptr<const RepositoryData> data_;
    // What ResetToShipped restores; null until the first reset.
    std::shared_ptr<const RepositoryData> start_;
    std::vector<Fixture> fixtures_;  // in the order they were loaded
    std::uint64_t nextFixture_ = 1;
};

// The repository of the local machine, with the shipped namespaces, created on first use.
PAL_INTERNAL_API std::shared_ptr<Repository> LocalRepository();
// The emulated name of the local machine: the host name, upper-cased.
PAL_INTERNAL_API std::u16string LocalServerName();

// A copy of an object that holds only the named properties (and the system properties), as WMI
// returns for `SELECT a, b FROM ...`. Get of another property gives WBEM_E_NOT_FOUND. __RELPATH
// stays set only when every key property is selected; __SERVER, __NAMESPACE and __PATH only when
// the list names one of them. Unknown names give
// WBEM_E_NOT_FOUND (the query layer checks names against the class first).
PAL_INTERNAL_API HRESULT ProjectObject(IWbemClassObject* source,
                                       const std::vector<std::u16string>& propertyNames,
                                       IWbemClassObject** projection);

// A class object of no class, without properties, as GetObject gives for an empty path; null
// when memory runs out.
PAL_INTERNAL_API IWbemClassObject* NewEmptyClass() noexcept;

// True when the object was made by this emulator (so that the repository can take it).
PAL_INTERNAL_API bool IsEmulatorObject(IWbemClassObject* object);

}  // namespace pal::wmi
