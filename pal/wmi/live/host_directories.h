// Listing the host's directories under /sys, /proc and /etc. Like the file readers, these answer
// "nothing" instead of failing: a device may go away while it is listed.
#pragma once

#include <string>
#include <vector>

namespace pal::live {

// The names in a directory, "." and ".." left out, in the order of their names; empty when the
// directory cannot be read.
std::vector<std::string> DirectoryEntries(const std::string& path);
// Whether a path names something (a file, a directory, a link that leads somewhere).
bool PathExists(const std::string& path);
// The last part of a path ("/a/b/c" gives "c").
std::string BaseName(const std::string& path);

}  // namespace pal::live
