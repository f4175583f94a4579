// Turning an error code into readable text: the system's message when it has one, otherwise the
// WMI error name (or the code in hexadecimal) followed by the description in WMI's message module.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace wmibridge {

// The buffer the export formats into, and the capacity it passes on.
constexpr size_t kErrorTextUnits = 4096;
constexpr DWORD kErrorTextCapacity = 4095;

// Writes the NUL-terminated text for `code` into `buffer` (at least capacity + 1 units) and
// returns the buffer. Formatting never fails outward: it ends with what the buffer holds.
WCHAR* FormatErrorMessage(uint32_t code, WCHAR* buffer, DWORD capacity) noexcept;

}  // namespace wmibridge
