#include "wmi/WmiMethod.h"

#include <new>
#include <utility>

namespace wmibridge {

CWmiMethod::CWmiMethod(IWbemServices* services, CBstr name, IWbemClassObject* inputSignature,
                       CRefPtr<CAuthIdentity> identity) noexcept
    : m_inputSignature(inputSignature),
      m_services(services),
      m_name(std::move(name)),
      m_identity(std::move(identity))
{
    if (m_inputSignature != nullptr) {
        m_inputSignature->AddRef();
    }
    if (m_services != nullptr) {
        m_services->AddRef();
    }
}

CWmiMethod::~CWmiMethod()
{
    if (m_inputSignature != nullptr) {
        m_inputSignature->Release();
        m_inputSignature = nullptr;
    }
    if (m_services != nullptr) {
        m_services->Release();
        m_services = nullptr;
    }
}

bool ServiceGetMethod(const CRefPtr<CWmiService>& session, const WCHAR* classPath, const WCHAR* methodName,
                      CRefPtr<CWmiMethod>& out, ErrorCode& code) noexcept
{
    code = kInvalidParameter;
    if (session.IsEmpty() || session->Services() == nullptr) {
        return false;
    }
    CBstr classText(classPath);
    CBstr methodText(methodName);
    if (classText.Get() == nullptr || methodText.Get() == nullptr) {
        code = kOutOfMemory;
        return false;
    }
    CComRef<IWbemClassObject> classObject;
    HRESULT hr = session->Services()->GetObject(classText.Get(), 0, nullptr, classObject.Put(), nullptr);
    if (FAILED(hr)) {
        code = HResultToCode(hr);
        return false;
    }
    if (!classObject) {
        code = kObjectNotFound;
        return false;
    }
    CComRef<IWbemClassObject> inputSignature;
    hr = classObject->GetMethod(methodText.Get(), 0, inputSignature.Put(), nullptr);
    if (FAILED(hr)) {
        code = HResultToCode(hr);
        return false;
    }
    CBstr name(methodName);
    if (name.Get() == nullptr) {
        code = kOutOfMemory;
        return false;
    }
    auto* method = new (std::nothrow)
        CWmiMethod(session->Services(), std::move(name), inputSignature.Get(), session->Identity());
    if (method == nullptr) {
        code = kOutOfMemory;
        return false;
    }
    out = method;
    code = kSuccess;
    return true;
}

bool MethodGetInputProperties(const CRefPtr<CWmiMethod>& method, CRefPtr<CWmiObject>& out,
                              ErrorCode& code) noexcept
{
    code = kInvalidParameter;
    if (method.IsEmpty()) {
        return false;
    }
    code = kSuccess;
    if (method->InputSignature() == nullptr) {
        return true;
    }
    CComRef<IWbemClassObject> instance;
    const HRESULT hr = method->InputSignature()->SpawnInstance(0, instance.Put());
    if (FAILED(hr)) {
        code = HResultToCode(hr);
    } else if (instance && !Wrap(out, instance.Get())) {
        code = kOutOfMemory;
    }
    return code == kSuccess;
}

bool MethodExecute(const CRefPtr<CWmiMethod>& method, const WCHAR* objectPath,
                   const CRefPtr<CWmiObject>& input, CRefPtr<CWmiObject>& out, bool& hasOutput,
                   ErrorCode& code) noexcept
{
    hasOutput = false;
    code = kInvalidParameter;
    if (method.IsEmpty() || objectPath == nullptr || method->Services() == nullptr) {
        return false;
    }
    CBstr pathText(objectPath);
    if (pathText.Get() == nullptr) {
        code = kOutOfMemory;
        return false;
    }
    CComRef<IWbemClassObject> output;
    const HRESULT hr = method->Services()->ExecMethod(pathText.Get(), method->Name(), 0, nullptr,
                                                      ObjectPointer(input), output.Put(), nullptr);
    if (FAILED(hr)) {
        code = HResultToCode(hr);
        return false;
    }
    code = kSuccess;
    if (output) {
        if (!Wrap(out, output.Get())) {
            code = kOutOfMemory;
            return false;
        }
        hasOutput = true;
    }
    return true;
}

}  // namespace wmibridge
