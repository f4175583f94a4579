// StdRegProv over the emulated registry: a round trip through WMI, checked against the Win32
// registry functions that the credential check uses.
#include <pal/win32_control.h>
#include <sys/stat.h>
#include <winreg.h>

#include <functional>
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

    // Runs a StdRegProv method on HKEY_CURRENT_USER (an hDefKey argument names another tree), with
    // `fill` putting further inputs; the output parameters.
    ComPtr<IWbemClassObject> Call(const char16_t* method, std::initializer_list<Argument> arguments,
                                  const std::function<void(IWbemClassObject*)>& fill = nullptr)
    {
        OwnedBstr className(u"StdRegProv");
        ComPtr<IWbemClassObject> classObject;
        EXPECT_EQ(S_OK, registry_->GetObject(className.Get(), 0, nullptr, classObject.Put(), nullptr));
        ComPtr<IWbemClassObject> signature;
        EXPECT_EQ(S_OK, classObject->GetMethod(method, 0, signature.Put(), nullptr));
        ComPtr<IWbemClassObject> input;
        EXPECT_EQ(S_OK, signature->SpawnInstance(0, input.Put()));
        Put(input.Get(), NumberArgument(u"hDefKey", kCurrentUser));
        for (const Argument& argument : arguments) {
            Put(input.Get(), argument);
        }
        if (fill) {
            fill(input.Get());
        }
        OwnedBstr methodName(method);
        ComPtr<IWbemClassObject> output;
        EXPECT_EQ(S_OK, registry_->ExecMethod(className.Get(), methodName.Get(), 0, nullptr, input.Get(),
                                              output.Put(), nullptr))
            << Narrow(method);
        return output;
    }

    static void Put(IWbemClassObject* object, const Argument& argument)
    {
        OwnedVariant value;
        if (argument.isNumber) {
            V_VT(value.Address()) = VT_I4;
            V_I4(value.Address()) = argument.number;
        } else {
            V_VT(value.Address()) = VT_BSTR;
            V_BSTR(value.Address()) = SysAllocString(argument.text.c_str());
        }
        EXPECT_EQ(S_OK, object->Put(argument.name, 0, value.Address(), 0)) << Narrow(argument.name);
    }

    LONG ReturnValue(const char16_t* method, std::initializer_list<Argument> arguments)
    {
        const ComPtr<IWbemClassObject> output = Call(method, arguments);
        return output ? static_cast<LONG>(NumberOf(output.Get(), u"ReturnValue")) : -1;
    }

    static std::vector<std::string> Strings(IWbemClassObject* object, const char16_t* name)
    {
        OwnedVariant value;
        EXPECT_EQ(S_OK, object->Get(name, 0, value.Address(), nullptr, nullptr));
        std::vector<std::string> texts;
        if (value.Type() != (VT_ARRAY | VT_BSTR)) {
            return texts;
        }
        SAFEARRAY* array = V_ARRAY(value.Address());
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

    ComPtr<IWbemServices> registry_;
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
    ComPtr<IWbemClassObject> text = Call(u"GetStringValue", {TextArgument(u"sSubKeyName", u"software\\LIVE"),
                                                             TextArgument(u"sValueName", u"greeting")});
    EXPECT_EQ("hello", TextOf(text.Get(), u"sValue"));
    ComPtr<IWbemClassObject> number = Call(u"GetDWORDValue", {TextArgument(u"sSubKeyName", u"Software\\Live"),
                                                              TextArgument(u"sValueName", u"Count")});
    EXPECT_EQ(42U, NumberOf(number.Get(), u"uValue"));

    // A value written through the Win32 side reads back through WMI.
    ASSERT_TRUE(PalWin32RegSetString(".", 1, "Software\\Live", "FromWin32", "native"));
    ComPtr<IWbemClassObject> native =
        Call(u"GetStringValue",
             {TextArgument(u"sSubKeyName", u"Software\\Live"), TextArgument(u"sValueName", u"FromWin32")});
    EXPECT_EQ("native", TextOf(native.Get(), u"sValue"));

    ComPtr<IWbemClassObject> keys = Call(u"EnumKey", {TextArgument(u"sSubKeyName", u"Software\\Live")});
    EXPECT_EQ(std::vector<std::string>{"Child"}, Strings(keys.Get(), u"sNames"));
    ComPtr<IWbemClassObject> values = Call(u"EnumValues", {TextArgument(u"sSubKeyName", u"Software\\Live")});
    EXPECT_EQ((std::vector<std::string>{"Count", "FromWin32", "Greeting"}), Strings(values.Get(), u"sNames"));

    EXPECT_EQ(0, ReturnValue(u"DeleteValue", {TextArgument(u"sSubKeyName", u"Software\\Live"),
                                              TextArgument(u"sValueName", u"Greeting")}));
    EXPECT_EQ(2, ReturnValue(u"GetStringValue", {TextArgument(u"sSubKeyName", u"Software\\Live"),
                                                 TextArgument(u"sValueName", u"Greeting")}));
    EXPECT_EQ(42U, NumberOf(Call(u"GetDWORDValue", {TextArgument(u"sSubKeyName", u"Software\\Live"),
                                                    TextArgument(u"sValueName", u"Count")})
                                .Get(),
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

namespace live_test {
namespace {

constexpr LONG kLocalMachine = static_cast<LONG>(0x80000002);

// Puts a SAFEARRAY of `vt` elements made by `put` into the named input.
template <class Put>
void PutArray(IWbemClassObject* input, const char16_t* name, VARTYPE vt, LONG count, Put&& put)
{
    OwnedVariant value;
    V_VT(value.Address()) = static_cast<VARTYPE>(VT_ARRAY | vt);
    V_ARRAY(value.Address()) = SafeArrayCreateVector(vt, 0, static_cast<ULONG>(count));
    for (LONG i = 0; i < count; ++i) {
        put(V_ARRAY(value.Address()), i);
    }
    ASSERT_EQ(S_OK, input->Put(name, 0, value.Address(), 0)) << Narrow(name);
}

TEST_F(StdRegProvTest, StdRegProvIsServedInCimv2AsInDefault)
{
    ASSERT_EQ(0, ReturnValue(u"CreateKey", {TextArgument(u"sSubKeyName", u"Software\\Both")}));
    ASSERT_EQ(0, ReturnValue(u"SetStringValue",
                             {TextArgument(u"sSubKeyName", u"Software\\Both"),
                              TextArgument(u"sValueName", u"Where"), TextArgument(u"sValue", u"x")}));
    // The same calls through root\cimv2 see the same registry.
    registry_ = ConnectLocal(u"root\\cimv2");
    const ComPtr<IWbemClassObject> value =
        Call(u"GetStringValue",
             {TextArgument(u"sSubKeyName", u"Software\\Both"), TextArgument(u"sValueName", u"Where")});
    ASSERT_TRUE(value);
    EXPECT_EQ("x", TextOf(value.Get(), u"sValue"));
}

TEST_F(StdRegProvTest, ExpandedMultiStringQwordAndBinaryValuesRoundTripWithTheirTypes)
{
    const std::u16string key = u"Software\\Typed";
    ASSERT_EQ(0, ReturnValue(u"CreateKey", {TextArgument(u"sSubKeyName", key)}));
    EXPECT_EQ(0, ReturnValue(u"SetExpandedStringValue",
                             {TextArgument(u"sSubKeyName", key), TextArgument(u"sValueName", u"Expand"),
                              TextArgument(u"sValue", u"%SystemRoot%\\x")}));
    EXPECT_EQ(0, ReturnValue(u"SetQWORDValue",
                             {TextArgument(u"sSubKeyName", key), TextArgument(u"sValueName", u"Big"),
                              TextArgument(u"uValue", u"18446744073709551615")}));
    const ComPtr<IWbemClassObject> multiSet = Call(
        u"SetMultiStringValue", {TextArgument(u"sSubKeyName", key), TextArgument(u"sValueName", u"Multi")},
        [](IWbemClassObject* input) {
            PutArray(input, u"sValue", VT_BSTR, 2, [](SAFEARRAY* array, LONG i) {
                BSTR text = SysAllocString(i == 0 ? u"one" : u"two");
                SafeArrayPutElement(array, &i, text);
                SysFreeString(text);
            });
        });
    EXPECT_EQ(0U, NumberOf(multiSet.Get(), u"ReturnValue"));
    const ComPtr<IWbemClassObject> binarySet =
        Call(u"SetBinaryValue", {TextArgument(u"sSubKeyName", key), TextArgument(u"sValueName", u"Bytes")},
             [](IWbemClassObject* input) {
                 PutArray(input, u"uValue", VT_UI1, 3, [](SAFEARRAY* array, LONG i) {
                     BYTE byte = static_cast<BYTE>(0xFD + i);
                     SafeArrayPutElement(array, &i, &byte);
                 });
             });
    EXPECT_EQ(0U, NumberOf(binarySet.Get(), u"ReturnValue"));

    const ComPtr<IWbemClassObject> expand =
        Call(u"GetExpandedStringValue",
             {TextArgument(u"sSubKeyName", key), TextArgument(u"sValueName", u"Expand")});
    EXPECT_EQ("%SystemRoot%\\x", TextOf(expand.Get(), u"sValue"));
    const ComPtr<IWbemClassObject> big =
        Call(u"GetQWORDValue", {TextArgument(u"sSubKeyName", key), TextArgument(u"sValueName", u"Big")});
    EXPECT_EQ(18446744073709551615ULL, NumberOf(big.Get(), u"uValue"));
    const ComPtr<IWbemClassObject> multi = Call(
        u"GetMultiStringValue", {TextArgument(u"sSubKeyName", key), TextArgument(u"sValueName", u"Multi")});
    EXPECT_EQ((std::vector<std::string>{"one", "two"}), Strings(multi.Get(), u"sValue"));
    const ComPtr<IWbemClassObject> bytes =
        Call(u"GetBinaryValue", {TextArgument(u"sSubKeyName", key), TextArgument(u"sValueName", u"Bytes")});
    OwnedVariant data;
    CIMTYPE type = CIM_EMPTY;
    ASSERT_EQ(S_OK, bytes->Get(u"uValue", 0, data.Address(), &type, nullptr));
    EXPECT_EQ(CIM_UINT8 | CIM_FLAG_ARRAY, type);
    ASSERT_EQ(VT_ARRAY | VT_UI1, data.Type());
    std::vector<int> read;
    for (LONG i = 0; i < 3; ++i) {
        BYTE byte = 0;
        EXPECT_EQ(S_OK, SafeArrayGetElement(V_ARRAY(data.Address()), &i, &byte));
        read.push_back(byte);
    }
    EXPECT_EQ((std::vector<int>{0xFD, 0xFE, 0xFF}), read);

    // Each Get reads only its own type; EnumValues tells the types (REG_EXPAND_SZ, REG_QWORD, ...).
    EXPECT_EQ(static_cast<LONG>(0x80041005),
              ReturnValue(u"GetStringValue",
                          {TextArgument(u"sSubKeyName", key), TextArgument(u"sValueName", u"Expand")}));
    EXPECT_EQ(static_cast<LONG>(0x80041005),
              ReturnValue(u"GetBinaryValue",
                          {TextArgument(u"sSubKeyName", key), TextArgument(u"sValueName", u"Big")}));
    const ComPtr<IWbemClassObject> listed = Call(u"EnumValues", {TextArgument(u"sSubKeyName", key)});
    OwnedVariant types;
    ASSERT_EQ(S_OK, listed->Get(u"Types", 0, types.Address(), nullptr, nullptr));
    ASSERT_EQ(VT_ARRAY | VT_I4, types.Type());
    std::vector<LONG> codes;
    for (LONG i = 0; i < 4; ++i) {
        LONG code = 0;
        EXPECT_EQ(S_OK, SafeArrayGetElement(V_ARRAY(types.Address()), &i, &code));
        codes.push_back(code);
    }
    // Values listed in case-insensitive name order: Big, Bytes, Expand, Multi.
    EXPECT_EQ((std::vector<LONG>{REG_QWORD, REG_BINARY, REG_EXPAND_SZ, REG_MULTI_SZ}), codes);
}

TEST_F(StdRegProvTest, CheckAccessGrantsOnAKeyThatExists)
{
    ASSERT_EQ(0, ReturnValue(u"CreateKey", {TextArgument(u"sSubKeyName", u"Software\\Open")}));
    const ComPtr<IWbemClassObject> granted =
        Call(u"CheckAccess",
             {TextArgument(u"sSubKeyName", u"Software\\Open"), NumberArgument(u"uRequired", 0x20019)});
    ASSERT_TRUE(granted);
    EXPECT_EQ(0U, NumberOf(granted.Get(), u"ReturnValue"));
    OwnedVariant flag;
    ASSERT_EQ(S_OK, granted->Get(u"bGranted", 0, flag.Address(), nullptr, nullptr));
    ASSERT_EQ(VT_BOOL, flag.Type());
    EXPECT_EQ(VARIANT_TRUE, V_BOOL(flag.Address()));
    EXPECT_EQ(2, ReturnValue(u"CheckAccess", {TextArgument(u"sSubKeyName", u"Software\\Closed"),
                                              NumberArgument(u"uRequired", 1)}));
}

TEST_F(StdRegProvTest, TheRegistryHoldsTheStandardKeysOfWindows)
{
    const std::u16string product = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    auto text = [&](const std::u16string& key, const char16_t* name) {
        const ComPtr<IWbemClassObject> output =
            Call(u"GetStringValue", {NumberArgument(u"hDefKey", kLocalMachine),
                                     TextArgument(u"sSubKeyName", key), TextArgument(u"sValueName", name)});
        return output && NumberOf(output.Get(), u"ReturnValue") == 0 ? TextOf(output.Get(), u"sValue")
                                                                     : std::string("<missing>");
    };
    auto number = [&](const std::u16string& key, const char16_t* name) {
        const ComPtr<IWbemClassObject> output =
            Call(u"GetDWORDValue", {NumberArgument(u"hDefKey", kLocalMachine),
                                    TextArgument(u"sSubKeyName", key), TextArgument(u"sValueName", name)});
        return output && NumberOf(output.Get(), u"ReturnValue") == 0 ? NumberOf(output.Get(), u"uValue")
                                                                     : ~0ULL;
    };
    EXPECT_EQ(0u, text(product, u"ProductName").find("Windows "));
    EXPECT_EQ("6.3", text(product, u"CurrentVersion"));
    const std::string build = text(product, u"CurrentBuild");
    EXPECT_FALSE(build.empty());
    EXPECT_EQ(std::string::npos, build.find_first_not_of("0123456789")) << build;
    EXPECT_EQ(build, text(product, u"CurrentBuildNumber"));
    EXPECT_EQ(10U, number(product, u"CurrentMajorVersionNumber"));
    EXPECT_EQ("C:\\Windows", text(product, u"SystemRoot"));
    struct stat installed {};
    if (stat("/etc/machine-id", &installed) == 0) {
        EXPECT_EQ(static_cast<unsigned long long>(installed.st_mtime), number(product, u"InstallDate"));
    }
    EXPECT_EQ(PalWmiLocalHostName(),
              text(u"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", u"ComputerName"));
    EXPECT_EQ("C:\\Program Files", text(u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", u"ProgramFilesDir"));
    EXPECT_EQ("Windows_NT", text(u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", u"OS"));
}

}  // namespace
}  // namespace live_test
