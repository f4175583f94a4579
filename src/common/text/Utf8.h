// UTF-8 and UTF-16 converted into each other without the C library or the process locale: for file
// names, file contents and the texts of the platform layer's C controls.
#pragma once

#include <string>
#include <string_view>

namespace wmibridge::text {

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16; a malformed sequence becomes U+FFFD.
std::u16string FromUtf8(std::string_view text);

}  // namespace wmibridge::text
