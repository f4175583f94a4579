#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "win32_test.h"

namespace win32_test {
namespace {

constexpr DWORD kFromModule = FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr DWORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);

// A directory of its own under the system's temporary directory, removed with everything in it.
class TempDirectory {
public:
    TempDirectory()
    {
        path_ = std::filesystem::temp_directory_path() /
                ("win32_test_" + std::to_string(getpid()) + "_" + std::to_string(counter_++));
        std::filesystem::create_directories(path_);
    }
    ~TempDirectory() { std::filesystem::remove_all(path_); }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

    void Write(const std::string& relative, const std::string& content) const
    {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
    }

private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
};

class MessageModuleTest : public Win32Test {
protected:
    static std::u16string SystemRoot()
    {
        const WCHAR* root = _wgetenv(u"SystemRoot");
        return root != nullptr ? std::u16string(root) : std::u16string();
    }

    // The module's text for a code, or "<none:N>" with the last error.
    static std::u16string ModuleText(HMODULE module, DWORD code)
    {
        WCHAR buffer[512];
        const DWORD length = FormatMessageW(kFromModule, module, code, kNeutral, buffer, 512, nullptr);
        if (length == 0) {
            const std::string error = std::to_string(GetLastError());
            return u"<none:" + std::u16string(error.begin(), error.end()) + u">";
        }
        return std::u16string(buffer, length);
    }

    static std::u16string Utf16(const std::string& ascii)
    {
        return std::u16string(ascii.begin(), ascii.end());
    }
};

TEST_F(MessageModuleTest, ShippedModulesDescribeTheWmiCodesAndDifferInTheNewerCodes)
{
    HMODULE newer = LoadLibraryExW((SystemRoot() + u"\\System32\\wbem\\wmiutils.dll").c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE);
    HMODULE older = LoadLibraryExW((SystemRoot() + u"\\System32\\wbem\\wbemcomn.dll").c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, newer);
    ASSERT_NE(nullptr, older);
    EXPECT_EQ(2, PalLiveCount(PAL_KIND_MESSAGE_MODULE));

    for (DWORD code = 0x80041001; code <= 0x8004108A; ++code) {
        const DWORD index = code & 0xFF;
        const bool gap =
            (index >= 0x4A && index <= 0x4F) || index == 0x5E || (index >= 0x7B && index <= 0x7F);
        const std::u16string text = ModuleText(newer, code);
        if (gap) {
            EXPECT_EQ(u"<none:317>", text) << std::hex << code;
        } else {
            EXPECT_TRUE(text.ends_with(u".\r\n")) << std::hex << code << ": " << Narrow(text);
        }
    }
    EXPECT_EQ(ModuleText(newer, 0x80041003), ModuleText(older, 0x80041003));
    EXPECT_EQ(u"<none:317>", ModuleText(older, 0x80041080));
    EXPECT_EQ(u"<none:317>", ModuleText(newer, 0x80041000));
    // A module is no system table: Win32 numbers are not in it.
    EXPECT_EQ(u"<none:317>", ModuleText(newer, ERROR_ACCESS_DENIED));

    EXPECT_TRUE(FreeLibrary(newer));
    EXPECT_TRUE(FreeLibrary(older));
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_MESSAGE_MODULE));
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(newer));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(u"<none:1812>", ModuleText(newer, 0x80041003));
}

TEST_F(MessageModuleTest, PathsAreMatchedWithoutRegardToCaseAndRecorded)
{
    const std::u16string path = u"c:\\WINDOWS\\system32\\WBEM\\WmiUtils.DLL";
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(1, PalWin32ModuleLoadCount());
    char recorded[256];
    ASSERT_TRUE(PalWin32LastModulePath(recorded, sizeof recorded));
    EXPECT_EQ(Narrow(path), recorded);
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(MessageModuleTest, FailuresToLoad)
{
    const std::u16string wbem = SystemRoot() + u"\\System32\\wbem\\";
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadLibraryExW((wbem + u"missing.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
    EXPECT_EQ(nullptr, LoadLibraryExW(u"D:\\Windows\\System32\\wbem\\wmiutils.dll", nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
    // The directory itself is no module.
    EXPECT_EQ(nullptr, LoadLibraryExW(wbem.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
    // Only data can be loaded: nothing here runs Windows code.
    EXPECT_EQ(nullptr, LoadLibraryExW((wbem + u"wmiutils.dll").c_str(), nullptr, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_EXE_FORMAT), GetLastError());
    EXPECT_EQ(0, PalWin32ModuleLoadCount());
}

TEST_F(MessageModuleTest, ModuleOfOurOwnAtALinuxPath)
{
    TempDirectory root;
    root.Write("System32/wbem/wmiutils.dll",
               "PAL MESSAGE MODULE 1\n"
               "# a comment\n"
               "\n"
               "0x80041003   Refused, in \xc3\xa9tude.\r\n"
               "80042001\tSecond text\n");
    root.Write("System32/wbem/wbemcomn.dll", "not a module\n80041003 text\n");
    const std::u16string rootPath = Utf16(root.path().string());

    HMODULE module = LoadLibraryExW((rootPath + u"\\System32\\wbem\\wmiutils.dll").c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(u"Refused, in \u00e9tude.\r\n", ModuleText(module, 0x80041003));
    EXPECT_EQ(u"Second text\r\n", ModuleText(module, 0x80042001));
    EXPECT_EQ(u"<none:317>", ModuleText(module, 0x80041001));
    EXPECT_TRUE(FreeLibrary(module));

    SetLastError(0);
    EXPECT_EQ(nullptr, LoadLibraryExW((rootPath + u"\\System32\\wbem\\wbemcomn.dll").c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_EXE_FORMAT), GetLastError());
}

TEST_F(MessageModuleTest, ModuleIsAskedBeforeTheSystemWhenBothAreNamed)
{
    TempDirectory root;
    root.Write("texts.dll", "PAL MESSAGE MODULE 1\n5 Own words for five.\n");
    HMODULE module = LoadLibraryExW(Utf16((root.path() / "texts.dll").string()).c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    WCHAR buffer[256];
    const DWORD both = kFromModule | FORMAT_MESSAGE_FROM_SYSTEM;
    ASSERT_NE(0u, FormatMessageW(both, module, 5, kNeutral, buffer, 256, nullptr));
    EXPECT_EQ(u"Own words for five.\r\n", std::u16string(buffer));
    ASSERT_NE(0u, FormatMessageW(both, module, 87, kNeutral, buffer, 256, nullptr));
    EXPECT_EQ(u"<none:317>", ModuleText(module, 87));
    EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
}  // namespace win32_test
