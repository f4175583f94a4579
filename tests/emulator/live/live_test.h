// Fixture of the live-class tests: a session on root\cimv2 of the local machine, with helpers
// that read properties as numbers and text.
#pragma once

#include <string>
#include <vector>

#include "emulator_test.h"

namespace live_test {

using services_test::ComRef;
using services_test::Narrow;
using services_test::ScopedBstr;
using services_test::ScopedVariant;

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

    std::vector<ComRef<IWbemClassObject>> Select(const std::u16string& wql)
    {
        HRESULT hr = E_FAIL;
        ComRef<IEnumWbemClassObject> enumerator = Query(services_.get(), wql.c_str(), hr);
        EXPECT_EQ(S_OK, hr) << Narrow(wql);
        return enumerator ? Drain(enumerator.get()) : std::vector<ComRef<IWbemClassObject>>{};
    }

    ComRef<IWbemClassObject> GetAt(const std::u16string& path, HRESULT& hr)
    {
        ScopedBstr text(path.c_str());
        ComRef<IWbemClassObject> object;
        hr = services_->GetObject(text.get(), 0, nullptr, object.Receive(), nullptr);
        return object;
    }

    // A text property; empty with a failure when it is missing or not text.
    static std::string TextOf(IWbemClassObject* object, const char16_t* name)
    {
        ScopedVariant value;
        EXPECT_EQ(S_OK, object->Get(name, 0, value.get(), nullptr, nullptr)) << Narrow(name);
        EXPECT_EQ(VT_BSTR, value.type()) << Narrow(name);
        return value.type() == VT_BSTR ? Narrow(V_BSTR(value.get())) : std::string();
    }

    // An unsigned property as WMI hands it out: uint32 as VT_I4, uint64 as decimal text.
    static unsigned long long NumberOf(IWbemClassObject* object, const char16_t* name)
    {
        ScopedVariant value;
        EXPECT_EQ(S_OK, object->Get(name, 0, value.get(), nullptr, nullptr)) << Narrow(name);
        switch (value.type()) {
        case VT_I4: return static_cast<unsigned long>(V_I4(value.get()));
        case VT_BSTR: return std::stoull(Narrow(V_BSTR(value.get())));
        default: ADD_FAILURE() << Narrow(name) << " has type " << value.type(); return 0;
        }
    }

    static CIMTYPE TypeOf(IWbemClassObject* object, const char16_t* name)
    {
        CIMTYPE type = CIM_EMPTY;
        EXPECT_EQ(S_OK, object->Get(name, 0, nullptr, &type, nullptr)) << Narrow(name);
        return type;
    }

    ComRef<IWbemServices> services_;
};

// ASCII text as UTF-16, for names and numbers built into queries.
inline std::u16string Wide(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

}  // namespace live_test
