// Compares two answer lists (see AnswerList.h) line by line, by key, and checks the differences
// against the list of known ones, each given with its reason.
#pragma once

#include <string>
#include <vector>

namespace scenario {

// One known difference: answers whose key contains `pattern` may differ, for `reason`.
struct KnownDifference {
    std::string pattern;
    std::string reason;
};

// `PATTERN | REASON` lines; blank lines and lines starting with '#' are skipped.
std::vector<KnownDifference> ParseKnownDifferences(const std::string& text);

struct Comparison {
    // "KEY: expected ..., read ..." for each difference that no known one explains.
    std::vector<std::string> unexplained;
    // The patterns of known differences that explained nothing.
    std::vector<std::string> unused;
    // How many answers differed, explained or not.
    size_t differing = 0;
};

Comparison Compare(const std::vector<std::string>& expected, const std::vector<std::string>& actual,
                   const std::vector<KnownDifference>& known);

}  // namespace scenario
