// Readable test messages from UTF-16 text (other characters than ASCII show as '?').
#pragma once

#include <string>
#include <string_view>

namespace wqltest {

inline std::string Narrow(std::u16string_view text)
{
    std::string narrow;
    for (const char16_t c : text) {
        narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return narrow;
}

}  // namespace wqltest
