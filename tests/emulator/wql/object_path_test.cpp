#include <gtest/gtest.h>

#include <string>

#include "value_class_object.h"
#include "NoLeaks.h"
#include "test_text.h"
#include "wql/object_path.h"

namespace {

using pal::OwnedVariant;
using pal::wql::AsHresult;
using pal::wql::ObjectPath;
using wqltest::FakeRef;

std::u16string BstrText(const VARIANT& value)
{
    EXPECT_EQ(V_VT(&value), VT_BSTR);
    return V_VT(&value) == VT_BSTR ? std::u16string(V_BSTR(&value), SysStringLen(V_BSTR(&value))) : u"";
}

OwnedVariant MakeString(const char16_t* text)
{
    OwnedVariant value;
    V_VT(value.Address()) = VT_BSTR;
    V_BSTR(value.Address()) = SysAllocString(text);
    return value;
}

OwnedVariant MakeInt(LONG number)
{
    OwnedVariant value;
    V_VT(value.Address()) = VT_I4;
    V_I4(value.Address()) = number;
    return value;
}

OwnedVariant MakeBool(bool flag)
{
    OwnedVariant value;
    V_VT(value.Address()) = VT_BOOL;
    V_BOOL(value.Address()) = flag ? VARIANT_TRUE : VARIANT_FALSE;
    return value;
}

class ObjectPathTest : public NoLeaks {
protected:
    const ObjectPath& Parse(const std::u16string& text)
    {
        path_ = ObjectPath{};
        EXPECT_EQ(pal::wql::ParseObjectPath(text, path_), S_OK) << wqltest::Narrow(text);
        return path_;
    }

    static bool KeyEquals(const OwnedVariant& key, const OwnedVariant& property, CIMTYPE type)
    {
        bool equal = false;
        EXPECT_EQ(pal::wql::KeyValueEquals(*key.Get(), *property.Get(), type, equal), S_OK);
        return equal;
    }

    ObjectPath path_;
};

TEST_F(ObjectPathTest, ClassNameAloneIsAClassPath)
{
    const ObjectPath& path = Parse(u"Win32_Process");
    EXPECT_EQ(path.className, u"Win32_Process");
    EXPECT_TRUE(path.IsClassPath());
    EXPECT_TRUE(path.server.empty());
    EXPECT_TRUE(path.nameSpace.empty());
}

TEST_F(ObjectPathTest, NamedStringKeyInEitherQuote)
{
    for (const char16_t* text : {u"Win32_Process.Handle=\"4\"", u"Win32_Process.Handle='4'"}) {
        const ObjectPath& path = Parse(text);
        EXPECT_EQ(path.className, u"Win32_Process");
        ASSERT_EQ(path.keys.size(), 1u);
        EXPECT_EQ(path.keys[0].name, u"Handle");
        EXPECT_EQ(BstrText(*path.keys[0].value.Get()), u"4");
        EXPECT_FALSE(path.IsClassPath());
    }
}

TEST_F(ObjectPathTest, SeveralKeysKeepTheirOrderAndTypes)
{
    const ObjectPath& path = Parse(u"Win32_Share.Name=\"C$\",Type=-5,Enabled=TRUE");
    ASSERT_EQ(path.keys.size(), 3u);
    EXPECT_EQ(path.keys[0].name, u"Name");
    EXPECT_EQ(BstrText(*path.keys[0].value.Get()), u"C$");
    EXPECT_EQ(path.keys[1].name, u"Type");
    ASSERT_EQ(path.keys[1].value.Type(), VT_I4);
    EXPECT_EQ(V_I4(path.keys[1].value.Get()), -5);
    ASSERT_EQ(path.keys[2].value.Type(), VT_BOOL);
    EXPECT_EQ(V_BOOL(path.keys[2].value.Get()), VARIANT_TRUE);
}

TEST_F(ObjectPathTest, IntegersBeyondThirtyTwoBitsBecomeDecimalText)
{
    const std::pair<const char16_t*, LONG> small[] = {
        {u"C.K=2147483647", 2147483647}, {u"C.K=-2147483648", -2147483647 - 1}, {u"C.K=0", 0}};
    for (const auto& [text, expected] : small) {
        const ObjectPath& path = Parse(text);
        ASSERT_EQ(path.keys.size(), 1u);
        ASSERT_EQ(path.keys[0].value.Type(), VT_I4);
        EXPECT_EQ(V_I4(path.keys[0].value.Get()), expected);
    }
    EXPECT_EQ(BstrText(*Parse(u"C.K=2147483648").keys.at(0).value.Get()), u"2147483648");
    EXPECT_EQ(BstrText(*Parse(u"C.K=-2147483649").keys.at(0).value.Get()), u"-2147483649");
    EXPECT_EQ(BstrText(*Parse(u"C.K=18446744073709551615").keys.at(0).value.Get()), u"18446744073709551615");
}

TEST_F(ObjectPathTest, SingletonAndKeyWithoutName)
{
    const ObjectPath& singleton = Parse(u"Win32_WMISetting=@");
    EXPECT_TRUE(singleton.singleton);
    EXPECT_TRUE(singleton.keys.empty());
    EXPECT_FALSE(singleton.IsClassPath());

    const ObjectPath& unnamed = Parse(u"Win32_Process=\"4\"");
    ASSERT_EQ(unnamed.keys.size(), 1u);
    EXPECT_TRUE(unnamed.keys[0].name.empty());
    EXPECT_EQ(BstrText(*unnamed.keys[0].value.Get()), u"4");
    EXPECT_FALSE(unnamed.singleton);

    EXPECT_EQ(V_I4(Parse(u"C=12").keys.at(0).value.Get()), 12);
}

TEST_F(ObjectPathTest, ServerAndNamespacePrefixes)
{
    const ObjectPath& full = Parse(u"\\\\.\\root\\cimv2:Win32_Process.Handle=\"4\"");
    EXPECT_EQ(full.server, u".");
    EXPECT_EQ(full.nameSpace, u"root\\cimv2");
    EXPECT_EQ(full.className, u"Win32_Process");
    EXPECT_EQ(full.keys.size(), 1u);

    const ObjectPath& slashes = Parse(u"//host.example.com/root/cimv2:Win32_Process");
    EXPECT_EQ(slashes.server, u"host.example.com");
    EXPECT_EQ(slashes.nameSpace, u"root\\cimv2");
    EXPECT_TRUE(slashes.IsClassPath());

    const ObjectPath& local = Parse(u"root\\default:StdRegProv");
    EXPECT_TRUE(local.server.empty());
    EXPECT_EQ(local.nameSpace, u"root\\default");
    EXPECT_EQ(local.className, u"StdRegProv");
}

TEST_F(ObjectPathTest, QuotedValuesMayHoldSeparatorsAndEscapes)
{
    EXPECT_EQ(BstrText(*Parse(u"Win32_Directory.Name=\"C:\\\\Windows\"").keys.at(0).value.Get()),
              u"C:\\Windows");
    EXPECT_EQ(BstrText(*Parse(u"C.K=\"say \\\"hi\\\"\"").keys.at(0).value.Get()), u"say \"hi\"");
    EXPECT_EQ(BstrText(*Parse(u"C.K='it\\'s'").keys.at(0).value.Get()), u"it's");
    EXPECT_EQ(BstrText(*Parse(u"C.K=\"a.b=c,d:e@f\"").keys.at(0).value.Get()), u"a.b=c,d:e@f");
    EXPECT_EQ(BstrText(*Parse(u"C.K=\"a\\nb\"").keys.at(0).value.Get()), u"a\\nb");
    EXPECT_EQ(BstrText(*Parse(u"C.K=\"\"").keys.at(0).value.Get()), u"");
    const ObjectPath& withNamespace = Parse(u"\\\\.\\root:C.K=\"x:y\"");
    EXPECT_EQ(withNamespace.nameSpace, u"root");
    EXPECT_EQ(BstrText(*withNamespace.keys.at(0).value.Get()), u"x:y");
}

TEST_F(ObjectPathTest, MalformedPathsAreRefusedAndLeaveThePathEmpty)
{
    const char16_t* const invalid[] = {
        u"",
        u" C",
        u"C ",
        u"1C",
        u".",
        u"C.",
        u"C.K",
        u"C.K=",
        u"C.K=\"open",
        u"C.K=\"a\"x",
        u"C.K=1.5",
        u"C.K=abc",
        u"C.K=1,",
        u"C.K=1,,J=2",
        u"C.K=1,k=2",
        u"C=@x",
        u"C.K=@",
        u"C=",
        u"C.=1",
        u"C.K=18446744073709551616",
        u"\\\\.\\root\\cimv2",
        u"\\\\.",
        u"\\\\\\root:C",
        u"\\\\.\\:C",
        u"root\\\\cimv2:C",
        u":C",
        u"root\\:C",
        u"root\\cimv2:",
        u"C K=1",
        u"C.K=\"a\" ",
    };
    for (const char16_t* text : invalid) {
        ObjectPath path;
        path.className = u"stale";
        EXPECT_EQ(pal::wql::ParseObjectPath(text, path), AsHresult(WBEM_E_INVALID_OBJECT_PATH))
            << wqltest::Narrow(text);
        EXPECT_TRUE(path.className.empty());
        EXPECT_TRUE(path.keys.empty());
    }
}

TEST_F(ObjectPathTest, FailedStringAllocationIsOutOfMemoryWithoutLeaks)
{
    PalFailNext(PAL_FAULT_SYSALLOCSTRING, 1);
    ObjectPath path;
    EXPECT_EQ(pal::wql::ParseObjectPath(u"C.A=1,B=\"x\"", path), AsHresult(WBEM_E_OUT_OF_MEMORY));
    EXPECT_TRUE(path.keys.empty());
    PalFailNext(PAL_FAULT_SYSALLOCSTRING, 1);
    EXPECT_EQ(pal::wql::ParseObjectPath(u"C.K=9999999999", path), AsHresult(WBEM_E_OUT_OF_MEMORY));
}

TEST_F(ObjectPathTest, StringKeysMatchIgnoringCase)
{
    EXPECT_TRUE(KeyEquals(MakeString(u"NOTEPAD.exe"), MakeString(u"notepad.EXE"), CIM_STRING));
    EXPECT_FALSE(KeyEquals(MakeString(u"notepad"), MakeString(u"notepad.exe"), CIM_STRING));
    EXPECT_TRUE(KeyEquals(MakeInt(4), MakeString(u"4"), CIM_STRING));
    EXPECT_TRUE(
        KeyEquals(MakeString(u"\\\\HOST\\root:C.K=1"), MakeString(u"\\\\host\\ROOT:c.k=1"), CIM_REFERENCE));
}

TEST_F(ObjectPathTest, NumericKeysMatchByValueWhateverTheirForm)
{
    EXPECT_TRUE(KeyEquals(MakeInt(4), MakeInt(4), CIM_UINT32));
    EXPECT_FALSE(KeyEquals(MakeInt(4), MakeInt(5), CIM_UINT32));
    EXPECT_TRUE(KeyEquals(MakeString(u"4"), MakeInt(4), CIM_SINT32));
    EXPECT_TRUE(KeyEquals(MakeString(u"4294967295"), MakeInt(-1), CIM_UINT32));
    EXPECT_TRUE(
        KeyEquals(MakeString(u"18446744073709551615"), MakeString(u"18446744073709551615"), CIM_UINT64));
    EXPECT_TRUE(KeyEquals(MakeInt(10), MakeString(u"10"), CIM_UINT64));
    EXPECT_FALSE(
        KeyEquals(MakeString(u"18446744073709551614"), MakeString(u"18446744073709551615"), CIM_UINT64));
    EXPECT_FALSE(KeyEquals(MakeString(u"four"), MakeInt(4), CIM_SINT32));
}

TEST_F(ObjectPathTest, BooleanKeysAndNullValues)
{
    EXPECT_TRUE(KeyEquals(MakeBool(true), MakeBool(true), CIM_BOOLEAN));
    EXPECT_FALSE(KeyEquals(MakeBool(true), MakeBool(false), CIM_BOOLEAN));
    EXPECT_TRUE(KeyEquals(MakeInt(0), MakeBool(false), CIM_BOOLEAN));
    OwnedVariant null;
    V_VT(null.Address()) = VT_NULL;
    EXPECT_FALSE(KeyEquals(MakeString(u""), null, CIM_STRING));
}

TEST_F(ObjectPathTest, ParsedKeysMatchTheObjectTheyName)
{
    FakeRef instance;
    instance->String(u"Name", u"C:\\Windows").Int(u"Type", 0, CIM_UINT32);
    const ObjectPath& path = Parse(u"Win32_Directory.name=\"c:\\\\windows\",TYPE=0");
    for (const pal::wql::PathKey& key : path.keys) {
        bool matches = false;
        EXPECT_EQ(pal::wql::KeyMatches(key, instance.get(), matches), S_OK);
        EXPECT_TRUE(matches) << wqltest::Narrow(key.name);
    }
}

TEST_F(ObjectPathTest, KeyMatchingNeedsANameTheObjectHas)
{
    FakeRef instance;
    instance->String(u"Name", u"x");
    bool matches = true;
    EXPECT_EQ(pal::wql::KeyMatches(Parse(u"C.Other=\"x\"").keys.at(0), instance.get(), matches),
              AsHresult(WBEM_E_INVALID_OBJECT_PATH));
    EXPECT_FALSE(matches);
    EXPECT_EQ(pal::wql::KeyMatches(Parse(u"C=\"x\"").keys.at(0), instance.get(), matches),
              AsHresult(WBEM_E_INVALID_PARAMETER));
}

}  // namespace
