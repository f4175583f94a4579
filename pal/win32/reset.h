// Putting each piece of the Win32 side back to its state at start, for PalWin32ResetAll.
#pragma once

namespace pal::win32 {

void ResetEnvironment();
void ResetMessageModules();
void ResetRegistryState();
void ResetSecurity();

}  // namespace pal::win32
