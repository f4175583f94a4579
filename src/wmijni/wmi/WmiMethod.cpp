#include "wmi/WmiMethod.h"

#include <new>
#include <utility>

#include "wmi/ComReference.h"

namespace wmibridge {

CWmiMethod::CWmiMethod(CComRef<IWbemServices> services, CBstr name, CComRef<IWbemClassObject> inputSignature,
                       CRefPtr<CAuthIdentity> identity) noexcept
    : m_identity(std::move(identity)),
      m_name(std::move(name)),
      m_services(std::move(services)),
      m_inputSignature(std::move(inputSignature))
{
}

ErrorCode ServiceGetMethod(const CRefPtr<CWmiService>& session, const WCHAR* classPath,
                           const WCHAR* methodName, CRefPtr<CWmiMethod>& out) noexcept
{
    if (session.IsEmpty() || session->Services() == nullptr) {
        return kInvalidParameter;
    }
    CBstr classText(classPath);
    CBstr methodText(methodName);
    if (classText.Get() == nullptr || methodText.Get() == nullptr) {
        return kOutOfMemory;
    }
    CComRef<IWbemClassObject> classObject;
    HRESULT hr = session->Services()->GetObject(classText.Get(), 0, nullptr, classObject.Put(), nullptr);
    if (FAILED(hr)) {
        return HResultToCode(hr);
    }
    if (!classObject) {
        return kObjectNotFound;
    }
    CComRef<IWbemClassObject> inputSignature;
    hr = classObject->GetMethod(methodText.Get(), 0, inputSignature.Put(), nullptr);
    if (FAILED(hr)) {
        return HResultToCode(hr);
    }
    CBstr name(methodName);
    if (name.Get() == nullptr) {
        return kOutOfMemory;
    }
    auto* method = new (std::nothrow) CWmiMethod(AddReference(session->Services()), std::move(name),
                                                 std::move(inputSignature), session->Identity());
    if (method == nullptr) {
        return kOutOfMemory;
    }
    out = method;
    return kSuccess;
}

ErrorCode MethodGetInputProperties(const CRefPtr<CWmiMethod>& method, CRefPtr<CWmiObject>& out) noexcept
{
    if (method.IsEmpty()) {
        return kInvalidParameter;
    }
    if (method->InputSignature() == nullptr) {
        return kSuccess;
    }
    CComRef<IWbemClassObject> instance;
    const HRESULT hr = method->InputSignature()->SpawnInstance(0, instance.Put());
    if (FAILED(hr)) {
        return HResultToCode(hr);
    }
    if (instance && !Wrap(out, instance.Get())) {
        return kOutOfMemory;
    }
    return kSuccess;
}

ErrorCode MethodExecute(const CRefPtr<CWmiMethod>& method, const WCHAR* objectPath,
                        const CRefPtr<CWmiObject>& input, CRefPtr<CWmiObject>& out) noexcept
{
    if (method.IsEmpty() || objectPath == nullptr || method->Services() == nullptr) {
        return kInvalidParameter;
    }
    CBstr pathText(objectPath);
    if (pathText.Get() == nullptr) {
        return kOutOfMemory;
    }
    CComRef<IWbemClassObject> output;
    const HRESULT hr = method->Services()->ExecMethod(pathText.Get(), method->Name(), 0, nullptr,
                                                      ObjectPointer(input), output.Put(), nullptr);
    if (FAILED(hr)) {
        return HResultToCode(hr);
    }
    if (output && !Wrap(out, output.Get())) {
        return kOutOfMemory;
    }
    return kSuccess;
}

}  // namespace wmibridge
