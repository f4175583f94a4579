// Providers of the methods of the shipped namespaces. The methods of root\test echo and combine
// their inputs so that tests can see exactly what arrived; those of root\cimv2 answer as a
// successful call on Windows would.
#include <oleauto.h>

#include <string>

#include "base/text.h"
#include "services/method_providers.h"
#include "services/safe_array_text.h"
#include "base/text.h"
#include "owners.h"

namespace pal::services {

namespace {

// The named property of an object as it is; VT_NULL when the object or the property is missing.
OwnedVariant ValueOf(IWbemClassObject* object, const char16_t* name)
{
    OwnedVariant value;
    if (object == nullptr || FAILED(object->Get(name, 0, value.Address(), nullptr, nullptr))) {
        V_VT(value.Put()) = VT_NULL;
    }
    return value;
}

HRESULT PutInteger(IWbemClassObject* object, const char16_t* name, LONG number)
{
    OwnedVariant value;
    V_VT(value.Address()) = VT_I4;
    V_I4(value.Address()) = number;
    return object->Put(name, 0, value.Address(), 0);
}

HRESULT PutText(IWbemClassObject* object, const char16_t* name, std::u16string_view text)
{
    OwnedVariant value;
    V_VT(value.Address()) = VT_BSTR;
    V_BSTR(value.Address()) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (V_BSTR(value.Address()) == nullptr) {
        return WBEM_E_OUT_OF_MEMORY;
    }
    return object->Put(name, 0, value.Address(), 0);
}

std::u16string Decimal(int64_t number)
{
    const std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}

// Test_Methods.Add: ReturnValue = A + B; a missing operand is a parameter error, as a provider
// that checks its inputs reports it.
HRESULT Add(const MethodCall& call)
{
    const OwnedVariant a = ValueOf(call.inParameters, u"A");
    const OwnedVariant b = ValueOf(call.inParameters, u"B");
    if (a.Type() != VT_I4 || b.Type() != VT_I4) {
        return WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    return PutInteger(call.outParameters, u"ReturnValue", V_I4(a.Get()) + V_I4(b.Get()));
}

HRESULT DoNothing(const MethodCall& /*call*/)
{
    return WBEM_S_NO_ERROR;
}

// Test_Methods.GetInfo: fixed outputs.
HRESULT GetInfo(const MethodCall& call)
{
    HRESULT hr = PutText(call.outParameters, u"Text", u"emulated");
    if (SUCCEEDED(hr)) {
        hr = PutInteger(call.outParameters, u"Count", 3);
    }
    if (SUCCEEDED(hr)) {
        hr = PutInteger(call.outParameters, u"ReturnValue", 0);
    }
    return hr;
}

// Test_Methods.Echo: ReturnValue = Text; Counter = Counter + 1; Combined joins what arrived as
// "Text|Number|List items joined by commas|class of Item", with "null" for a missing value.
HRESULT Echo(const MethodCall& call)
{
    const OwnedVariant text = ValueOf(call.inParameters, u"Text");
    const OwnedVariant number = ValueOf(call.inParameters, u"Number");
    const OwnedVariant list = ValueOf(call.inParameters, u"List");
    const OwnedVariant item = ValueOf(call.inParameters, u"Item");
    const OwnedVariant counter = ValueOf(call.inParameters, u"Counter");

    std::u16string combined = text.Type() == VT_BSTR ? std::u16string(ViewOf(V_BSTR(text.Get()))) : u"null";
    combined += u'|';
    combined += number.Type() == VT_I4 ? Decimal(V_I4(number.Get())) : u"null";
    combined += u'|';
    combined += list.Type() == (VT_ARRAY | VT_BSTR) ? JoinStringArray(V_ARRAY(list.Get()), u",") : u"null";
    combined += u'|';
    if (item.Type() == VT_UNKNOWN && V_UNKNOWN(item.Get()) != nullptr) {
        IWbemClassObject* embedded = nullptr;
        if (SUCCEEDED(V_UNKNOWN(item.Get())
                          ->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(&embedded)))) {
            const OwnedVariant className = ValueOf(embedded, u"__CLASS");
            combined += className.Type() == VT_BSTR ? ViewOf(V_BSTR(className.Get())) : u"null";
            embedded->Release();
        }
    } else {
        combined += u"null";
    }

    HRESULT hr = PutText(call.outParameters, u"Combined", combined);
    if (SUCCEEDED(hr) && counter.Type() == VT_I4) {
        hr = PutInteger(call.outParameters, u"Counter", V_I4(counter.Get()) + 1);
    }
    if (SUCCEEDED(hr) && text.Type() == VT_BSTR) {
        hr = PutText(call.outParameters, u"ReturnValue", ViewOf(V_BSTR(text.Get())));
    }
    return hr;
}

// Test_Methods.Describe (instance method): Description = the instance's relative path.
HRESULT Describe(const MethodCall& call)
{
    if (call.instance == nullptr) {
        return WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    const OwnedVariant path = ValueOf(call.instance, u"__RELPATH");
    HRESULT hr = PutText(call.outParameters, u"Description",
                         path.Type() == VT_BSTR ? ViewOf(V_BSTR(path.Get())) : std::u16string_view(u""));
    if (SUCCEEDED(hr)) {
        hr = PutInteger(call.outParameters, u"ReturnValue", 0);
    }
    return hr;
}

HRESULT ReturnZero(const MethodCall& call)
{
    return PutInteger(call.outParameters, u"ReturnValue", 0);
}

}  // namespace

void RegisterShippedMethodProviders()
{
    RegisterMethodProvider(u"Test_Methods", u"Add", Add);
    RegisterMethodProvider(u"Test_Methods", u"Ping", DoNothing);
    RegisterMethodProvider(u"Test_Methods", u"GetInfo", GetInfo);
    RegisterMethodProvider(u"Test_Methods", u"Store", DoNothing);
    RegisterMethodProvider(u"Test_Methods", u"Echo", Echo);
    RegisterMethodProvider(u"Test_Methods", u"Describe", Describe);
    RegisterMethodProvider(u"Win32_OperatingSystem", u"Reboot", ReturnZero);
    RegisterMethodProvider(u"Win32_Service", u"StartService", ReturnZero);
    RegisterMethodProvider(u"Win32_Service", u"StopService", ReturnZero);
    RegisterMethodProvider(u"Win32_Process", u"Terminate", ReturnZero);
}

}  // namespace pal::services
