// Message modules: data files of our own format standing where Windows keeps DLLs with message
// tables, loaded with LoadLibraryExW(..., LOAD_LIBRARY_AS_DATAFILE).
//
// The file is UTF-8 text. Its first line is the signature "PAL MESSAGE MODULE 1"; after it, each
// line that is neither empty nor starts with '#' is a message: the identifier in hexadecimal
// (with or without "0x"), blanks, then the text up to the end of the line.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pal::win32 {

struct MessageModule {
    std::map<DWORD, std::u16string> messages;
};

// The module's content, or null when the text is not a message module.
std::shared_ptr<const MessageModule> ParseMessageModule(std::string_view text);

// The module a handle from LoadLibraryExW names; null when the handle is not open.
std::shared_ptr<const MessageModule> ModuleOf(HMODULE module);

}  // namespace pal::win32
