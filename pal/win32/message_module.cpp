// LoadLibraryExW and FreeLibrary for message modules.
#include "win32/message_module.h"

#include <pal/win32_control.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <mutex>
#include <sstream>

#include "base/text.h"
#include "win32/handle_table.h"
#include "win32/reset.h"
#include "win32/windows_path.h"

namespace pal::win32 {
namespace {

constexpr std::string_view kSignature = "PAL MESSAGE MODULE 1";
constexpr DWORD kLoadAsData =
    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE;

HandleTable<const MessageModule>& Modules()
{
    static HandleTable<const MessageModule> table(PAL_KIND_MESSAGE_MODULE, 0x10000);
    return table;
}

struct LoadRecord {
    std::mutex mutex;
    std::u16string lastPath;
    std::atomic<LONG> count{0};
};

LoadRecord& Loads()
{
    static LoadRecord record;
    return record;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<DWORD> ParseHex(std::string_view digits)
{
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        digits.remove_prefix(2);
    }
    if (digits.empty() || digits.size() > 8) {
        return std::nullopt;
    }
    DWORD value = 0;
    for (const char c : digits) {
        DWORD digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<DWORD>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<DWORD>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<DWORD>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    return value;
}

}  // namespace

std::shared_ptr<const MessageModule> ParseMessageModule(std::string_view text)
{
    auto module = std::make_shared<MessageModule>();
    bool signed_ = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!signed_) {
            if (line != kSignature) {
                return nullptr;
            }
            signed_ = true;
            continue;
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const size_t blank = line.find_first_of(" \t");
        const std::optional<DWORD> id = ParseHex(line.substr(0, blank));
        if (!id || blank == std::string_view::npos) {
            return nullptr;
        }
        module->messages[*id] = pal::FromUtf8(std::string(Trim(line.substr(blank))).c_str());
    }
    return signed_ ? module : nullptr;
}

std::shared_ptr<const MessageModule> ModuleOf(HMODULE module)
{
    return Modules().Get(reinterpret_cast<uintptr_t>(module));
}

void ResetMessageModules()
{
    LoadRecord& loads = Loads();
    std::lock_guard lock(loads.mutex);
    loads.lastPath.clear();
    loads.count.store(0);
}

}  // namespace pal::win32

PALAPI HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags)
{
    if (lpLibFileName == nullptr || *lpLibFileName == u'\0' || hFile != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::optional<std::filesystem::path> path = pal::win32::LinuxPathOf(lpLibFileName);
    std::ifstream file;
    std::error_code error;
    if (path && std::filesystem::is_regular_file(*path, error)) {
        file.open(*path, std::ios::binary);
    }
    if (!file.is_open()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // Nothing here can run Windows code: only loading as data succeeds.
    if ((dwFlags & pal::win32::kLoadAsData) == 0) {
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return nullptr;
    }
    std::ostringstream content;
    content << file.rdbuf();
    std::shared_ptr<const pal::win32::MessageModule> module = pal::win32::ParseMessageModule(content.str());
    if (!module) {
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return nullptr;
    }
    pal::win32::LoadRecord& loads = pal::win32::Loads();
    {
        std::lock_guard lock(loads.mutex);
        loads.lastPath = lpLibFileName;
        loads.count.fetch_add(1);
    }
    return reinterpret_cast<HMODULE>(pal::win32::Modules().Add(std::move(module)));
}

PALAPI BOOL FreeLibrary(HMODULE hLibModule)
{
    if (!pal::win32::Modules().Remove(reinterpret_cast<uintptr_t>(hLibModule))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

PALAPI LONG PalWin32ModuleLoadCount(void)
{
    return pal::win32::Loads().count.load();
}

PALAPI BOOL PalWin32LastModulePath(char* path, ULONG pathSize)
{
    pal::win32::LoadRecord& loads = pal::win32::Loads();
    std::lock_guard lock(loads.mutex);
    if (loads.count.load() == 0 || path == nullptr || pathSize == 0) {
        return FALSE;
    }
    const std::string utf8 = pal::ToUtf8(loads.lastPath);
    const size_t length = std::min(utf8.size(), static_cast<size_t>(pathSize - 1));
    std::copy_n(utf8.begin(), length, path);
    path[length] = '\0';
    return TRUE;
}
