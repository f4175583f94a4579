#include "services/services.h"
#include "com_boundary.h"

#include <pal/wmi_control.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "services/async_calls.h"
#include "owners.h"
#include "services/enumerator.h"
#include "services/faults.h"
#include "services/instance_providers.h"
#include "services/method_providers.h"
#include "services/notifications.h"
#include "base/text.h"
#include "wql/association_query.h"
#include "wql/object_path.h"
#include "wql/query.h"

namespace pal::services {

namespace {

// An operation the emulator does not serve: clears the caller's out-parameter.
template <class T>
HRESULT NotSupported(T** out)
{
    if (out != nullptr) {
        *out = nullptr;
    }
    return WBEM_E_NOT_SUPPORTED;
}

// Checks the caller's input parameters against the method's input signature: every property it
// sets must be a parameter of the method, of the same CIM type.
HRESULT CheckInputParameters(IWbemClassObject* inSignature, IWbemClassObject* inParameters)
{
    if (inParameters == nullptr) {
        return S_OK;
    }
    // A failure to read the parameters is theirs, unless memory ran out.
    const auto invalid = [](HRESULT failure) {
        return failure == WBEM_E_OUT_OF_MEMORY ? failure : WBEM_E_INVALID_METHOD_PARAMETERS;
    };
    HRESULT hr = inParameters->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY);
    if (FAILED(hr)) {
        return invalid(hr);
    }
    for (;;) {
        OwnedBstr name;
        CIMTYPE type = CIM_EMPTY;
        hr = inParameters->Next(0, name.Put(), nullptr, &type, nullptr);
        if (hr != WBEM_S_NO_ERROR) {
            break;
        }
        CIMTYPE expected = CIM_EMPTY;
        const HRESULT found = inSignature == nullptr
                                  ? WBEM_E_NOT_FOUND
                                  : inSignature->Get(name.Get(), 0, nullptr, &expected, nullptr);
        if (FAILED(found) || expected != type) {
            inParameters->EndEnumeration();
            return invalid(found);
        }
    }
    inParameters->EndEnumeration();
    return FAILED(hr) ? invalid(hr) : S_OK;
}

}  // namespace

HRESULT KeyBindingsOf(const wmi::Repository& repository, std::u16string_view nameSpace,
                      const wql::ObjectPath& path, std::vector<wmi::KeyBinding>& bindings)
{
    bindings.clear();
    std::vector<std::u16string> keyNames;
    bool singleton = false;
    const HRESULT hr = repository.KeyProperties(nameSpace, path.className, &keyNames, &singleton);
    if (FAILED(hr)) {
        return hr;
    }
    for (const wql::PathKey& key : path.keys) {
        std::u16string name = key.name;
        if (name.empty()) {
            if (keyNames.size() != 1 || path.keys.size() != 1) {
                return WBEM_E_INVALID_OBJECT_PATH;
            }
            name = keyNames.front();
        }
        // The binding borrows the path's value: the repository only reads it.
        bindings.push_back(wmi::KeyBinding{std::move(name), *key.value.Get()});
    }
    return S_OK;
}

namespace {

// An enumerator over one object, for an asynchronous call that hands it to the sink.
HRESULT SingleResult(ComPtr<IWbemClassObject> object, IEnumWbemClassObject** results)
{
    std::vector<wmi::ObjectPtr> objects;
    objects.emplace_back(object.Detach());
    return Enumerator::Create(std::move(objects), true, ProviderBehaviour{}, false, results);
}

}  // namespace

Services::Services(std::shared_ptr<wmi::Repository> repository, std::u16string nameSpace,
                   bool noAuthentication)
    : ComObject(PAL_KIND_WBEM_SERVICES),
      repository_(std::move(repository)),
      nameSpace_(std::move(nameSpace)),
      security_(std::make_shared<ProxySecurity>(noAuthentication))
{
    RememberNewestProxy(PAL_KIND_WBEM_SERVICES, security_);
}

HRESULT Services::QueryOtherInterface(REFIID riid, void** ppvObject)
{
    if (riid == IID_IClientSecurity) {
        return QueryClientSecurity(static_cast<IWbemServices*>(this), security_, ppvObject);
    }
    return E_NOINTERFACE;
}

HRESULT Services::ExecQuery(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags,
                            IWbemContext* /*pCtx*/, IEnumWbemClassObject** ppEnum) noexcept
try {
    const CallOutcome outcome = TakeCallOutcome(PAL_WMI_EXEC_QUERY);
    if (ppEnum == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    *ppEnum = nullptr;
    if (outcome.Fails()) {
        return outcome.answer;
    }
    if (strQueryLanguage == nullptr || ViewOf(strQuery).empty()) {
        return WBEM_E_INVALID_PARAMETER;
    }
    HRESULT hr = RunQuery(strQueryLanguage, strQuery, lFlags, ppEnum);
    if (FAILED(hr) && hr != WBEM_E_INVALID_QUERY_TYPE && (lFlags & WBEM_FLAG_RETURN_IMMEDIATELY) != 0) {
        // A semisynchronous query is accepted as it is; what is wrong with it comes from Next.
        hr = Enumerator::CreateFailed(hr, security_->NoAuthentication(), ppEnum);
    }
    if (SUCCEEDED(hr) && outcome.kind == CallOutcome::Kind::Answer) {
        return outcome.answer;
    }
    return hr;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::ExecNotificationQuery(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags,
                                        IWbemContext* /*pCtx*/, IEnumWbemClassObject** ppEnum) noexcept
try {
    const CallOutcome outcome = TakeCallOutcome(PAL_WMI_EXEC_NOTIFICATION_QUERY);
    if (ppEnum == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    *ppEnum = nullptr;
    if (outcome.Fails()) {
        return outcome.answer;
    }
    // Events arrive for as long as the enumerator lives: only the semisynchronous call is served.
    constexpr LONG kRequired = WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY;
    if ((lFlags & kRequired) != kRequired || strQuery == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    HRESULT hr = wql::CheckQueryLanguage(strQueryLanguage);
    if (FAILED(hr)) {
        return hr;
    }
    wql::Query query;
    hr = wql::ParseQuery(ViewOf(strQuery), query);
    if (FAILED(hr)) {
        return hr;
    }
    hr = Subscribe(repository_, nameSpace_, std::move(query), security_->NoAuthentication(), ppEnum);
    if (SUCCEEDED(hr) && outcome.kind == CallOutcome::Kind::Answer) {
        return outcome.answer;
    }
    return hr;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::RunQuery(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags,
                           IEnumWbemClassObject** ppEnum)
{
    HRESULT hr = wql::CheckQueryLanguage(strQueryLanguage);
    if (FAILED(hr)) {
        return hr;
    }
    if (strQuery == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    if (wql::IsAssociationQuery(ViewOf(strQuery))) {
        return RunAssociationQuery(strQuery, lFlags, ppEnum);
    }
    wql::Query query;
    hr = wql::ParseQuery(ViewOf(strQuery), query);
    if (FAILED(hr)) {
        return hr;
    }
    if (query.HasWithin()) {
        return WBEM_E_INVALID_QUERY;  // a polling interval belongs to event queries
    }
    if (wql::IsSchemaQuery(query)) {
        return RunSchemaQuery(query, lFlags, ppEnum);
    }
    ComPtr<IWbemClassObject> classObject;
    hr = repository_->GetClass(nameSpace_, query.className, classObject.Put());
    if (hr == WBEM_E_NOT_FOUND) {
        return WBEM_E_INVALID_CLASS;
    }
    if (FAILED(hr)) {
        return hr;
    }
    hr = wql::ValidateQuery(query, classObject.Get());
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<wmi::ObjectPtr> instances;
    hr = InstancesOf(query.className, classObject.Get(), instances);
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<wmi::ObjectPtr> results;
    hr = SelectMatching(query, instances, results);
    if (FAILED(hr)) {
        return hr;
    }
    const std::u16string className = repository_->CanonicalClassName(nameSpace_, query.className);
    return Enumerator::Create(std::move(results), (lFlags & WBEM_FLAG_FORWARD_ONLY) != 0,
                              ProviderBehaviourOf(className), security_->NoAuthentication(), ppEnum);
}

HRESULT Services::RunSchemaQuery(const wql::Query& query, LONG lFlags, IEnumWbemClassObject** ppEnum)
{
    HRESULT hr = wql::ValidateSchemaQuery(query);
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<std::u16string> names;
    hr = repository_->ClassNames(nameSpace_, &names);
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<wmi::ObjectPtr> classes;
    for (const std::u16string& name : names) {
        IWbemClassObject* classObject = nullptr;
        hr = repository_->GetClass(nameSpace_, name, &classObject);
        if (FAILED(hr)) {
            return hr;
        }
        classes.emplace_back(classObject);
    }
    std::vector<wmi::ObjectPtr> results;
    hr = SelectMatching(query, classes, results);
    if (FAILED(hr)) {
        return hr;
    }
    return Enumerator::Create(std::move(results), (lFlags & WBEM_FLAG_FORWARD_ONLY) != 0,
                              ProviderBehaviourOf(query.className), security_->NoAuthentication(), ppEnum);
}

HRESULT Services::SelectMatching(const wql::Query& query, std::vector<wmi::ObjectPtr>& candidates,
                                 std::vector<wmi::ObjectPtr>& results) const
{
    for (wmi::ObjectPtr& candidate : candidates) {
        bool matches = false;
        HRESULT hr = wql::EvaluateWhere(query, candidate.Get(), matches);
        if (FAILED(hr)) {
            return hr;
        }
        if (!matches) {
            continue;
        }
        if (query.SelectsAll()) {
            results.push_back(std::move(candidate));
            continue;
        }
        IWbemClassObject* projection = nullptr;
        hr = wmi::ProjectObject(candidate.Get(), query.properties, &projection);
        if (FAILED(hr)) {
            return hr;
        }
        results.emplace_back(projection);
    }
    return S_OK;
}

HRESULT Services::ObjectAt(const wql::ObjectPath& path, std::u16string& nameSpace,
                           IWbemClassObject** object) const
{
    nameSpace = path.nameSpace.empty() ? nameSpace_ : path.nameSpace;
    if (!repository_->HasNamespace(nameSpace)) {
        return WBEM_E_INVALID_NAMESPACE;
    }
    if (path.IsClassPath()) {
        return repository_->GetClass(nameSpace, path.className, object);
    }
    std::vector<wmi::KeyBinding> keys;
    HRESULT hr = KeyBindingsOf(*repository_, nameSpace, path, keys);
    if (FAILED(hr)) {
        return hr;
    }
    const InstanceProvider provider = FindInstanceProvider(*repository_, nameSpace, path.className);
    if (provider.enumerate == nullptr) {
        return repository_->FindInstance(nameSpace, path.className, keys, object);
    }
    ComPtr<IWbemClassObject> classObject;
    hr = repository_->GetClass(nameSpace, path.className, classObject.Put());
    if (FAILED(hr)) {
        return hr;
    }
    return ProvidedInstance(provider, InstanceRequest{*repository_, nameSpace, classObject.Get()}, keys,
                            object);
}

HRESULT Services::InstancesOf(std::u16string_view className, IWbemClassObject* classObject,
                              std::vector<wmi::ObjectPtr>& instances) const
{
    return InstancesIn(nameSpace_, className, classObject, instances);
}

HRESULT Services::InstancesIn(std::u16string_view nameSpace, std::u16string_view className,
                              IWbemClassObject* classObject, std::vector<wmi::ObjectPtr>& instances) const
{
    return InstancesOfClass(*repository_, nameSpace, className, classObject, instances);
}

HRESULT Services::GetObject(const BSTR strObjectPath, LONG /*lFlags*/, IWbemContext* /*pCtx*/,
                            IWbemClassObject** ppObject, IWbemCallResult** ppCallResult) noexcept
try {
    const CallOutcome outcome = TakeCallOutcome(PAL_WMI_GET_OBJECT);
    if (ppObject != nullptr) {
        *ppObject = nullptr;
    }
    if (ppCallResult != nullptr) {
        *ppCallResult = nullptr;
    }
    if (outcome.Fails()) {
        return outcome.answer;
    }
    ComPtr<IWbemClassObject> object;
    if (ViewOf(strObjectPath).empty()) {
        // No path: WMI hands out an empty class object, from which a caller makes a new class.
        object = ComPtr<IWbemClassObject>::Adopt(wmi::NewEmptyClass());
        if (!object) {
            return WBEM_E_OUT_OF_MEMORY;
        }
    } else {
        wql::ObjectPath path;
        HRESULT hr = wql::ParseObjectPath(ViewOf(strObjectPath), path);
        if (FAILED(hr)) {
            return hr;
        }
        std::u16string nameSpace;
        hr = ObjectAt(path, nameSpace, object.Put());
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (outcome.kind == CallOutcome::Kind::NoObject) {
        return WBEM_S_NO_ERROR;
    }
    if (ppObject != nullptr) {
        *ppObject = object.Detach();
    }
    return outcome.kind == CallOutcome::Kind::Answer ? outcome.answer : WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::ExecMethod(const BSTR strObjectPath, const BSTR strMethodName, LONG /*lFlags*/,
                             IWbemContext* /*pCtx*/, IWbemClassObject* pInParams,
                             IWbemClassObject** ppOutParams, IWbemCallResult** ppCallResult) noexcept
try {
    const CallOutcome outcome = TakeCallOutcome(PAL_WMI_EXEC_METHOD);
    if (ppOutParams != nullptr) {
        *ppOutParams = nullptr;
    }
    if (ppCallResult != nullptr) {
        *ppCallResult = nullptr;
    }
    if (outcome.Fails()) {
        return outcome.answer;
    }
    ComPtr<IWbemClassObject> output;
    const HRESULT hr = RunMethod(strObjectPath, strMethodName, pInParams, output.Put());
    if (FAILED(hr) || outcome.kind == CallOutcome::Kind::NoObject) {
        return hr;
    }
    if (ppOutParams != nullptr) {
        *ppOutParams = output.Detach();
    }
    return outcome.kind == CallOutcome::Kind::Answer ? outcome.answer : hr;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::RunMethod(const BSTR strObjectPath, const BSTR strMethodName, IWbemClassObject* pInParams,
                            IWbemClassObject** ppOutParams)
{
    if (strObjectPath == nullptr || ViewOf(strMethodName).empty()) {
        return WBEM_E_INVALID_PARAMETER;
    }
    wql::ObjectPath path;
    HRESULT hr = wql::ParseObjectPath(ViewOf(strObjectPath), path);
    if (FAILED(hr)) {
        return hr;
    }
    std::u16string nameSpace;
    ComPtr<IWbemClassObject> target;
    hr = ObjectAt(path, nameSpace, target.Put());
    if (FAILED(hr)) {
        return hr;
    }
    // An instance path may find an instance of a subclass, whose own class has the method.
    std::u16string className = repository_->CanonicalClassName(nameSpace, path.className);
    if (!path.IsClassPath()) {
        OwnedVariant ownClass;
        if (SUCCEEDED(target->Get(u"__CLASS", 0, ownClass.Address(), nullptr, nullptr)) &&
            ownClass.Type() == VT_BSTR) {
            className = ViewOf(V_BSTR(ownClass.Address()));
        }
    }
    ComPtr<IWbemClassObject> classObject;
    hr = repository_->GetClass(nameSpace, className, classObject.Put());
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IWbemClassObject> inSignature;
    ComPtr<IWbemClassObject> outSignature;
    hr = classObject->GetMethod(strMethodName, 0, inSignature.Put(), outSignature.Put());
    if (hr == WBEM_E_NOT_FOUND) {
        return WBEM_E_INVALID_METHOD;
    }
    if (FAILED(hr)) {
        return hr;
    }
    hr = CheckInputParameters(inSignature.Get(), pInParams);
    if (FAILED(hr)) {
        return hr;
    }
    const MethodProvider provider =
        FindMethodProvider(*repository_, nameSpace, className, ViewOf(strMethodName));
    if (provider == nullptr) {
        return WBEM_E_METHOD_NOT_IMPLEMENTED;
    }
    ComPtr<IWbemClassObject> output;
    if (outSignature) {
        hr = outSignature->SpawnInstance(0, output.Put());
        if (FAILED(hr)) {
            return hr;
        }
    }
    const MethodCall call{*repository_, nameSpace,   className, path.IsClassPath() ? nullptr : target.Get(),
                          pInParams,    output.Get()};
    hr = provider(call);
    if (FAILED(hr)) {
        return hr;
    }
    *ppOutParams = output.Detach();
    return WBEM_S_NO_ERROR;
}

HRESULT Services::CreateInstanceEnum(const BSTR strFilter, LONG lFlags, IWbemContext* /*pCtx*/,
                                     IEnumWbemClassObject** ppEnum) noexcept
try {
    if (ppEnum == nullptr || strFilter == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    *ppEnum = nullptr;
    ComPtr<IWbemClassObject> classObject;
    HRESULT hr = repository_->GetClass(nameSpace_, ViewOf(strFilter), classObject.Put());
    if (hr == WBEM_E_NOT_FOUND) {
        return WBEM_E_INVALID_CLASS;
    }
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<wmi::ObjectPtr> instances;
    hr = InstancesOf(ViewOf(strFilter), classObject.Get(), instances);
    if (FAILED(hr)) {
        return hr;
    }
    const std::u16string className = repository_->CanonicalClassName(nameSpace_, ViewOf(strFilter));
    return Enumerator::Create(std::move(instances), (lFlags & WBEM_FLAG_FORWARD_ONLY) != 0,
                              ProviderBehaviourOf(className), security_->NoAuthentication(), ppEnum);
} catch (...) {
    return CaughtWmiError();
}

// The operations below are not part of what the emulator serves.

HRESULT Services::OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices** ppWorkingNamespace,
                                IWbemCallResult** ppResult) noexcept
try {
    if (ppWorkingNamespace != nullptr) {
        *ppWorkingNamespace = nullptr;
    }
    if (ppResult != nullptr) {
        *ppResult = nullptr;
    }
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::CancelAsyncCall(IWbemObjectSink* pSink) noexcept
try {
    return CancelAsyncCalls(pSink);
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::QueryObjectSink(LONG, IWbemObjectSink** ppResponseHandler) noexcept
try {
    return NotSupported(ppResponseHandler);
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::GetObjectAsync(const BSTR strObjectPath, LONG lFlags, IWbemContext* /*pCtx*/,
                                 IWbemObjectSink* pResponseHandler) noexcept
try {
    const std::u16string path(ViewOf(strObjectPath));
    const bool hasPath = strObjectPath != nullptr;
    return StartAsyncCall(static_cast<IWbemServices*>(this), pResponseHandler,
                          [this, path, hasPath, lFlags](IEnumWbemClassObject** results) {
                              const OwnedBstr text(hasPath ? path.c_str() : nullptr);
                              ComPtr<IWbemClassObject> object;
                              const HRESULT hr =
                                  GetObject(text.Get(), lFlags, nullptr, object.Put(), nullptr);
                              return FAILED(hr) ? hr : SingleResult(std::move(object), results);
                          });
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::PutClass(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult** ppCallResult) noexcept
try {
    return NotSupported(ppCallResult);
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::PutClassAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) noexcept
try {
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::DeleteClass(const BSTR, LONG, IWbemContext*, IWbemCallResult** ppCallResult) noexcept
try {
    return NotSupported(ppCallResult);
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::DeleteClassAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) noexcept
try {
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::CreateClassEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject** ppEnum) noexcept
try {
    return NotSupported(ppEnum);
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::CreateClassEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) noexcept
try {
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::PutInstance(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult** ppCallResult) noexcept
try {
    return NotSupported(ppCallResult);
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) noexcept
try {
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::DeleteInstance(const BSTR, LONG, IWbemContext*, IWbemCallResult** ppCallResult) noexcept
try {
    return NotSupported(ppCallResult);
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::DeleteInstanceAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) noexcept
try {
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::CreateInstanceEnumAsync(const BSTR strFilter, LONG lFlags, IWbemContext* /*pCtx*/,
                                          IWbemObjectSink* pResponseHandler) noexcept
try {
    if (strFilter == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const std::u16string filter(ViewOf(strFilter));
    return StartAsyncCall(static_cast<IWbemServices*>(this), pResponseHandler,
                          [this, filter, lFlags](IEnumWbemClassObject** results) {
                              const OwnedBstr text(filter.c_str());
                              return CreateInstanceEnum(text.Get(), lFlags | WBEM_FLAG_FORWARD_ONLY, nullptr,
                                                        results);
                          });
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::ExecQueryAsync(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags,
                                 IWbemContext* /*pCtx*/, IWbemObjectSink* pResponseHandler) noexcept
try {
    if (strQueryLanguage == nullptr || ViewOf(strQuery).empty()) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const std::u16string language(ViewOf(strQueryLanguage));
    const std::u16string query(ViewOf(strQuery));
    // The query runs as a forward-only one; what is wrong with it comes to the sink.
    const LONG flags = (lFlags & ~WBEM_FLAG_RETURN_IMMEDIATELY) | WBEM_FLAG_FORWARD_ONLY;
    return StartAsyncCall(static_cast<IWbemServices*>(this), pResponseHandler,
                          [this, language, query, flags](IEnumWbemClassObject** results) {
                              const OwnedBstr languageText(language.c_str()), queryText(query.c_str());
                              return ExecQuery(languageText.Get(), queryText.Get(), flags, nullptr, results);
                          });
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*,
                                             IWbemObjectSink*) noexcept
try {
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Services::ExecMethodAsync(const BSTR strObjectPath, const BSTR strMethodName, LONG lFlags,
                                  IWbemContext* /*pCtx*/, IWbemClassObject* pInParams,
                                  IWbemObjectSink* pResponseHandler) noexcept
try {
    if (strObjectPath == nullptr || ViewOf(strMethodName).empty()) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const std::u16string path(ViewOf(strObjectPath));
    const std::u16string method(ViewOf(strMethodName));
    ComPtr<IWbemClassObject> inputs = ComPtr<IWbemClassObject>::Share(pInParams);
    return StartAsyncCall(static_cast<IWbemServices*>(this), pResponseHandler,
                          [this, path, method, lFlags, inputs](IEnumWbemClassObject** results) {
                              const OwnedBstr pathText(path.c_str()), methodText(method.c_str());
                              ComPtr<IWbemClassObject> outputs;
                              const HRESULT hr = ExecMethod(pathText.Get(), methodText.Get(), lFlags, nullptr,
                                                            inputs.Get(), outputs.Put(), nullptr);
                              if (FAILED(hr) || !outputs) {
                                  return hr;
                              }
                              return SingleResult(std::move(outputs), results);
                          });
} catch (...) {
    return CaughtWmiError();
}

}  // namespace pal::services
