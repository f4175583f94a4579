#include <string>

#include "win32_test.h"

namespace win32_test {
namespace {

constexpr DWORD kFromSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr DWORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);

using FormatMessageTest = Win32Test;

// The system's text for a code, or "<none:N>" with the last error when it has none.
std::u16string SystemText(DWORD code, DWORD flags = kFromSystem, DWORD language = kNeutral)
{
    WCHAR buffer[512];
    const DWORD length = FormatMessageW(flags, nullptr, code, language, buffer, 512, nullptr);
    if (length == 0) {
        const std::string error = std::to_string(GetLastError());
        return u"<none:" + std::u16string(error.begin(), error.end()) + u">";
    }
    EXPECT_EQ(std::char_traits<char16_t>::length(buffer), length);
    return std::u16string(buffer, length);
}

TEST_F(FormatMessageTest, KnowsTheWin32ErrorsAndComResultsTheLibrariesReturn)
{
    const DWORD codes[] = {2,          5,          6,          8,          14,         53,         87,
                           122,        127,        1001,       1326,       1722,       1746,       1804,
                           1909,       4312,       0x80070005, 0x8007000E, 0x80004002, 0x80004005, 0x80070057,
                           0x80010106, 0x80010119, 0x80040154, 0x800706BA};
    for (const DWORD code : codes) {
        const std::u16string text = SystemText(code);
        EXPECT_FALSE(text.starts_with(u"<none")) << std::hex << code << ": " << Narrow(text);
        EXPECT_TRUE(text.ends_with(u".\r\n")) << std::hex << code << ": " << Narrow(text);
    }
}

TEST_F(FormatMessageTest, ResultOfTheWin32FacilityReadsAsItsErrorNumber)
{
    EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED), SystemText(static_cast<DWORD>(E_ACCESSDENIED)));
    EXPECT_EQ(SystemText(RPC_S_SERVER_UNAVAILABLE), SystemText(0x800706BA));
    EXPECT_NE(SystemText(ERROR_ACCESS_DENIED), SystemText(ERROR_LOGON_FAILURE));
}

TEST_F(FormatMessageTest, WmiResultsAndUnknownCodesAreNotInTheSystemTable)
{
    const std::u16string notFound = u"<none:317>";
    EXPECT_EQ(notFound, SystemText(0x80041003));
    EXPECT_EQ(notFound, SystemText(0x80041001));
    EXPECT_EQ(notFound, SystemText(0x80042000));
    EXPECT_EQ(notFound, SystemText(0x80043003));
    EXPECT_EQ(notFound, SystemText(99999));
}

TEST_F(FormatMessageTest, TextMustFitWithItsTerminator)
{
    const std::u16string full = SystemText(ERROR_ACCESS_DENIED);
    WCHAR buffer[512];
    const DWORD exact = static_cast<DWORD>(full.size() + 1);
    EXPECT_EQ(full.size(), FormatMessageW(kFromSystem, nullptr, 5, kNeutral, buffer, exact, nullptr));
    EXPECT_EQ(full, std::u16string(buffer));
    SetLastError(0);
    EXPECT_EQ(0u, FormatMessageW(kFromSystem, nullptr, 5, kNeutral, buffer, exact - 1, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
}

TEST_F(FormatMessageTest, LanguagesAndFlags)
{
    EXPECT_EQ(SystemText(5), SystemText(5, kFromSystem, 0));
    EXPECT_EQ(SystemText(5), SystemText(5, kFromSystem, 0x409));
    EXPECT_EQ(u"<none:1815>", SystemText(5, kFromSystem, 0x407));
    // A maximum width of 0xFF gives the text without its line break.
    const std::u16string oneLine = SystemText(5, kFromSystem | FORMAT_MESSAGE_MAX_WIDTH_MASK);
    EXPECT_EQ(SystemText(5), oneLine + u"\r\n");
    EXPECT_EQ(u"<none:87>", SystemText(5, kFromSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER));
    EXPECT_EQ(u"<none:87>", SystemText(5, FORMAT_MESSAGE_IGNORE_INSERTS));
}

}  // namespace
}  // namespace win32_test
