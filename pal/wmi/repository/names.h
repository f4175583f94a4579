// Names of namespaces, classes, properties and qualifiers: compared without regard to case, as
// WMI compares them.
#pragma once

#include <string>
#include <string_view>

namespace pal::wmi {

char16_t FoldChar(char16_t c);
bool NamesEqual(std::u16string_view a, std::u16string_view b);
// An upper-cased copy, for use as a map key.
std::u16string FoldName(std::u16string_view name);
// Orders names case-insensitively.
bool NameLess(std::u16string_view a, std::u16string_view b);

// ASCII text to UTF-16 (source literals and numbers).
std::u16string Widen(std::string_view text);
// UTF-8 text (the embedded MOF files) to UTF-16.
std::u16string Utf8ToUtf16(std::string_view text);
// UTF-16 to UTF-8, for messages.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace pal::wmi
