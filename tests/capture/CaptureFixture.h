// Fixture of the capture tests: each test starts from a reset emulator inside the multithreaded
// apartment, captures namespaces with the capture library and loads MOF through the fixture
// controls, and must leave nothing alive.
#pragma once

#include <gtest/gtest.h>
#include <pal/testing.h>
#include <pal/wmi_fixtures.h>
#include <wbemidl.h>

#include <string>
#include <vector>

#include "owners.h"
#include "wmicapture/Capture.h"

namespace capture_test {

using pal::ComPtr;

class CaptureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

public:
    // The MOF of a capture of `nameSpace`; the test fails when the capture does.
    static std::string Capture(const char16_t* nameSpace, const wmicapture::CaptureOptions& options,
                               wmicapture::CaptureReport* report = nullptr);
    // Loads MOF text as a fixture (its number, 0 on failure with `error` filled).
    static LONGLONG LoadText(const std::string& mof, PalMofError& error, const char* name = "capture.mof");

    static ComPtr<IWbemServices> Connect(const char16_t* nameSpace);
    // Every instance of the class (its subclasses' included) by relative path.
    static std::vector<std::pair<std::u16string, ComPtr<IWbemClassObject>>> Instances(
        IWbemServices* services, const std::u16string& cls);
    static ComPtr<IWbemClassObject> Object(IWbemServices* services, const std::u16string& path);
    // The names of the non-system classes of a namespace.
    static std::vector<std::u16string> ClassNames(IWbemServices* services);
    // Every difference between the classes and instances of two namespaces, the classes of the first
    // one counted: definitions with their qualifiers and methods, instances property by property.
    static std::vector<std::string> NamespaceDifferences(const char16_t* expected, const char16_t* actual,
                                                         size_t* instanceCount = nullptr);
    static bool HasNamespace(const char16_t* nameSpace);

protected:
    // A file under a folder of this test's own, removed after the test.
    std::string WriteFile(const std::string& name, const std::string& bytes);
    std::string folder_;
    LONG alive_[PAL_KIND_COUNT] = {};
};

// The lines, each ended by a line feed: differences as one text for an expectation.
std::string Joined(const std::vector<std::string>& lines);

// The text with every `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to);

}  // namespace capture_test
