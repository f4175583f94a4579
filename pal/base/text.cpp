#include "base/text.h"

#include <cstdint>

namespace pal {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

}  // namespace

std::u16string_view ViewOf(const OLECHAR* text) noexcept
{
    if (text == nullptr) {
        return {};
    }
    return std::u16string_view(text);
}

std::u16string FromUtf8(const char* text)
{
    std::u16string result;
    if (text == nullptr) {
        return result;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    while (*bytes != 0) {
        const unsigned char lead = *bytes++;
        uint32_t code = 0;
        int following = 0;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1F;
            following = 1;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0F;
            following = 2;
        } else if ((lead & 0xF8) == 0xF0) {
            code = lead & 0x07;
            following = 3;
        } else {
            result.push_back(kReplacement);
            continue;
        }
        bool valid = true;
        for (int i = 0; i < following; ++i) {
            if ((*bytes & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            code = (code << 6) | (*bytes++ & 0x3F);
        }
        if (!valid || code > 0x10FFFF) {
            result.push_back(kReplacement);
        } else if (code >= 0x10000) {
            code -= 0x10000;
            result.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            result.push_back(static_cast<char16_t>(code));
        }
    }
    return result;
}

std::string ToUtf8(std::u16string_view text)
{
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (code < 0x80) {
            result.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            result.push_back(static_cast<char>(0xC0 | (code >> 6)));
            result.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            result.push_back(static_cast<char>(0xE0 | (code >> 12)));
            result.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            result.push_back(static_cast<char>(0xF0 | (code >> 18)));
            result.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return result;
}

}  // namespace pal
