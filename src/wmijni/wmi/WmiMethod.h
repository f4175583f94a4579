// CWmiMethod: a WMI method of a class, ready to be executed on the class or on its instances.
#pragma once

#include "platform/ComHolders.h"
#include "platform/platform.h"
#include "wmi/ComApartment.h"
#include "wmi/ErrorCodes.h"
#include "wmi/ProxySecurity.h"
#include "wmi/WmiObject.h"
#include "wmi/WmiService.h"

namespace wmibridge {

class CWmiMethod final : public CRefCounted {
public:
    // Takes over its references to the services proxy and to the input signature (empty for a
    // method without input parameters), and to the identity record that secures the proxy, so
    // that the method keeps working after its session is disconnected.
    CWmiMethod(CComRef<IWbemServices> services, CBstr name, CComRef<IWbemClassObject> inputSignature,
               CRefPtr<CAuthIdentity> identity) noexcept;

    IWbemServices* Services() const { return m_services.Get(); }
    IWbemClassObject* InputSignature() const { return m_inputSignature.Get(); }
    BSTR Name() const { return m_name.Get(); }

private:
    // Members are destroyed from the last up: the proxy before the identity record that secures
    // it, and COM is given back after everything is released.
    CComInitHold m_apartment;
    CRefPtr<CAuthIdentity> m_identity;
    CBstr m_name;
    CComRef<IWbemServices> m_services;
    CComRef<IWbemClassObject> m_inputSignature;
};

// The method `methodName` of the class at `classPath`.
ErrorCode ServiceGetMethod(const CRefPtr<CWmiService>& session, const WCHAR* classPath,
                           const WCHAR* methodName, CRefPtr<CWmiMethod>& out) noexcept;

// A new input-parameters object; `out` stays empty for a method without input parameters.
ErrorCode MethodGetInputProperties(const CRefPtr<CWmiMethod>& method, CRefPtr<CWmiObject>& out) noexcept;

// Executes the method on the class or instance at `objectPath` with `input` (empty: no input
// parameters). `out` receives the output-parameters object, and stays empty when WMI returned
// none.
ErrorCode MethodExecute(const CRefPtr<CWmiMethod>& method, const WCHAR* objectPath,
                        const CRefPtr<CWmiObject>& input, CRefPtr<CWmiObject>& out) noexcept;

}  // namespace wmibridge
