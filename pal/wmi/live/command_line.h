// A Windows command line taken apart into the arguments a program receives.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "repository/internal_api.h"

namespace pal::live {

// Splits `commandLine` as Windows programs split theirs: blanks and tabs separate arguments,
// double quotes group blanks into one; 2n backslashes before a quote give n backslashes and the
// quote groups, 2n+1 give n and a literal quote; other backslashes are literal. Inside quotes, two
// quotes in a row give one literal quote. The program name (the first argument) ends at its
// closing quote or first blank, backslashes and all.
PAL_INTERNAL_API std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);

}  // namespace pal::live
