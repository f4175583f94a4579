// Removal of keys and values from an emulated machine's registry. The registry offers no removal
// of its own, so these rebuild it: they copy every other key and value, clear it and put the copy
// back. Read refusals (Registry::DenyRead) cannot be listed and are therefore lost on that
// machine when something is removed.
#pragma once

#include <string_view>

#include "win32/registry.h"

namespace pal::live {

// Removes a key that has no subkeys, with its values.
void RemoveRegistryKey(win32::Registry& registry, win32::RegistryRoot root, std::u16string_view path);
// Removes one value of a key.
void RemoveRegistryValue(win32::Registry& registry, win32::RegistryRoot root, std::u16string_view path,
                         std::u16string_view valueName);

}  // namespace pal::live
