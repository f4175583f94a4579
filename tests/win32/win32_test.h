// Fixture of the Win32 side's tests: each test starts from a reset platform layer and must leave
// no handle, module or impersonation behind.
#pragma once

#include <gtest/gtest.h>
#include <pal/testing.h>
#include <pal/win32_control.h>
#include <pal/wmi_control.h>
#include <windows.h>

#include <string>
#include <string_view>

namespace win32_test {

class Win32Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        PalWmiResetAll();
        PalWin32ResetAll();
    }

    void TearDown() override
    {
        PalWin32ResetAll();
        PalWmiResetAll();
        const char* what = nullptr;
        EXPECT_TRUE(PalNothingAlive(&what)) << what;
    }
};

// UTF-16 text as narrow text for assertion messages (non-ASCII characters come out mangled).
inline std::string Narrow(std::u16string_view text)
{
    return std::string(text.begin(), text.end());
}

}  // namespace win32_test
