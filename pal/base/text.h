// UTF-16 text helpers shared by the emulator and the Win32 side: BSTR views and conversion from
// and to the UTF-8 of the host and of the test controls. Names compare by base/names.h.
#pragma once

#include <oleauto.h>

#include <string>
#include <string_view>

namespace pal {

// The characters of a BSTR or NUL-terminated text; empty for null.
std::u16string_view ViewOf(const OLECHAR* text) noexcept;

// Conversions for the C control functions; null gives empty text. Malformed UTF-8 sequences
// become U+FFFD.
std::u16string FromUtf8(const char* text);
std::string ToUtf8(std::u16string_view text);

}  // namespace pal
