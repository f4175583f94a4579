#include "errors/ErrorText.h"

#include "errors/WbemErrorNames.h"
#include "platform/HandleHolders.h"
#include "text/NumberText.h"
#include "text/TextBuffer.h"
#include "text/Utf16.h"

namespace wmibridge {
namespace {

constexpr DWORD kNeutralLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);

// Appends `text` at `length`, keeping room for the terminator within `limit` units.
void Append(WCHAR* buffer, size_t& length, size_t limit, const WCHAR* text) noexcept
{
    for (; *text != 0 && length + 1 < limit; ++text) {
        buffer[length++] = *text;
    }
    buffer[length] = 0;
}

// "<name> - " or "0x<CODE> - ", written at the start of the buffer.
size_t WritePrefix(uint32_t code, WCHAR* buffer, size_t limit) noexcept
{
    size_t length = 0;
    buffer[0] = 0;
    if (const WCHAR* name = WbemErrorName(code)) {
        Append(buffer, length, limit, name);
    } else {
        WCHAR hex[text::kIntegerTextCapacity];
        text::FormatHexUpper(code, hex, text::kIntegerTextCapacity);
        Append(buffer, length, limit, W("0x"));
        Append(buffer, length, limit, hex);
    }
    Append(buffer, length, limit, W(" - "));
    return length;
}

// "<root>\System32\wbem\<module>": WMI's message module of the installation, wmiutils.dll when
// the major version is at least 5 and the minor version at least 1, wbemcomn.dll otherwise.
//
// The two numbers are tested each on its own, not as the version 5.1: that is deliberate. It is
// the rule the library has always applied, so 6.0 (Vista, Server 2008) and 10.0 (when the host
// process reports it) read wbemcomn.dll, and callers have always received the texts that module
// holds there. The Java tests pin every case (ErrorTextTest.moduleIsChosenByVersion); do not
// "correct" it into a version comparison.
bool ModulePath(const WCHAR* root, text::CTextBuffer& path) noexcept
{
    const bool newer = _winmajor >= 5 && _winminor >= 1;
    const WCHAR* tail = newer ? W("\\System32\\wbem\\wmiutils.dll") : W("\\System32\\wbem\\wbemcomn.dll");
    const size_t rootLength = text::Length(root);
    if (!path.Reserve(rootLength + 64)) {
        return false;
    }
    size_t length = 0;
    Append(path.Data(), length, rootLength + 64, root);
    Append(path.Data(), length, rootLength + 64, tail);
    return true;
}

}  // namespace

WCHAR* FormatErrorMessage(uint32_t code, WCHAR* buffer, DWORD capacity) noexcept
{
    buffer[0] = 0;
    if (code == 0) {
        return buffer;
    }
    if (FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       kNeutralLanguage, buffer, capacity, nullptr) != 0) {
        return buffer;
    }
    buffer[0] = 0;
    const WCHAR* root = _wgetenv(W("SystemRoot"));
    // The prefix is kept two units short of the capacity, so that however long it grows (a name,
    // or a code in hexadecimal), the module's text below is still handed at least three units
    // after it, never a size that fits only the terminator or nothing at all. The test of
    // capacity > 2 keeps the subtraction from wrapping.
    const size_t prefixLength = WritePrefix(code, buffer, capacity > 2 ? capacity - 2 : 0);
    if (root == nullptr) {
        return buffer;
    }
    text::CTextBuffer path;
    if (!ModulePath(root, path)) {
        return buffer;
    }
    const CScopedModule module(LoadLibraryExW(path.Data(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) {
        return buffer;
    }
    // Whatever the module holds for the code follows the prefix; without a text the prefix stays
    // alone.
    if (FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, module.Get(), code,
                       kNeutralLanguage, buffer + prefixLength, capacity - static_cast<DWORD>(prefixLength),
                       nullptr) == 0) {
        buffer[prefixLength] = 0;
    }
    return buffer;
}

}  // namespace wmibridge
