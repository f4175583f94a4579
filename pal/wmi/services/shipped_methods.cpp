// Providers of the methods of the shipped namespaces. The methods of root\test echo and combine
// their inputs so that tests can see exactly what arrived; those of root\cimv2 answer as a
// successful call on Windows would.
#include <oleauto.h>

#include <string>

#include "base/text.h"
#include "services/method_providers.h"
#include "services/safe_array_text.h"
#include "wql/scoped_variant.h"

namespace pal::services {

namespace {

using wql::ScopedVariant;

// The named property of an object as it is; VT_NULL when the object or the property is missing.
ScopedVariant ValueOf(IWbemClassObject* object, const char16_t* name)
{
    ScopedVariant value;
    if (object == nullptr || FAILED(object->Get(name, 0, value.get(), nullptr, nullptr))) {
        V_VT(value.Reset()) = VT_NULL;
    }
    return value;
}

HRESULT PutInteger(IWbemClassObject* object, const char16_t* name, LONG number)
{
    ScopedVariant value;
    V_VT(value.get()) = VT_I4;
    V_I4(value.get()) = number;
    return object->Put(name, 0, value.get(), 0);
}

HRESULT PutText(IWbemClassObject* object, const char16_t* name, std::u16string_view text)
{
    ScopedVariant value;
    V_VT(value.get()) = VT_BSTR;
    V_BSTR(value.get()) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (V_BSTR(value.get()) == nullptr) {
        return WBEM_E_OUT_OF_MEMORY;
    }
    return object->Put(name, 0, value.get(), 0);
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
    const ScopedVariant a = ValueOf(call.inParameters, u"A");
    const ScopedVariant b = ValueOf(call.inParameters, u"B");
    if (a.type() != VT_I4 || b.type() != VT_I4) {
        return WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    return PutInteger(call.outParameters, u"ReturnValue", V_I4(a.get()) + V_I4(b.get()));
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
    const ScopedVariant text = ValueOf(call.inParameters, u"Text");
    const ScopedVariant number = ValueOf(call.inParameters, u"Number");
    const ScopedVariant list = ValueOf(call.inParameters, u"List");
    const ScopedVariant item = ValueOf(call.inParameters, u"Item");
    const ScopedVariant counter = ValueOf(call.inParameters, u"Counter");

    std::u16string combined = text.type() == VT_BSTR ? std::u16string(ViewOf(V_BSTR(text.get()))) : u"null";
    combined += u'|';
    combined += number.type() == VT_I4 ? Decimal(V_I4(number.get())) : u"null";
    combined += u'|';
    combined += list.type() == (VT_ARRAY | VT_BSTR) ? JoinStringArray(V_ARRAY(list.get()), u",") : u"null";
    combined += u'|';
    if (item.type() == VT_UNKNOWN && V_UNKNOWN(item.get()) != nullptr) {
        IWbemClassObject* embedded = nullptr;
        if (SUCCEEDED(V_UNKNOWN(item.get())
                          ->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(&embedded)))) {
            const ScopedVariant className = ValueOf(embedded, u"__CLASS");
            combined += className.type() == VT_BSTR ? ViewOf(V_BSTR(className.get())) : u"null";
            embedded->Release();
        }
    } else {
        combined += u"null";
    }

    HRESULT hr = PutText(call.outParameters, u"Combined", combined);
    if (SUCCEEDED(hr) && counter.type() == VT_I4) {
        hr = PutInteger(call.outParameters, u"Counter", V_I4(counter.get()) + 1);
    }
    if (SUCCEEDED(hr) && text.type() == VT_BSTR) {
        hr = PutText(call.outParameters, u"ReturnValue", ViewOf(V_BSTR(text.get())));
    }
    return hr;
}

// Test_Methods.Describe (instance method): Description = the instance's relative path.
HRESULT Describe(const MethodCall& call)
{
    if (call.instance == nullptr) {
        return WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    const ScopedVariant path = ValueOf(call.instance, u"__RELPATH");
    HRESULT hr = PutText(call.outParameters, u"Description",
                         path.type() == VT_BSTR ? ViewOf(V_BSTR(path.get())) : std::u16string_view(u""));
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
