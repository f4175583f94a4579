// Reading the host's description of itself: small text files under /proc and /sys, and the
// conversions of what they hold. Every reader answers "nothing" instead of failing: a process
// may exit, an entry may be unreadable and a file may be missing on this machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/internal_api.h"

namespace pal {

// The whole content of a file; nullopt when it cannot be read.
std::optional<std::string> ReadHostFile(const std::string& path);
// The first line of a file without its line end, with surrounding blanks removed.
std::optional<std::string> ReadFirstLine(const std::string& path);
// The target of a symbolic link; nullopt when it cannot be read.
std::optional<std::string> ReadLink(const std::string& path);

// The value of `name` in "name: value" or "name value" lines (/proc/meminfo, /proc/cpuinfo,
// /proc/stat), trimmed; nullopt when absent. Stops at the first blank line when `firstBlock`.
PAL_INTERNAL_API std::optional<std::string> FieldOf(std::string_view text, std::string_view name,
                                                    bool firstBlock = false);
// The leading decimal number of a text ("16314108 kB" gives 16314108).
PAL_INTERNAL_API std::optional<std::uint64_t> LeadingNumber(std::string_view text);
// The value of `KEY=value` in /etc/os-release syntax, without quotes.
PAL_INTERNAL_API std::optional<std::string> OsReleaseField(std::string_view text, std::string_view key);

std::string_view Trim(std::string_view text);
std::vector<std::string_view> SplitBlanks(std::string_view text);

// UTF-8 from the host as UTF-16 text.
std::u16string Utf16(std::string_view text);

}  // namespace pal
