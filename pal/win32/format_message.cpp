// FormatMessageW from the system message table and from message modules.
#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "win32/message_module.h"
#include "win32/system_messages.h"

namespace pal::win32 {
namespace {

constexpr DWORD kSupportedFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_FROM_HMODULE |
                                  FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
constexpr std::u16string_view kLineEnd = u"\r\n";

bool KnownLanguage(DWORD language)
{
    return language == 0 || language == MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT) || language == 0x409;
}

// The message's text without line ending; empty when neither source has it.
std::u16string FindMessage(DWORD flags, LPCVOID source, DWORD id)
{
    if ((flags & FORMAT_MESSAGE_FROM_HMODULE) != 0 && source != nullptr) {
        if (const std::shared_ptr<const MessageModule> module =
                ModuleOf(static_cast<HMODULE>(const_cast<void*>(source)))) {
            const auto found = module->messages.find(id);
            if (found != module->messages.end()) {
                return found->second;
            }
        }
    }
    if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) != 0) {
        if (const char16_t* text = SystemMessage(id)) {
            return text;
        }
    }
    return {};
}

}  // namespace
}  // namespace pal::win32

PALAPI DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPWSTR lpBuffer, DWORD nSize, void* Arguments)
{
    (void)Arguments;  // texts of this layer hold no inserts
    if ((dwFlags & ~pal::win32::kSupportedFlags) != 0 || lpBuffer == nullptr ||
        (dwFlags & (FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_FROM_HMODULE)) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if ((dwFlags & FORMAT_MESSAGE_FROM_HMODULE) != 0 && lpSource != nullptr &&
        !pal::win32::ModuleOf(static_cast<HMODULE>(const_cast<void*>(lpSource)))) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    if (!pal::win32::KnownLanguage(dwLanguageId)) {
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        return 0;
    }
    const std::u16string text = pal::win32::FindMessage(dwFlags, lpSource, dwMessageId);
    if (text.empty()) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    // A width of 0xFF asks for the text without its line break; no other width wraps.
    const bool lineEnd = (dwFlags & FORMAT_MESSAGE_MAX_WIDTH_MASK) != FORMAT_MESSAGE_MAX_WIDTH_MASK;
    const size_t length = text.size() + (lineEnd ? pal::win32::kLineEnd.size() : 0);
    if (length + 1 > nSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    WCHAR* end = std::copy(text.begin(), text.end(), lpBuffer);
    if (lineEnd) {
        end = std::copy(pal::win32::kLineEnd.begin(), pal::win32::kLineEnd.end(), end);
    }
    *end = u'\0';
    return static_cast<DWORD>(length);
}
