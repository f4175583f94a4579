// Loading MOF text: declarations, namespaces, values, and errors that name their line.
#include "repository_fixture.h"

namespace {

class MofLoadingTest : public RepositoryTest {
protected:
    // Loads into root\test; returns the error text ("" on success).
    static std::u16string Load(const char16_t* mof)
    {
        BSTR error = nullptr;
        const HRESULT hr = PalWmiLoadMof(mof, u"root\\test", &error);
        std::u16string text = Text(error);
        SysFreeString(error);
        EXPECT_EQ(SUCCEEDED(hr), text.empty()) << Narrow(text);
        return text;
    }
};

TEST_F(MofLoadingTest, ClassesInstancesAndNamespacePragmas)
{
    ASSERT_EQ(u"",
              Load(u"#pragma namespace(\"\\\\\\\\.\\\\root\\\\fresh\")\n"
                   u"/* a block\n comment */\n"
                   u"[Description(\"New\")] class Fresh_Base { [key] uint32 Id; string Tags[] = {\"x\"}; };\n"
                   u"class Fresh_Child : Fresh_Base { real64 Ratio = -1.5e2; };\n"
                   u"instance of Fresh_Child { Id = 0x10; Ratio = 2; }; // trailing comment\n"));
    auto repository = pal::wmi::LocalRepository();
    EXPECT_TRUE(repository->HasNamespace(u"root\\fresh"));
    ObjectPtr base = Class(u"Fresh_Base", u"root\\fresh");
    Var tags;
    base->Get(u"Tags", 0, tags.get(), nullptr, nullptr);
    EXPECT_EQ(VT_ARRAY | VT_BSTR, tags.vt());

    std::vector<ObjectPtr> instances;
    ASSERT_HR(WBEM_S_NO_ERROR, repository->Instances(u"root\\fresh", u"Fresh_Base", &instances));
    ASSERT_EQ(1u, instances.size());
    Var id;
    instances[0]->Get(u"Id", 0, id.get(), nullptr, nullptr);
    EXPECT_EQ(16, V_I4(id.get()));
    Var ratio;
    instances[0]->Get(u"Ratio", 0, ratio.get(), nullptr, nullptr);
    EXPECT_EQ(2.0, V_R8(ratio.get()));
}

TEST_F(MofLoadingTest, ErrorsNameTheLineAndWhatWasExpected)
{
    struct Case {
        const char16_t* mof;
        const char16_t* error;
    };
    const Case cases[] = {
        {u"class A {\n  string Name\n};", u"line 3: expected ';'"},
        {u"\n\nclass B : Missing { };",
         u"line 3: expected a known superclass, 'Missing' is not defined in root\\test"},
        {u"class C {\n  sint9 Bad;\n};",
         u"line 2: expected a type, 'sint9' is neither a CIM type nor a class"},
        {u"instance of Test_Keyed {\n Name = \"x\";\n Nope = 1;\n};",
         u"line 3: expected a property of Test_Keyed, 'Nope' is not one"},
        {u"instance of Test_Keyed {\n Name = \"x\";\n Size = -1;\n};",
         u"line 3: expected a value of type uint32"},
        {u"class D {\n string S = \"open;\n};", u"line 2: expected \" to close the literal"},
        {u"instance of Test_Keyed { Size = 1; };",
         u"line 1: expected a value for the key property Name of Test_Keyed"},
        {u"class Test_Keyed { };", u"line 1: expected a new class name, Test_Keyed is already defined"},
        {u"class E { void M(string p); };", u"line 1: expected [in] or [out] on parameter p"},
        {u"garbage", u"line 1: expected 'class', 'instance of' or '#pragma'"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.error, Load(c.mof)) << Narrow(c.mof);
    }
}

TEST_F(MofLoadingTest, InstancesNestAtMostSixtyFourLevelsDeep)
{
    // `levels` instances of Test_AllTypes, each the ObjectValue of the one around it.
    const auto nested = [](int levels) {
        std::u16string mof;
        for (int level = 1; level <= levels; ++level) {
            mof += level == 1 ? u"instance of Test_AllTypes { Name = \"deep\";\n"
                              : u" ObjectValue = instance of Test_AllTypes {\n";
        }
        for (int level = levels; level >= 1; --level) {
            mof += level == 1 ? u"};\n" : u" };\n";
        }
        return mof;
    };
    EXPECT_EQ(u"", Load(nested(64).c_str()));
    for (const int levels : {65, 100000}) {
        BSTR error = nullptr;
        EXPECT_HR(WBEM_E_INVALID_PARAMETER, PalWmiLoadMof(nested(levels).c_str(), u"root\\test", &error));
        EXPECT_EQ(u"line 65: expected instances nested at most 64 levels deep", Text(error));
        SysFreeString(error);
    }
}

TEST_F(MofLoadingTest, AFailedLoadChangesNothing)
{
    EXPECT_NE(u"", Load(u"class Partial_One { [key] string Name; };\n"
                        u"instance of Partial_One { Name = \"a\"; };\n"
                        u"class Partial_Two : Nowhere { };"));
    EXPECT_EQ(u"", pal::wmi::LocalRepository()->CanonicalClassName(u"root\\test", u"Partial_One"));
}

TEST_F(MofLoadingTest, InstancesWithTheSameKeysReplaceEachOther)
{
    ASSERT_EQ(u"", Load(u"instance of Test_Keyed { Name = \"beta\"; Label = \"replaced\"; };"));
    std::vector<ObjectPtr> all;
    pal::wmi::LocalRepository()->Instances(u"root\\test", u"Test_Keyed", &all);
    ASSERT_EQ(4u, all.size());
    EXPECT_EQ(u"replaced", StringProperty(all[1].Get(), u"Label"));
}

TEST_F(MofLoadingTest, StringEscapesAndConcatenation)
{
    ASSERT_EQ(
        u"",
        Load(u"instance of Test_Keyed { Name = \"esc\"; Label = \"a\\tb\\\\c\\\"d\\x41\" \"-joined\"; };"));
    ObjectPtr found = Instance(u"Test_Keyed", u"esc");
    EXPECT_EQ(u"a\tb\\c\"dA-joined", StringProperty(found.Get(), u"Label"));
}

TEST_F(MofLoadingTest, ValuesAreCheckedAgainstTheirTypes)
{
    EXPECT_EQ(u"line 1: expected a value of type boolean",
              Load(u"class V1 { [key] string Name; boolean Flag = \"yes\"; };"));
    EXPECT_EQ(u"line 1: expected an array value '{...}' for List",
              Load(u"class V2 { [key] string Name; uint8 List[] = 5; };"));
    EXPECT_EQ(u"line 1: expected a value of type sint8",
              Load(u"class V3 { [key] string Name; sint8 Small = 128; };"));
    EXPECT_EQ(u"line 1: expected a value of type datetime",
              Load(u"class V4 { [key] string Name; datetime When = \"soon\"; };"));
}

TEST_F(MofLoadingTest, ResetRestoresTheShippedContent)
{
    ASSERT_EQ(u"", Load(u"class Temporary { [key] string Name; };"));
    PalWmiResetRepository();
    EXPECT_EQ(u"", pal::wmi::LocalRepository()->CanonicalClassName(u"root\\test", u"Temporary"));
    EXPECT_EQ(u"Test_Keyed", pal::wmi::LocalRepository()->CanonicalClassName(u"root\\test", u"test_keyed"));
}

TEST_F(MofLoadingTest, NullArgumentsAreRefused)
{
    BSTR error = nullptr;
    EXPECT_HR(WBEM_E_INVALID_PARAMETER, PalWmiLoadMof(nullptr, nullptr, &error));
    EXPECT_EQ(nullptr, error);
    EXPECT_HR(WBEM_S_NO_ERROR, PalWmiLoadMof(u"class InDefault { [key] string Name; };", nullptr, nullptr));
    EXPECT_EQ(u"InDefault", pal::wmi::LocalRepository()->CanonicalClassName(u"root\\default", u"InDefault"));
}

}  // namespace
