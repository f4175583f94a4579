#include <stdlib.h>

#include <optional>
#include <string>

#include "win32_test.h"

namespace win32_test {
namespace {

// Sets (or unsets, for null) a variable of the process environment for one test.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name)
    {
        if (const char* old = getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedVariable()
    {
        if (old_) {
            setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

using EnvironmentTest = Win32Test;

std::u16string Get(const char16_t* name)
{
    const WCHAR* value = _wgetenv(name);
    return value != nullptr ? std::u16string(value) : u"<unset>";
}

TEST_F(EnvironmentTest, ReadsTheProcessEnvironmentAsUtf16WithNamesInAnyCase)
{
    const ScopedVariable variable("PAL_TEST_Variable", "caf\xc3\xa9 \xf0\x9f\x98\x80");
    EXPECT_EQ(u"caf\u00e9 \U0001F600", Get(u"PAL_TEST_Variable"));
    EXPECT_EQ(u"caf\u00e9 \U0001F600", Get(u"pal_test_VARIABLE"));
    EXPECT_EQ(u"<unset>", Get(u"PAL_TEST_Variable_Not_Set"));
    EXPECT_EQ(nullptr, _wgetenv(u""));
    EXPECT_EQ(nullptr, _wgetenv(nullptr));
}

TEST_F(EnvironmentTest, TextHandedOutStaysValidWhenTheVariableChanges)
{
    const ScopedVariable variable("PAL_TEST_CHANGING", "first");
    const WCHAR* first = _wgetenv(u"PAL_TEST_CHANGING");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, _wgetenv(u"PAL_TEST_CHANGING"));  // unchanged value: the same text
    setenv("PAL_TEST_CHANGING", "second", 1);
    EXPECT_EQ(u"second", Get(u"PAL_TEST_CHANGING"));
    EXPECT_EQ(u"first", std::u16string(first));
}

TEST_F(EnvironmentTest, SystemRootDefaultsToTheLayersOwnRootAndCanBeReplacedOrRemoved)
{
    const ScopedVariable unset("SystemRoot", nullptr);
    EXPECT_EQ(u"C:\\Windows", Get(u"SystemRoot"));
    EXPECT_EQ(u"C:\\Windows", Get(u"SYSTEMROOT"));
    {
        const ScopedVariable set("SystemRoot", "/srv/windows");
        EXPECT_EQ(u"/srv/windows", Get(u"SystemRoot"));
    }
    PalWin32SetSystemRoot("D:\\Win");
    EXPECT_EQ(u"D:\\Win", Get(u"SystemRoot"));
    PalWin32RemoveSystemRoot(TRUE);
    EXPECT_EQ(u"<unset>", Get(u"SystemRoot"));
    PalWin32RemoveSystemRoot(FALSE);
    EXPECT_EQ(u"C:\\Windows", Get(u"SystemRoot"));
    PalWin32SetSystemRoot("D:\\Win");
    PalWin32ResetAll();
    EXPECT_EQ(u"C:\\Windows", Get(u"SystemRoot"));
}

TEST_F(EnvironmentTest, VersionIsTheSameForTheRuntimeAndGetVersionExW)
{
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(6u, info.dwMajorVersion);
    EXPECT_EQ(2u, info.dwMinorVersion);
    EXPECT_EQ(6u, _winmajor);
    EXPECT_EQ(2u, _winminor);

    PalSetWindowsVersion(5, 1, 2600);
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(5u, info.dwMajorVersion);
    EXPECT_EQ(1u, info.dwMinorVersion);
    EXPECT_EQ(5u, _winmajor);
    EXPECT_EQ(1u, _winminor);

    PalWin32ResetAll();
    EXPECT_EQ(6u, _winmajor);
    EXPECT_EQ(2u, _winminor);
}

}  // namespace
}  // namespace win32_test
