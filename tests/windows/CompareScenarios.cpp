// The emulator measured against Wine's WMI, Wine's side: captures a fixed list of classes into MOF
// with the capture library, runs the list of reads (tests/fixtures/wine/scenarios.txt) through
// the bridge, and writes both where WMIBRIDGE_WINE_OUTPUT names (scripts/capture-wine.sh makes the
// fixture so). The definitions read from Wine must equal those of the fixture in
// WMIBRIDGE_WINE_FIXTURE, whose values the Linux side replays in every test run.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "AnswerList.h"
#include "Scenario.h"
#include "wmicapture/Capture.h"
#include "wmi/WmiService.h"

using namespace scenario;

namespace {

// The value of an environment variable as a Windows path (a Unix path is on Wine's drive Z:).
std::u16string PathVariable(const char16_t* name)
{
    WCHAR buffer[1024];
    const DWORD length = GetEnvironmentVariableW(reinterpret_cast<const WCHAR*>(name), buffer, 1024);
    if (length == 0 || length >= 1024) {
        return {};
    }
    std::u16string path(reinterpret_cast<const char16_t*>(buffer), length);
    if (path[0] == u'/') {
        path = u"Z:" + path;
    }
    for (char16_t& c : path) {
        c = c == u'/' ? u'\\' : c;
    }
    return path;
}

bool ReadAll(const std::u16string& path, std::string& bytes)
{
    HANDLE file = CreateFileW(reinterpret_cast<const WCHAR*>(path.c_str()), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    char buffer[65536];
    DWORD done = 0;
    bool read = true;
    while ((read = ReadFile(file, buffer, sizeof buffer, &done, nullptr) != FALSE) && done > 0) {
        bytes.append(buffer, done);
    }
    CloseHandle(file);
    return read;
}

bool WriteAll(const std::u16string& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(reinterpret_cast<const WCHAR*>(path.c_str()), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD done = 0;
    const bool written =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) != FALSE &&
        done == bytes.size();
    return CloseHandle(file) != FALSE && written;
}

// The MOF of a capture; empty (with a failure) when it failed.
std::string Capture(const char16_t* nameSpace, const wmicapture::CaptureOptions& options)
{
    wmibridge::CRefPtr<wmibridge::CWmiService> session;
    if (!CHECK_EQ(wmibridge::ServiceConnect(reinterpret_cast<const WCHAR*>(nameSpace), nullptr, nullptr,
                                            nullptr, session),
                  wmibridge::kSuccess)) {
        return {};
    }
    wmicapture::Text mof, error;
    wmicapture::CaptureReport report;
    const HRESULT hr = wmicapture::CaptureNamespace(session, nameSpace, options, mof, report, error);
    if (!CHECK_EQ(static_cast<jlong>(hr), 0)) {
        Fail(__FILE__, __LINE__, "capture of " + Printable(nameSpace) + ": " + Printable(error));
        return {};
    }
    for (const auto& warning : report.warnings) {
        std::printf("capture note: %s\n", Printable(warning).c_str());
    }
    return wmicapture::ToUtf8(mof);
}

}  // namespace

SCENARIO(wine_compare)
{
    const std::u16string fixture = PathVariable(u"WMIBRIDGE_WINE_FIXTURE");
    const std::u16string output = PathVariable(u"WMIBRIDGE_WINE_OUTPUT");
    std::string listText, expectedText;
    if (!CHECK(!fixture.empty()) || !CHECK(ReadAll(fixture + u"\\scenarios.txt", listText))) {
        return;
    }
    const unsigned long pid = GetCurrentProcessId();

    wmicapture::CaptureOptions cimv2;
    cimv2.classes = {u"Win32_OperatingSystem", u"Win32_ComputerSystem", u"Win32_Process",
                     u"Win32_LogicalDisk",     u"Win32_Service",        u"Win32_BIOS",
                     u"Win32_Processor",       u"Win32_BaseBoard"};
    cimv2.where[u"WIN32_PROCESS"] = wmicapture::WithProcessId(u"ProcessId = {pid}", pid);
    const std::string cimv2Mof = Capture(u"root\\cimv2", cimv2);
    wmicapture::CaptureOptions registry;
    registry.classes = {u"StdRegProv"};
    registry.definitionsOnly = true;
    const std::string defaultMof = Capture(u"root\\default", registry);
    CHECK(cimv2Mof.find("instance of Win32_Process") != std::string::npos);
    CHECK(defaultMof.find("class StdRegProv") != std::string::npos);

    std::vector<Step> steps;
    std::string problem;
    if (!CHECK(ParseSteps(listText, pid, steps, problem))) {
        Fail(__FILE__, __LINE__, problem);
        return;
    }
    const std::vector<std::string> answers = Answers(context, steps);
    std::string answersText = "pid " + std::to_string(pid) + "\n";
    for (const auto& line : answers) {
        answersText += line + "\n";
    }
    if (!output.empty()) {
        CreateDirectoryW(reinterpret_cast<const WCHAR*>(output.c_str()), nullptr);
        CreateDirectoryW(reinterpret_cast<const WCHAR*>((output + u"\\mof").c_str()), nullptr);
        CHECK(WriteAll(output + u"\\mof\\cimv2.mof", cimv2Mof));
        CHECK(WriteAll(output + u"\\mof\\default.mof", defaultMof));
        CHECK(WriteAll(output + u"\\answers.txt", answersText));
    }

    // Wine still serves the definitions that the fixture holds.
    if (!CHECK(ReadAll(fixture + u"\\answers.txt", expectedText))) {
        return;
    }
    size_t compared = 0;
    for (const auto& line : answers) {
        if (line.rfind("class ", 0) != 0) {
            continue;
        }
        ++compared;
        if (expectedText.find("\n" + line + "\n") == std::string::npos) {
            Fail(__FILE__, __LINE__, "the fixture does not hold: " + line + " (run scripts/capture-wine.sh)");
        }
    }
    CHECK(compared > 20);
    std::printf("%zu answers, %zu definitions compared with the fixture\n", answers.size(), compared);
}
