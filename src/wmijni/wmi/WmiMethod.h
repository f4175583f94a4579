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

class CWmiMethod : public CRefCounted {
public:
    // Takes references of its own to the input signature (null for a method without input
    // parameters) and to the services proxy, and to the identity record that secures the proxy,
    // so that the method keeps working after its session is disconnected.
    CWmiMethod(IWbemServices* services, CBstr name, IWbemClassObject* inputSignature,
               CRefPtr<CAuthIdentity> identity) noexcept;
    ~CWmiMethod();

    IWbemServices* Services() const { return m_services; }
    IWbemClassObject* InputSignature() const { return m_inputSignature; }
    BSTR Name() const { return m_name.Get(); }

private:
    CComInitHold m_apartment;
    IWbemClassObject* m_inputSignature;
    IWbemServices* m_services;
    CBstr m_name;
    CRefPtr<CAuthIdentity> m_identity;
};

// The method `methodName` of the class at `classPath`.
bool ServiceGetMethod(const CRefPtr<CWmiService>& session, const WCHAR* classPath, const WCHAR* methodName,
                      CRefPtr<CWmiMethod>& out, ErrorCode& code) noexcept;

// A new input-parameters object; `out` stays empty for a method without input parameters.
bool MethodGetInputProperties(const CRefPtr<CWmiMethod>& method, CRefPtr<CWmiObject>& out,
                              ErrorCode& code) noexcept;

// Executes the method on the class or instance at `objectPath` with `input` (empty: no input
// parameters). `hasOutput` tells whether WMI returned an output-parameters object.
bool MethodExecute(const CRefPtr<CWmiMethod>& method, const WCHAR* objectPath,
                   const CRefPtr<CWmiObject>& input, CRefPtr<CWmiObject>& out, bool& hasOutput,
                   ErrorCode& code) noexcept;

}  // namespace wmibridge
