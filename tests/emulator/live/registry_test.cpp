// StdRegProv over the emulated registry: a round trip through WMI, checked against the Win32
// registry functions that the credential check uses.
#include <pal/win32_control.h>
#include <winreg.h>

#include <initializer_list>
#include <utility>

#include "live_test.h"

namespace live_test {
namespace {

constexpr LONG kCurrentUser = static_cast<LONG>(0x80000001);

struct Argument {
    const char16_t* name;
    std::u16string text;  // used when `isNumber` is false
    LONG number = 0;
    bool isNumber = false;
};

Argument TextArgument(const char16_t* name, std::u16string text)
{
    return Argument{name, std::move(text), 0, false};
}

Argument NumberArgument(const char16_t* name, LONG number)
{
    return Argument{name, {}, number, true};
}

class StdRegProvTest : public LiveTest {
protected:
    void SetUp() override
    {
        LiveTest::SetUp();
        PalWin32ResetAll();
        registry_ = ConnectLocal(u"root\\default");
    }
    void TearDown() override
    {
        registry_.Reset();
        PalWin32ResetAll();
        LiveTest::TearDown();
    }

    // Runs a StdRegProv method on HKEY_CURRENT_USER; the output parameters.
    ComRef<IWbemClassObject> Call(const char16_t* method, std::initializer_list<Argument> arguments)
    {
        ScopedBstr className(u"StdRegProv");
        ComRef<IWbemClassObject> classObject;
        EXPECT_EQ(S_OK, registry_->GetObject(className.get(), 0, nullptr, classObject.Receive(), nullptr));
        ComRef<IWbemClassObject> signature;
        EXPECT_EQ(S_OK, classObject->GetMethod(method, 0, signature.Receive(), nullptr));
        ComRef<IWbemClassObject> input;
        EXPECT_EQ(S_OK, signature->SpawnInstance(0, input.Receive()));
        Put(input.get(), NumberArgument(u"hDefKey", kCurrentUser));
        for (const Argument& argument : arguments) {
            Put(input.get(), argument);
        }
        ScopedBstr methodName(method);
        ComRef<IWbemClassObject> output;
        EXPECT_EQ(S_OK, registry_->ExecMethod(className.get(), methodName.get(), 0, nullptr, input.get(),
                                              output.Receive(), nullptr))
            << Narrow(method);
        return output;
    }

    static void Put(IWbemClassObject* object, const Argument& argument)
    {
        ScopedVariant value;
        if (argument.isNumber) {
            V_VT(value.get()) = VT_I4;
            V_I4(value.get()) = argument.number;
        } else {
            V_VT(value.get()) = VT_BSTR;
            V_BSTR(value.get()) = SysAllocString(argument.text.c_str());
        }
        EXPECT_EQ(S_OK, object->Put(argument.name, 0, value.get(), 0)) << Narrow(argument.name);
    }

    LONG ReturnValue(const char16_t* method, std::initializer_list<Argument> arguments)
    {
        const ComRef<IWbemClassObject> output = Call(method, arguments);
        return output ? static_cast<LONG>(NumberOf(output.get(), u"ReturnValue")) : -1;
    }

    static std::vector<std::string> Strings(IWbemClassObject* object, const char16_t* name)
    {
        ScopedVariant value;
        EXPECT_EQ(S_OK, object->Get(name, 0, value.get(), nullptr, nullptr));
        std::vector<std::string> texts;
        if (value.type() != (VT_ARRAY | VT_BSTR)) {
            return texts;
        }
        SAFEARRAY* array = V_ARRAY(value.get());
        LONG upper = -1;
        SafeArrayGetUBound(array, 1, &upper);
        for (LONG i = 0; i <= upper; ++i) {
            BSTR text = nullptr;
            EXPECT_EQ(S_OK, SafeArrayGetElement(array, &i, &text));
            texts.push_back(Narrow(text));
            SysFreeString(text);
        }
        return texts;
    }

    // Whether the Win32 registry functions open the key, as the credential check does.
    static bool Win32Opens(const char16_t* path)
    {
        HKEY key = nullptr;
        const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key);
        if (status == ERROR_SUCCESS) {
            RegCloseKey(key);
        }
        return status == ERROR_SUCCESS;
    }

    ComRef<IWbemServices> registry_;
};

TEST_F(StdRegProvTest, RoundTripThroughWmiAndTheWin32Registry)
{
    EXPECT_EQ(0, ReturnValue(u"CreateKey", {TextArgument(u"sSubKeyName", u"Software\\Live\\Child")}));
    EXPECT_TRUE(Win32Opens(u"Software\\Live\\Child"));

    EXPECT_EQ(0, ReturnValue(u"SetStringValue",
                             {TextArgument(u"sSubKeyName", u"Software\\Live"),
                              TextArgument(u"sValueName", u"Greeting"), TextArgument(u"sValue", u"hello")}));
    EXPECT_EQ(0, ReturnValue(u"SetDWORDValue",
                             {TextArgument(u"sSubKeyName", u"Software\\Live"),
                              TextArgument(u"sValueName", u"Count"), NumberArgument(u"uValue", 42)}));
    ComRef<IWbemClassObject> text = Call(u"GetStringValue", {TextArgument(u"sSubKeyName", u"software\\LIVE"),
                                                             TextArgument(u"sValueName", u"greeting")});
    EXPECT_EQ("hello", TextOf(text.get(), u"sValue"));
    ComRef<IWbemClassObject> number = Call(u"GetDWORDValue", {TextArgument(u"sSubKeyName", u"Software\\Live"),
                                                              TextArgument(u"sValueName", u"Count")});
    EXPECT_EQ(42U, NumberOf(number.get(), u"uValue"));

    // A value written through the Win32 side reads back through WMI.
    ASSERT_TRUE(PalWin32RegSetString(".", 1, "Software\\Live", "FromWin32", "native"));
    ComRef<IWbemClassObject> native =
        Call(u"GetStringValue",
             {TextArgument(u"sSubKeyName", u"Software\\Live"), TextArgument(u"sValueName", u"FromWin32")});
    EXPECT_EQ("native", TextOf(native.get(), u"sValue"));

    ComRef<IWbemClassObject> keys = Call(u"EnumKey", {TextArgument(u"sSubKeyName", u"Software\\Live")});
    EXPECT_EQ(std::vector<std::string>{"Child"}, Strings(keys.get(), u"sNames"));
    ComRef<IWbemClassObject> values = Call(u"EnumValues", {TextArgument(u"sSubKeyName", u"Software\\Live")});
    EXPECT_EQ((std::vector<std::string>{"Count", "FromWin32", "Greeting"}), Strings(values.get(), u"sNames"));

    EXPECT_EQ(0, ReturnValue(u"DeleteValue", {TextArgument(u"sSubKeyName", u"Software\\Live"),
                                              TextArgument(u"sValueName", u"Greeting")}));
    EXPECT_EQ(2, ReturnValue(u"GetStringValue", {TextArgument(u"sSubKeyName", u"Software\\Live"),
                                                 TextArgument(u"sValueName", u"Greeting")}));
    EXPECT_EQ(42U, NumberOf(Call(u"GetDWORDValue", {TextArgument(u"sSubKeyName", u"Software\\Live"),
                                                    TextArgument(u"sValueName", u"Count")})
                                .get(),
                            u"uValue"));

    // A key with subkeys stays; once they are gone it can be deleted.
    EXPECT_EQ(5, ReturnValue(u"DeleteKey", {TextArgument(u"sSubKeyName", u"Software\\Live")}));
    EXPECT_EQ(0, ReturnValue(u"DeleteKey", {TextArgument(u"sSubKeyName", u"Software\\Live\\Child")}));
    EXPECT_FALSE(Win32Opens(u"Software\\Live\\Child"));
    EXPECT_TRUE(Win32Opens(u"Software\\Live"));
    EXPECT_EQ(0, ReturnValue(u"DeleteKey", {TextArgument(u"sSubKeyName", u"Software\\Live")}));
    EXPECT_FALSE(Win32Opens(u"Software\\Live"));
    EXPECT_TRUE(Win32Opens(u"Software"));
}

TEST_F(StdRegProvTest, MissingKeysValuesAndWrongTypesAnswerWin32Codes)
{
    EXPECT_EQ(2, ReturnValue(u"EnumKey", {TextArgument(u"sSubKeyName", u"Nowhere")}));
    EXPECT_EQ(2, ReturnValue(u"DeleteKey", {TextArgument(u"sSubKeyName", u"Nowhere")}));
    EXPECT_EQ(2, ReturnValue(u"SetStringValue",
                             {TextArgument(u"sSubKeyName", u"Nowhere"), TextArgument(u"sValueName", u"x"),
                              TextArgument(u"sValue", u"y")}));
    EXPECT_EQ(87, ReturnValue(u"CreateKey", {TextArgument(u"sSubKeyName", u"\\Leading")}));

    ASSERT_EQ(0, ReturnValue(u"CreateKey", {TextArgument(u"sSubKeyName", u"Typed")}));
    ASSERT_EQ(
        0, ReturnValue(u"SetDWORDValue", {TextArgument(u"sSubKeyName", u"Typed"),
                                          TextArgument(u"sValueName", u"n"), NumberArgument(u"uValue", 7)}));
    EXPECT_EQ(static_cast<LONG>(0x80041005),
              ReturnValue(u"GetStringValue",
                          {TextArgument(u"sSubKeyName", u"Typed"), TextArgument(u"sValueName", u"n")}));
}

}  // namespace
}  // namespace live_test
