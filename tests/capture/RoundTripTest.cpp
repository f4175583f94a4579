// Capture and replay: what a namespace serves, written as MOF and loaded into a fresh namespace,
// reads back the same, property by property and qualifier by qualifier.
#include <unistd.h>

#include <pal/wmi_control.h>

#include <set>

#include "CaptureFixture.h"
#include "ObjectComparison.h"

namespace capture_test {
namespace {

// The MOF without its first line (the comment that names where it was captured).
std::string WithoutHeader(const std::string& mof)
{
    return mof.substr(mof.find('\n') + 1);
}

TEST_F(CaptureTest, RootTestReplaysIntoAFreshNamespaceUnchanged)
{
    wmicapture::CaptureOptions options;
    options.targetNamespace = u"root\\replay";
    wmicapture::CaptureReport report;
    const std::string mof = Capture(u"root\\test", options, &report);
    EXPECT_TRUE(report.warnings.empty());
    ASSERT_FALSE(HasNamespace(u"root\\replay"));
    PalMofError error;
    ASSERT_NE(0, LoadText(mof, error)) << error.source << ":" << error.line << ": " << error.reason;

    size_t instances = 0;
    EXPECT_EQ("", Joined(NamespaceDifferences(u"root\\test", u"root\\replay", &instances)));
    EXPECT_EQ(static_cast<size_t>(report.instances), instances);
    EXPECT_GE(instances, 10u);
    // The replay written again is the same MOF.
    options.targetNamespace = u"root\\test";
    EXPECT_EQ(WithoutHeader(Replaced(mof, "root\\\\replay", "root\\\\test")),
              WithoutHeader(Capture(u"root\\replay", options)));
}

// Values at the edges of every CIM type, and strings and characters that need escapes.
constexpr char kEdgesMof[] = R"(#pragma namespace("\\\\.\\root\\edges")
[Description("Edge \"values\"\n\tand escapes"), Version(3) : Amended ToInstance]
class Edge_Part { [key] uint8 Id; string Note; };
class Edge_Values
{
    [key, Description("key\\part")] string Name;
    sint8 S8; uint8 U8; sint16 S16; uint16 U16; sint32 S32; uint32 U32;
    sint64 S64 = -9223372036854775808; uint64 U64;
    real32 R32; real64 R64; real64 Tiny; real64 Negative0;
    boolean Flag; char16 Quote; char16 Zero; datetime When; datetime Span;
    string Text; Edge_Part ref Part; object Loose; [CIMTYPE("object:Edge_Part")] object Typed;
    real32 R32s[]; real64 R64s[]; uint64 U64s[]; char16 Chars[]; datetime Whens[];
    Edge_Part ref Parts[]; object Objects[]; string Texts[];
    [static, Description("adds")] uint64 Add([in] uint64 A, [in, ID(5)] uint64 B, [out] string Note[]);
};
instance of Edge_Part { Id = 255; Note = "part"; };
instance of Edge_Values
{
    Name = "edges \\ \"all\"";
    S8 = -128; U8 = 255; S16 = -32768; U16 = 65535; S32 = -2147483648; U32 = 4294967295;
    S64 = 9223372036854775807; U64 = 18446744073709551615;
    R32 = 3.4028234663852886e+38; R64 = 0.30000000000000004; Tiny = 4.9406564584124654e-324;
    Negative0 = -0.0; Flag = FALSE; Quote = '\''; Zero = '\x0001';
    When = "99991231235959.999999-720"; Span = "99999999235959.999999:000";
    Text = "line\nfeed\r\x0007 bell \x00e9 \xd83d\xde00";
    Part = "Edge_Part.Id=255";
    Loose = instance of Edge_Values { Name = "inner"; Loose = instance of Edge_Part { Id = 1; }; };
    Typed = instance of Edge_Part { Id = 2; Note = ""; };
    R32s = {1.17549435e-38, -1.0e-45, 0.1}; R64s = {2.2250738585072014e-308, -1.7976931348623157e+308};
    U64s = {0, 9223372036854775808}; Chars = {'"', '\\', '\t'};
    Whens = {"20240229000000.000000+000"};
    Parts = {"Edge_Part.Id=255", "Edge_Part.Id=255"};
    Objects = {instance of Edge_Part { Id = 3; }, instance of Edge_Values { Name = "x"; Texts = {}; }};
    Texts = {"", "\"", "a,b"};
};
instance of Edge_Values { Name = "nulls"; S64 = NULL; };
)";

TEST_F(CaptureTest, EveryCimTypeRoundTripsExactly)
{
    PalMofError error;
    ASSERT_NE(0, LoadText(kEdgesMof, error)) << error.line << ": " << error.reason;
    wmicapture::CaptureOptions options;
    options.targetNamespace = u"root\\edges2";
    const std::string mof = Capture(u"root\\edges", options);
    ASSERT_NE(0, LoadText(mof, error)) << error.line << ": " << error.reason << "\n" << mof;
    size_t instances = 0;
    EXPECT_EQ("", Joined(NamespaceDifferences(u"root\\edges", u"root\\edges2", &instances))) << mof;
    EXPECT_EQ(3u, instances);
}

// How many distinct classes the classes derive from, as their __DERIVATION lists them.
size_t SuperclassesOf(IWbemServices* services, const std::vector<std::u16string>& classes)
{
    std::set<std::u16string> superclasses;
    for (const auto& cls : classes) {
        VARIANT derivation;
        VariantInit(&derivation);
        EXPECT_EQ(S_OK,
                  CaptureTest::Object(services, cls)->Get(u"__DERIVATION", 0, &derivation, nullptr, nullptr));
        if (V_VT(&derivation) == (VT_ARRAY | VT_BSTR)) {
            LONG upper = -1;
            SafeArrayGetUBound(V_ARRAY(&derivation), 1, &upper);
            for (LONG i = 0; i <= upper; ++i) {
                BSTR name = nullptr;
                SafeArrayGetElement(V_ARRAY(&derivation), &i, &name);
                superclasses.insert(std::u16string(name, SysStringLen(name)));
                SysFreeString(name);
            }
        }
        VariantClear(&derivation);
    }
    return superclasses.size();
}

TEST_F(CaptureTest, LiveClassesReplayBesideTheLiveOnes)
{
    wmicapture::CaptureOptions options;
    options.classes = {u"Win32_OperatingSystem", u"Win32_ComputerSystem", u"Win32_Processor",
                       u"Win32_LogicalDisk", u"Win32_Process"};
    options.where[u"WIN32_PROCESS"] = wmicapture::WithProcessId(u"ProcessId = {pid}", getpid());
    options.targetNamespace = u"root\\replay";
    wmicapture::CaptureReport report;
    const std::string mof = Capture(u"root\\cimv2", options, &report);
    ComPtr<IWbemServices> live = Connect(u"root\\cimv2");
    // The chosen classes and every superclass they derive from.
    EXPECT_EQ(static_cast<int>(options.classes.size() + SuperclassesOf(live.Get(), options.classes)),
              report.classes);
    EXPECT_GE(report.instances, 4);
    PalMofError error;
    ASSERT_NE(0, LoadText(mof, error)) << error.line << ": " << error.reason;

    ComPtr<IWbemServices> replay = Connect(u"root\\replay");
    for (const auto& cls : options.classes) {
        EXPECT_EQ("", Joined(Differences(Object(live.Get(), cls).Get(), Object(replay.Get(), cls).Get(),
                                         Narrow(cls))));
    }
    const auto processes = Instances(replay.Get(), u"Win32_Process");
    ASSERT_EQ(1u, processes.size());
    EXPECT_EQ(u"Win32_Process.Handle=\"" + wmicapture::FromUtf8(std::to_string(getpid())) + u"\"",
              processes[0].first);
    // The live values, as they were captured, come back from the replay.
    options.where.clear();
    options.targetNamespace = u"root\\replay";
    EXPECT_EQ(WithoutHeader(mof), WithoutHeader(Capture(u"root\\replay", options)));
}

TEST_F(CaptureTest, ClassesWhereLimitAndDefinitionsOnly)
{
    wmicapture::CaptureOptions options;
    options.classes = {u"Test_Keyed", u"Test_Singleton"};
    options.where[u"TEST_KEYED"] = u"Size > 1";
    options.targetNamespace = u"root\\chosen";
    wmicapture::CaptureReport report;
    std::string mof = Capture(u"root\\test", options, &report);
    PalMofError error;
    ASSERT_NE(0, LoadText(mof, error)) << error.line << ": " << error.reason;
    ComPtr<IWbemServices> chosen = Connect(u"root\\chosen");
    std::vector<std::u16string> paths;
    for (const auto& [path, object] : Instances(chosen.Get(), u"Test_Keyed")) {
        paths.push_back(path);
    }
    EXPECT_EQ((std::vector<std::u16string>{u"Test_Keyed.Name=\"beta\"", u"Test_Keyed.Name=\"gamma\"",
                                           u"Test_KeyedChild.Name=\"delta\""}),
              paths);
    EXPECT_EQ(1u, Instances(chosen.Get(), u"Test_Singleton").size());
    EXPECT_FALSE(Object(chosen.Get(), u"Test_AllTypes"));

    options.where.clear();
    options.limit = 1;
    options.targetNamespace = u"root\\limited";
    mof = Capture(u"root\\test", options, &report);
    ASSERT_NE(0, LoadText(mof, error)) << error.line << ": " << error.reason;
    EXPECT_EQ(1u, Instances(Connect(u"root\\limited").Get(), u"Test_Keyed").size());

    options.definitionsOnly = true;
    options.targetNamespace = u"root\\definitions";
    wmicapture::CaptureReport definitionsReport;
    mof = Capture(u"root\\test", options, &definitionsReport);
    EXPECT_EQ(0, definitionsReport.instances);
    EXPECT_EQ(2, definitionsReport.classes);
    ASSERT_NE(0, LoadText(mof, error)) << error.line << ": " << error.reason;
    ComPtr<IWbemServices> definitions = Connect(u"root\\definitions");
    EXPECT_TRUE(Object(definitions.Get(), u"Test_Keyed"));
    EXPECT_TRUE(Instances(definitions.Get(), u"Test_Keyed").empty());
}

// A query that fails with a Win32 error (the library reports those as plain positive numbers) fails
// the capture of a class with a condition; it must never read as a success with no instances.
TEST_F(CaptureTest, AQueryFailingWithAWin32ErrorIsNotTakenForAnEmptyResult)
{
    wmicapture::CaptureOptions options;
    options.classes = {u"Test_Keyed"};
    options.where[u"TEST_KEYED"] = u"Size > 1";
    const HRESULT outOfMemory = HRESULT_FROM_WIN32(ERROR_OUTOFMEMORY);
    int failedCaptures = 0;
    for (LONG nth = 1; nth <= 4; ++nth) {
        HRESULT hr = S_OK;
        wmicapture::Text mof, error;
        {
            wmibridge::CRefPtr<wmibridge::CWmiService> session;
            ASSERT_EQ(wmibridge::kSuccess,
                      wmibridge::ServiceConnect(reinterpret_cast<const WCHAR*>(u"root\\test"), nullptr,
                                                nullptr, nullptr, session));
            PalWmiSetCallResult(PAL_WMI_EXEC_QUERY, nth, outOfMemory);
            wmicapture::CaptureReport report;
            hr = wmicapture::CaptureNamespace(session, u"root\\test", options, mof, report, error);
        }
        PalWmiResetAll();  // a fault that the capture did not reach must not stay planted
        if (FAILED(hr)) {
            EXPECT_EQ(outOfMemory, hr) << "call " << nth;
            ++failedCaptures;
        } else {
            EXPECT_NE(std::string::npos, wmicapture::ToUtf8(mof).find("\"beta\"")) << "call " << nth;
        }
    }
    EXPECT_GT(failedCaptures, 0);
}

}  // namespace
}  // namespace capture_test
