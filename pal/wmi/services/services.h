// IWbemServices for one namespace of one host: queries (of instances, of the classes through
// meta_class, and of associations), event subscriptions, objects by path and methods, over the
// host's repository. The other operations of the interface are not served.
#pragma once

#include <wbemidl.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "comobject.h"
#include "repository/internal_api.h"
#include "owners.h"
#include "repository/repository.h"
#include "services/proxy_security.h"

namespace pal::wql {
struct AssociationQuery;
struct ObjectPath;
struct Query;
}  // namespace pal::wql

namespace pal::services {

// The repository's keys of a parsed instance path. A key written without its name (Class="v") is
// the class's only key.
HRESULT KeyBindingsOf(const wmi::Repository& repository, std::u16string_view nameSpace,
                      const wql::ObjectPath& path, std::vector<wmi::KeyBinding>& bindings);

class PAL_INTERNAL_API Services final : public ComObject<IWbemServices, &IID_IWbemServices> {
public:
    Services(std::shared_ptr<wmi::Repository> repository, std::u16string nameSpace, bool noAuthentication);

    HRESULT STDMETHODCALLTYPE OpenNamespace(const BSTR strNamespace, LONG lFlags, IWbemContext* pCtx,
                                            IWbemServices** ppWorkingNamespace,
                                            IWbemCallResult** ppResult) noexcept override;
    HRESULT STDMETHODCALLTYPE CancelAsyncCall(IWbemObjectSink* pSink) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryObjectSink(LONG lFlags,
                                              IWbemObjectSink** ppResponseHandler) noexcept override;
    HRESULT STDMETHODCALLTYPE GetObject(const BSTR strObjectPath, LONG lFlags, IWbemContext* pCtx,
                                        IWbemClassObject** ppObject,
                                        IWbemCallResult** ppCallResult) noexcept override;
    HRESULT STDMETHODCALLTYPE GetObjectAsync(const BSTR strObjectPath, LONG lFlags, IWbemContext* pCtx,
                                             IWbemObjectSink* pResponseHandler) noexcept override;
    HRESULT STDMETHODCALLTYPE PutClass(IWbemClassObject* pObject, LONG lFlags, IWbemContext* pCtx,
                                       IWbemCallResult** ppCallResult) noexcept override;
    HRESULT STDMETHODCALLTYPE PutClassAsync(IWbemClassObject* pObject, LONG lFlags, IWbemContext* pCtx,
                                            IWbemObjectSink* pResponseHandler) noexcept override;
    HRESULT STDMETHODCALLTYPE DeleteClass(const BSTR strClass, LONG lFlags, IWbemContext* pCtx,
                                          IWbemCallResult** ppCallResult) noexcept override;
    HRESULT STDMETHODCALLTYPE DeleteClassAsync(const BSTR strClass, LONG lFlags, IWbemContext* pCtx,
                                               IWbemObjectSink* pResponseHandler) noexcept override;
    HRESULT STDMETHODCALLTYPE CreateClassEnum(const BSTR strSuperclass, LONG lFlags, IWbemContext* pCtx,
                                              IEnumWbemClassObject** ppEnum) noexcept override;
    HRESULT STDMETHODCALLTYPE CreateClassEnumAsync(const BSTR strSuperclass, LONG lFlags, IWbemContext* pCtx,
                                                   IWbemObjectSink* pResponseHandler) noexcept override;
    HRESULT STDMETHODCALLTYPE PutInstance(IWbemClassObject* pInst, LONG lFlags, IWbemContext* pCtx,
                                          IWbemCallResult** ppCallResult) noexcept override;
    HRESULT STDMETHODCALLTYPE PutInstanceAsync(IWbemClassObject* pInst, LONG lFlags, IWbemContext* pCtx,
                                               IWbemObjectSink* pResponseHandler) noexcept override;
    HRESULT STDMETHODCALLTYPE DeleteInstance(const BSTR strObjectPath, LONG lFlags, IWbemContext* pCtx,
                                             IWbemCallResult** ppCallResult) noexcept override;
    HRESULT STDMETHODCALLTYPE DeleteInstanceAsync(const BSTR strObjectPath, LONG lFlags, IWbemContext* pCtx,
                                                  IWbemObjectSink* pResponseHandler) noexcept override;
    HRESULT STDMETHODCALLTYPE CreateInstanceEnum(const BSTR strFilter, LONG lFlags, IWbemContext* pCtx,
                                                 IEnumWbemClassObject** ppEnum) noexcept override;
    HRESULT STDMETHODCALLTYPE CreateInstanceEnumAsync(const BSTR strFilter, LONG lFlags, IWbemContext* pCtx,
                                                      IWbemObjectSink* pResponseHandler) noexcept override;
    HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags,
                                        IWbemContext* pCtx, IEnumWbemClassObject** ppEnum) noexcept override;
    HRESULT STDMETHODCALLTYPE ExecQueryAsync(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags,
                                             IWbemContext* pCtx,
                                             IWbemObjectSink* pResponseHandler) noexcept override;
    HRESULT STDMETHODCALLTYPE ExecNotificationQuery(const BSTR strQueryLanguage, const BSTR strQuery,
                                                    LONG lFlags, IWbemContext* pCtx,
                                                    IEnumWbemClassObject** ppEnum) noexcept override;
    HRESULT STDMETHODCALLTYPE ExecNotificationQueryAsync(const BSTR strQueryLanguage, const BSTR strQuery,
                                                         LONG lFlags, IWbemContext* pCtx,
                                                         IWbemObjectSink* pResponseHandler) noexcept override;
    HRESULT STDMETHODCALLTYPE ExecMethod(const BSTR strObjectPath, const BSTR strMethodName, LONG lFlags,
                                         IWbemContext* pCtx, IWbemClassObject* pInParams,
                                         IWbemClassObject** ppOutParams,
                                         IWbemCallResult** ppCallResult) noexcept override;
    HRESULT STDMETHODCALLTYPE ExecMethodAsync(const BSTR strObjectPath, const BSTR strMethodName, LONG lFlags,
                                              IWbemContext* pCtx, IWbemClassObject* pInParams,
                                              IWbemObjectSink* pResponseHandler) noexcept override;

private:
    HRESULT QueryOtherInterface(REFIID riid, void** ppvObject) override;

    HRESULT RunQuery(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags,
                     IEnumWbemClassObject** ppEnum);
    // `SELECT ... FROM meta_class`: the class objects of this namespace that match.
    HRESULT RunSchemaQuery(const wql::Query& query, LONG lFlags, IEnumWbemClassObject** ppEnum);
    // Moves the candidates that match the WHERE clause into `results`, projected to the select list.
    HRESULT SelectMatching(const wql::Query& query, std::vector<wmi::ObjectPtr>& candidates,
                           std::vector<wmi::ObjectPtr>& results) const;
    // The class or instance that a parsed path names, in the path's namespace or this one.
    HRESULT ObjectAt(const wql::ObjectPath& path, std::u16string& nameSpace, IWbemClassObject** object) const;
    // The instances of a class in this namespace: made by its instance provider when it has one,
    // otherwise the repository's.
    HRESULT InstancesOf(std::u16string_view className, IWbemClassObject* classObject,
                        std::vector<wmi::ObjectPtr>& instances) const;
    HRESULT InstancesIn(std::u16string_view nameSpace, std::u16string_view className,
                        IWbemClassObject* classObject, std::vector<wmi::ObjectPtr>& instances) const;

    // ASSOCIATORS OF and REFERENCES OF (associations.cpp).
    struct Reference;
    struct Link;
    struct AssociationClass;
    struct AssociationSource;
    HRESULT RunAssociationQuery(const BSTR strQuery, LONG lFlags, IEnumWbemClassObject** ppEnum);
    HRESULT AssociationClasses(const std::u16string& nameSpace, std::vector<AssociationClass>& classes) const;
    bool CanReferTo(const Reference& reference, const AssociationSource& source) const;
    bool RefersTo(const VARIANT& value, const AssociationSource& source) const;
    // The instances of the association class that refer to the source, each with the reference
    // that does (once per such reference).
    HRESULT LinksOf(const wql::AssociationQuery& query, const AssociationSource& source,
                    const AssociationClass& association, std::vector<Link>& links) const;
    // True when the class passes a query's keywords for it: it is `className` or derives from it,
    // and has the qualifier `qualifier` (each empty: no condition).
    bool Passes(const std::u16string& nameSpace, const AssociationClass& association,
                const std::u16string& className, const std::u16string& qualifier) const;
    HRESULT References(const wql::AssociationQuery& query, const AssociationSource& source,
                       const std::vector<AssociationClass>& classes,
                       std::vector<wmi::ObjectPtr>& results) const;
    HRESULT Associators(const wql::AssociationQuery& query, const AssociationSource& source,
                        const std::vector<AssociationClass>& classes,
                        std::vector<wmi::ObjectPtr>& results) const;
    HRESULT SchemaAssociations(const wql::AssociationQuery& query, const AssociationSource& source,
                               const std::vector<AssociationClass>& classes,
                               std::vector<wmi::ObjectPtr>& results) const;
    // The class objects of the results, each class once; the results keyed only.
    HRESULT ClassDefinitions(std::vector<wmi::ObjectPtr>& results) const;
    HRESULT KeysOnly(std::vector<wmi::ObjectPtr>& results) const;
    HRESULT RunMethod(const BSTR strObjectPath, const BSTR strMethodName, IWbemClassObject* pInParams,
                      IWbemClassObject** ppOutParams);

    std::shared_ptr<wmi::Repository> repository_;
    const std::u16string nameSpace_;
    std::shared_ptr<ProxySecurity> security_;
};

}  // namespace pal::services
