// Shared helpers of the repository tests: a fixture that checks that nothing stays alive and that
// puts the local repository back to its shipped state, and small owners for test values.
#pragma once

#include <gtest/gtest.h>
#include <oleauto.h>
#include <pal/testing.h>
#include <pal/wmi_testing.h>
#include <wbemidl.h>

#include <string>
#include <vector>

#include "owners.h"
#include "repository/repository.h"

#define EXPECT_HR(expected, actual) EXPECT_EQ(static_cast<HRESULT>(expected), static_cast<HRESULT>(actual))
#define ASSERT_HR(expected, actual) ASSERT_EQ(static_cast<HRESULT>(expected), static_cast<HRESULT>(actual))

using pal::wmi::ObjectPtr;

// A VARIANT that clears itself.
class Var {
public:
    Var() { VariantInit(&value_); }
    ~Var() { VariantClear(&value_); }
    Var(const Var&) = delete;
    Var& operator=(const Var&) = delete;
    VARIANT* get() { return &value_; }
    VARTYPE vt() const { return V_VT(&value_); }
    void Clear() { VariantClear(&value_); }

private:
    VARIANT value_;
};

// Key bindings that own their VARIANTs: Keys().Text(u"Name", u"x").Number(u"Id", 5).bindings.
struct Keys {
    std::vector<pal::wmi::KeyBinding> bindings;
    Keys() = default;
    Keys(const Keys&) = delete;
    Keys& operator=(const Keys&) = delete;
    ~Keys()
    {
        for (auto& key : bindings) {
            VariantClear(&key.value);
        }
    }
    Keys& Text(const char16_t* name, const std::u16string& value)
    {
        pal::wmi::KeyBinding& key = bindings.emplace_back(pal::wmi::KeyBinding{name, {}});
        VariantInit(&key.value);
        V_VT(&key.value) = VT_BSTR;
        V_BSTR(&key.value) = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
        return *this;
    }
    Keys& Number(const char16_t* name, LONG value)
    {
        pal::wmi::KeyBinding& key = bindings.emplace_back(pal::wmi::KeyBinding{name, {}});
        VariantInit(&key.value);
        V_VT(&key.value) = VT_I4;
        V_I4(&key.value) = value;
        return *this;
    }
};

inline std::u16string Text(BSTR text)
{
    return text == nullptr ? std::u16string() : std::u16string(text, SysStringLen(text));
}

// ASCII view of UTF-16 text for test messages.
inline std::string Narrow(std::u16string_view text)
{
    return std::string(text.begin(), text.end());
}

class RepositoryTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        PalWmiResetRepository();
        PalResetFaults();
        const char* what = nullptr;
        EXPECT_TRUE(PalNothingAlive(&what)) << "still alive: " << what;
    }

    static ObjectPtr Class(std::u16string_view name, std::u16string_view ns = u"root\\test")
    {
        IWbemClassObject* object = nullptr;
        EXPECT_HR(WBEM_S_NO_ERROR, pal::wmi::LocalRepository()->GetClass(ns, name, &object));
        return ObjectPtr(object);
    }

    // The instance of a single-keyed class with Name = `name`.
    static ObjectPtr Instance(std::u16string_view className, const char16_t* name,
                              std::u16string_view ns = u"root\\test")
    {
        pal::wmi::KeyBinding key{u"Name", {}};
        VariantInit(&key.value);
        V_VT(&key.value) = VT_BSTR;
        V_BSTR(&key.value) = SysAllocString(name);
        IWbemClassObject* object = nullptr;
        EXPECT_HR(WBEM_S_NO_ERROR, pal::wmi::LocalRepository()->FindInstance(ns, className, {key}, &object));
        VariantClear(&key.value);
        return ObjectPtr(object);
    }

    static ObjectPtr Spawn(std::u16string_view className)
    {
        ObjectPtr cls = Class(className);
        IWbemClassObject* instance = nullptr;
        EXPECT_HR(WBEM_S_NO_ERROR, cls->SpawnInstance(0, &instance));
        return ObjectPtr(instance);
    }

    static std::u16string StringProperty(IWbemClassObject* object, const char16_t* name)
    {
        Var value;
        EXPECT_HR(WBEM_S_NO_ERROR, object->Get(name, 0, value.get(), nullptr, nullptr));
        return value.vt() == VT_BSTR ? Text(V_BSTR(value.get())) : u"<not a string>";
    }
};
