// Where Windows paths lie in the Linux file system.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace pal::win32 {

// The directory that stands for drive C:: `windows-root` next to the platform library.
const std::filesystem::path& DriveDirectory();

// The Linux file a Windows path names: "C:\..." lies under the drive directory, a path without a
// drive letter is a Linux path written with backslashes. Each component is matched without
// regard to ASCII case when no exact match exists. Null for other drives and for network paths.
std::optional<std::filesystem::path> LinuxPathOf(std::u16string_view windowsPath);

}  // namespace pal::win32
