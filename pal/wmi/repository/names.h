// Names of namespaces, classes, properties and qualifiers compare by base/names.h; the text
// conversions of the repository.
#pragma once

#include <string>
#include <string_view>

#include "base/names.h"

namespace pal::wmi {

// ASCII text to UTF-16 (source literals and numbers).
std::u16string Widen(std::string_view text);
// UTF-8 text (the embedded MOF files) to UTF-16.
std::u16string Utf8ToUtf16(std::string_view text);
// UTF-16 to UTF-8, for messages.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace pal::wmi
