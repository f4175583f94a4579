// Fixture and helpers of the service-side tests: each test starts from a reset emulator inside
// the multithreaded apartment and must leave nothing alive.
#pragma once

#include <gtest/gtest.h>
#include <pal/testing.h>
#include <pal/wmi_control.h>
#include <wbemidl.h>

#include <string>
#include <vector>

#include "owners.h"

namespace services_test {

using pal::ComPtr;
using pal::OwnedBstr;
using pal::OwnedVariant;

class EmulatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PalWmiResetAll();
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    }

    void TearDown() override
    {
        CoUninitialize();
        PalWmiResetAll();
        const char* what = nullptr;
        EXPECT_TRUE(PalNothingAlive(&what)) << what;
    }

    static ComPtr<IWbemLocator> MakeLocator()
    {
        ComPtr<IWbemLocator> locator;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                         reinterpret_cast<void**>(locator.Put())));
        return locator;
    }

    // ConnectServer with the given texts (null pointers stay null); the result in `hr`.
    static ComPtr<IWbemServices> Connect(const char16_t* resource, const char16_t* user,
                                         const char16_t* password, HRESULT& hr,
                                         const char16_t* authority = nullptr, LONG flags = 0)
    {
        ComPtr<IWbemLocator> locator = MakeLocator();
        OwnedBstr resourceText(resource), userText(user), passwordText(password), authorityText(authority);
        ComPtr<IWbemServices> services;
        hr = locator->ConnectServer(resourceText.Get(), userText.Get(), passwordText.Get(), nullptr, flags,
                                    authorityText.Get(), nullptr, services.Put());
        return services;
    }

    static ComPtr<IWbemServices> ConnectLocal(const char16_t* nameSpace)
    {
        HRESULT hr = E_FAIL;
        ComPtr<IWbemServices> services = Connect(nameSpace, nullptr, nullptr, hr);
        EXPECT_EQ(S_OK, hr);
        return services;
    }

    static void LoadMof(const char* mof, const char* nameSpace = "root\\default")
    {
        char error[256];
        ASSERT_EQ(S_OK, PalWmiLoadHostMof(".", nameSpace, mof, error, sizeof error)) << error;
    }

    static ComPtr<IEnumWbemClassObject> Query(IWbemServices* services, const char16_t* wql, HRESULT& hr,
                                              LONG flags = WBEM_FLAG_FORWARD_ONLY)
    {
        OwnedBstr language(u"WQL"), text(wql);
        ComPtr<IEnumWbemClassObject> enumerator;
        hr = services->ExecQuery(language.Get(), text.Get(), flags, nullptr, enumerator.Put());
        return enumerator;
    }

    // Every object left in the enumerator, fetched one batch at a time without waiting.
    static std::vector<ComPtr<IWbemClassObject>> Drain(IEnumWbemClassObject* enumerator)
    {
        std::vector<ComPtr<IWbemClassObject>> objects;
        for (;;) {
            IWbemClassObject* batch[10] = {};
            ULONG returned = 0;
            const HRESULT hr = enumerator->Next(static_cast<LONG>(WBEM_INFINITE), 10, batch, &returned);
            for (ULONG i = 0; i < returned; ++i) {
                objects.push_back(ComPtr<IWbemClassObject>::Adopt(batch[i]));
            }
            if (hr != WBEM_S_NO_ERROR || returned < 10) {
                EXPECT_EQ(WBEM_S_FALSE, hr) << returned << " objects";
                return objects;
            }
        }
    }

    // A property's value as text (strings as they are, integers in decimal, NULL as "<null>").
    static std::u16string Text(IWbemClassObject* object, const char16_t* name)
    {
        OwnedVariant value;
        const HRESULT hr = object->Get(name, 0, value.Address(), nullptr, nullptr);
        if (FAILED(hr)) {
            return u"<error>";
        }
        switch (value.Type()) {
        case VT_NULL: return u"<null>";
        case VT_BSTR: return std::u16string(V_BSTR(value.Address()));
        case VT_I4: {
            const std::string digits = std::to_string(V_I4(value.Address()));
            return std::u16string(digits.begin(), digits.end());
        }
        case VT_BOOL: return V_BOOL(value.Address()) ? u"TRUE" : u"FALSE";
        default: return u"<other>";
        }
    }

    static std::vector<std::u16string> Texts(const std::vector<ComPtr<IWbemClassObject>>& objects,
                                             const char16_t* name)
    {
        std::vector<std::u16string> texts;
        for (const auto& object : objects) {
            texts.push_back(Text(object.Get(), name));
        }
        return texts;
    }
};

// A test with a session on root\test of the local machine for its whole run.
class TestNamespaceTest : public EmulatorTest {
protected:
    void SetUp() override
    {
        EmulatorTest::SetUp();
        services_ = ConnectLocal(u"root\\test");
    }
    void TearDown() override
    {
        services_.Reset();
        EmulatorTest::TearDown();
    }

    ComPtr<IWbemServices> services_;
};

// UTF-16 text as narrow text for assertion messages (non-ASCII characters come out mangled).
inline std::string Narrow(std::u16string_view text)
{
    return std::string(text.begin(), text.end());
}

}  // namespace services_test
