// MOF fixtures from files: the files a path names, read and decoded, and the fixtures loaded into
// the local repository when it starts (named by the environment variable WMIBRIDGE_MOF and by
// PalWmiAddStartupMof).
#pragma once

#include <wbemidl.h>

#include <string>
#include <string_view>
#include <vector>

#include "repository/internal_api.h"
#include "repository/mof_parser.h"

namespace pal::wmi {

class Repository;

// The environment variable that names MOF files and folders to load at start, separated by ':'.
inline constexpr char kStartupMofVariable[] = "WMIBRIDGE_MOF";

// Appends the MOF sources that a path (UTF-8) names: the file, or the `*.mof` files of a folder in
// the order of their names (sub-folders are not searched). Text is UTF-8, or UTF-16 with its byte
// order mark. On failure `failure` names the path and why it cannot be read.
PAL_INTERNAL_API HRESULT ReadMofPath(const std::string& path, std::vector<MofSource>& sources,
                                     MofFailure* failure);
// The same for a list of paths separated by ':' (empty entries are skipped).
PAL_INTERNAL_API HRESULT ReadMofPaths(std::string_view paths, std::vector<MofSource>& sources,
                                      MofFailure* failure);

// Loads the startup fixtures into the local repository as it is made: those of WMIBRIDGE_MOF,
// then those added before. On failure none of them is loaded, the failure is kept and written to
// standard error.
void StartFixtures(Repository& local);
// Why the startup fixtures did not load; empty when they did (or there were none).
PAL_INTERNAL_API std::u16string StartupMofError();

}  // namespace pal::wmi
