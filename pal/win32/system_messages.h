// The system message table: a text for each Win32 error number and COM result that the bridge
// libraries can meet. WMI's own results are not in it, as on Windows; they live in WMI's message
// modules.
#pragma once

#include <windows.h>

namespace pal::win32 {

// The text for an identifier, without line ending; null when the table does not know it. A
// result of the Win32 facility (0x8007xxxx) has the text of its Win32 number.
const char16_t* SystemMessage(DWORD id);

}  // namespace pal::win32
