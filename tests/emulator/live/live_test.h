// Fixture of the live-class tests: a session on root\cimv2 of the local machine, with helpers
// that read properties as numbers and text.
#pragma once

#include <string>
#include <vector>

#include "emulator_test.h"

namespace live_test {

using services_test::ComPtr;
using services_test::Narrow;
using services_test::OwnedBstr;
using services_test::OwnedVariant;

class LiveTest : public services_test::EmulatorTest {
protected:
    void SetUp() override
    {
        EmulatorTest::SetUp();
        services_ = ConnectLocal(u"root\\cimv2");
    }
    void TearDown() override
    {
        services_.Reset();
        EmulatorTest::TearDown();
    }

    std::vector<ComPtr<IWbemClassObject>> Select(const std::u16string& wql)
    {
        HRESULT hr = E_FAIL;
        ComPtr<IEnumWbemClassObject> enumerator = Query(services_.Get(), wql.c_str(), hr);
        EXPECT_EQ(S_OK, hr) << Narrow(wql);
        return enumerator ? Drain(enumerator.Get()) : std::vector<ComPtr<IWbemClassObject>>{};
    }

    ComPtr<IWbemClassObject> GetAt(const std::u16string& path, HRESULT& hr)
    {
        OwnedBstr text(path.c_str());
        ComPtr<IWbemClassObject> object;
        hr = services_->GetObject(text.Get(), 0, nullptr, object.Put(), nullptr);
        return object;
    }

    // A text property; empty with a failure when it is missing or not text.
    static std::string TextOf(IWbemClassObject* object, const char16_t* name)
    {
        OwnedVariant value;
        EXPECT_EQ(S_OK, object->Get(name, 0, value.Address(), nullptr, nullptr)) << Narrow(name);
        EXPECT_EQ(VT_BSTR, value.Type()) << Narrow(name);
        return value.Type() == VT_BSTR ? Narrow(V_BSTR(value.Address())) : std::string();
    }

    // An unsigned property as WMI hands it out: uint32 as VT_I4, uint64 as decimal text.
    static unsigned long long NumberOf(IWbemClassObject* object, const char16_t* name)
    {
        OwnedVariant value;
        EXPECT_EQ(S_OK, object->Get(name, 0, value.Address(), nullptr, nullptr)) << Narrow(name);
        switch (value.Type()) {
        case VT_I4: return static_cast<unsigned long>(V_I4(value.Address()));
        case VT_BSTR: return std::stoull(Narrow(V_BSTR(value.Address())));
        default: ADD_FAILURE() << Narrow(name) << " has type " << value.Type(); return 0;
        }
    }

    static CIMTYPE TypeOf(IWbemClassObject* object, const char16_t* name)
    {
        CIMTYPE type = CIM_EMPTY;
        EXPECT_EQ(S_OK, object->Get(name, 0, nullptr, &type, nullptr)) << Narrow(name);
        return type;
    }

    ComPtr<IWbemServices> services_;
};

// ASCII text as UTF-16, for names and numbers built into queries.
inline std::u16string Wide(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

}  // namespace live_test
