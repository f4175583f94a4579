// Loading MOF fixtures from files at run time: an error names the file, the line and the reason
// and leaves the repository as it was; a fixture may stand in for a live class until unloaded.
#include <algorithm>

#include <pal/wmi_control.h>

#include "CaptureFixture.h"
#include "ObjectComparison.h"
#include "owners.h"

namespace capture_test {
namespace {

using pal::OwnedVariant;

std::u16string Caption(IWbemServices* services)
{
    const auto systems = CaptureTest::Instances(services, u"Win32_OperatingSystem");
    if (systems.size() != 1) {
        return u"<" + wmicapture::FromUtf8(std::to_string(systems.size())) + u" instances>";
    }
    OwnedVariant value;
    systems[0].second->Get(u"Caption", 0, value.Address(), nullptr, nullptr);
    return value.Type() == VT_BSTR ? std::u16string(V_BSTR(value.Address())) : u"<not text>";
}

LONG LineCount(const std::string& text)
{
    return static_cast<LONG>(std::count(text.begin(), text.end(), '\n')) + 1;
}

TEST_F(CaptureTest, TruncatedFilesNameFileAndLineAndLoadNothing)
{
    wmicapture::CaptureOptions options;
    options.targetNamespace = u"root\\replay";
    const std::string mof = Capture(u"root\\test", options);
    ASSERT_GT(mof.size(), 1000u);
    // Cut inside the pragma, a qualifier list, a class, an embedded instance, the last instance.
    const size_t cuts[] = {mof.find("#pragma") + 25, mof.find("Description(") + 5,
                           mof.find("class Test_Methods") + 30, mof.find("ObjectValue = ") + 30,
                           mof.size() - 3};
    for (size_t cut : cuts) {
        const std::string text = mof.substr(0, cut);
        const std::string path = WriteFile("cut" + std::to_string(cut) + ".mof", text);
        PalMofError error;
        LONGLONG fixture = 0;
        EXPECT_EQ(WBEM_E_INVALID_SYNTAX, PalWmiLoadMofFile(path.c_str(), nullptr, &fixture, &error)) << cut;
        EXPECT_EQ(path, error.source);
        EXPECT_GE(error.line, 1);
        EXPECT_LE(error.line, LineCount(text)) << cut;
        EXPECT_NE("", std::string(error.reason)) << cut;
        EXPECT_EQ(0, fixture);
        EXPECT_FALSE(HasNamespace(u"root\\replay")) << "cut at " << cut;
    }
}

TEST_F(CaptureTest, MalformedFixtureLeavesALoadedNamespaceAsItWas)
{
    wmicapture::CaptureOptions options;
    options.targetNamespace = u"root\\replay";
    const std::string mof = Capture(u"root\\test", options);
    PalMofError error;
    ASSERT_NE(0, LoadText(mof, error));
    // Valid declarations first, then an instance of a class that does not exist on line 5.
    const std::string broken =
        "#pragma namespace(\"\\\\\\\\.\\\\root\\\\replay\")\n"
        "class Added_Class { [key] string Name; };\n"
        "instance of Added_Class { Name = \"new\"; };\n"
        "instance of Test_Keyed { Name = \"epsilon\"; };\n"
        "instance of No_Such_Class { Name = \"x\"; };\n";
    const std::string path = WriteFile("folder/broken.mof", broken);
    LONGLONG fixture = 0;
    EXPECT_EQ(WBEM_E_INVALID_SYNTAX, PalWmiLoadMofFile(path.c_str(), nullptr, &fixture, &error));
    EXPECT_EQ(path, error.source);
    EXPECT_EQ(5, error.line);
    EXPECT_NE(std::string::npos, std::string(error.reason).find("No_Such_Class")) << error.reason;
    // The same fixture a second time, in a folder with a good file before the broken one.
    WriteFile("folder/a-good.mof", "#pragma namespace(\"\\\\\\\\.\\\\root\\\\other\")\nclass Other { };\n");
    EXPECT_EQ(WBEM_E_INVALID_SYNTAX,
              PalWmiLoadMofFile((folder_ + "/folder").c_str(), nullptr, &fixture, &error));
    EXPECT_EQ(path, error.source);
    EXPECT_FALSE(HasNamespace(u"root\\other"));

    // root\replay still reads exactly as root\test: nothing of the broken fixture came in.
    EXPECT_EQ("", Joined(NamespaceDifferences(u"root\\test", u"root\\replay")));
    ComPtr<IWbemServices> replay = Connect(u"root\\replay");
    EXPECT_FALSE(Object(replay.Get(), u"Added_Class"));
    EXPECT_FALSE(Object(replay.Get(), u"Test_Keyed.Name=\"epsilon\""));

    EXPECT_EQ(WBEM_E_NOT_FOUND,
              PalWmiLoadMofFile((folder_ + "/none.mof").c_str(), nullptr, &fixture, &error));
    EXPECT_EQ(folder_ + "/none.mof", error.source);
    EXPECT_STREQ("no such file or folder", error.reason);
}

TEST_F(CaptureTest, FixtureStandsInForALiveClassUntilUnloaded)
{
    ComPtr<IWbemServices> cimv2 = Connect(u"root\\cimv2");
    const std::u16string live = Caption(cimv2.Get());
    ASSERT_NE(u"Fixture Windows", live);
    const size_t processes = Instances(cimv2.Get(), u"Win32_Process").size();

    wmicapture::CaptureOptions options;
    options.classes = {u"Win32_OperatingSystem"};
    std::string mof = Capture(u"root\\cimv2", options);
    mof = Replaced(mof, "Caption = \"" + wmicapture::ToUtf8(live) + "\"", "Caption = \"Fixture Windows\"");
    mof += "class Fixture_Extra { [key] uint32 Id; };\ninstance of Fixture_Extra { Id = 1; };\n";
    const std::string path = WriteFile("os.mof", mof);
    PalMofError error;
    LONGLONG fixture = 0;
    ASSERT_EQ(S_OK, PalWmiLoadMofFile(path.c_str(), nullptr, &fixture, &error)) << error.reason;
    EXPECT_EQ(u"Fixture Windows", Caption(cimv2.Get()));
    EXPECT_EQ(1u, Instances(cimv2.Get(), u"Fixture_Extra").size());
    // The other live classes are served as before.
    EXPECT_GT(Instances(cimv2.Get(), u"Win32_Process").size(), processes / 2);

    // A fixture loaded after it survives its unloading.
    LONGLONG later = 0;
    ASSERT_EQ(S_OK, PalWmiLoadMofFixtureText("class Later { };", "later", "root\\cimv2", &later, &error));
    EXPECT_EQ(S_OK, PalWmiUnloadMof(fixture, &error));
    EXPECT_EQ(live, Caption(cimv2.Get()));
    EXPECT_FALSE(Object(cimv2.Get(), u"Fixture_Extra"));
    EXPECT_TRUE(Object(cimv2.Get(), u"Later"));
    EXPECT_EQ(WBEM_E_NOT_FOUND, PalWmiUnloadMof(fixture, &error));
    EXPECT_EQ(S_OK, PalWmiUnloadMof(later, &error));
    EXPECT_FALSE(Object(cimv2.Get(), u"Later"));
}

}  // namespace
}  // namespace capture_test

namespace capture_test {
namespace {

// Files added to the start after the emulator started load at once and stay over a reset, which
// forgets the fixtures; a broken one changes nothing. (What it adds stays for the whole process:
// its namespace is this test's own.)
TEST_F(CaptureTest, StartupAdditionsStayOverAResetAndFixturesDoNot)
{
    PalMofError error;
    ASSERT_NE(0, LoadText("#pragma namespace(\"\\\\\\\\.\\\\root\\\\runtime\")\n"
                          "class Runtime_Item { [key] uint32 Id; };\ninstance of Runtime_Item { Id = 1; };\n",
                          error));
    const std::string added = WriteFile("added.mof",
                                        "#pragma namespace(\"\\\\\\\\.\\\\root\\\\added\")\n"
                                        "class Added_Item { [key] uint32 Id; };\n"
                                        "instance of Added_Item { Id = 1; };\n");
    ASSERT_EQ(S_OK, PalWmiAddStartupMof(added.c_str(), &error)) << error.reason;
    EXPECT_EQ(1u, Instances(Connect(u"root\\runtime").Get(), u"Runtime_Item").size());
    EXPECT_EQ(1u, Instances(Connect(u"root\\added").Get(), u"Added_Item").size());

    const std::string broken = WriteFile("broken.mof", "class Broken_Item { [key] uint32 Id };\n");
    EXPECT_EQ(WBEM_E_INVALID_SYNTAX, PalWmiAddStartupMof(broken.c_str(), &error));
    EXPECT_EQ(broken, error.source);
    EXPECT_EQ(1, error.line);
    EXPECT_FALSE(PalWmiStartupMofError(&error));

    PalWmiResetAll();
    EXPECT_FALSE(HasNamespace(u"root\\runtime"));
    EXPECT_EQ(1u, Instances(Connect(u"root\\added").Get(), u"Added_Item").size());
    EXPECT_FALSE(Object(Connect(u"root\\added").Get(), u"Broken_Item"));
}

}  // namespace
}  // namespace capture_test
