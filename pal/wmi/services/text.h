// UTF-16 text helpers of the service side: case-insensitive comparison of names (ASCII case, as
// WMI names are compared), BSTR views and conversion from and to the UTF-8 of the test controls.
#pragma once

#include <oleauto.h>

#include <string>
#include <string_view>

namespace pal::services {

// The characters of a BSTR or NUL-terminated text; empty for null.
std::u16string_view ViewOf(const OLECHAR* text) noexcept;

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) noexcept;
std::u16string ToUpperAscii(std::u16string_view text);

// Conversions for the C control functions; null gives empty text. Malformed UTF-8 sequences
// become U+FFFD.
std::u16string FromUtf8(const char* text);
std::string ToUtf8(std::u16string_view text);

}  // namespace pal::services
