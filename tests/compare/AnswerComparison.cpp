#include "AnswerComparison.h"

#include <map>
#include <set>
#include <sstream>

#include "AnswerList.h"

namespace scenario {
namespace {

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    const size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::map<std::string, std::string> ByKey(const std::vector<std::string>& lines)
{
    std::map<std::string, std::string> answers;
    for (const std::string& line : lines) {
        const std::string key = KeyOf(line);
        answers[key] = key.size() < line.size() ? line.substr(key.size() + 3) : std::string();
    }
    return answers;
}

}  // namespace

std::vector<KnownDifference> ParseKnownDifferences(const std::string& text)
{
    std::vector<KnownDifference> known;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = Trimmed(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const size_t bar = line.find(" | ");
        known.push_back(KnownDifference{Trimmed(line.substr(0, bar)), bar == std::string::npos
                                                                          ? std::string()
                                                                          : Trimmed(line.substr(bar + 3))});
    }
    return known;
}

Comparison Compare(const std::vector<std::string>& expected, const std::vector<std::string>& actual,
                   const std::vector<KnownDifference>& known)
{
    const auto a = ByKey(expected);
    const auto b = ByKey(actual);
    std::set<std::string> keys;
    for (const auto& [key, answer] : a) {
        keys.insert(key);
    }
    for (const auto& [key, answer] : b) {
        keys.insert(key);
    }
    Comparison result;
    std::set<size_t> used;
    for (const std::string& key : keys) {
        const auto left = a.find(key);
        const auto right = b.find(key);
        const std::string was = left == a.end() ? "(no answer)" : left->second;
        const std::string is = right == b.end() ? "(no answer)" : right->second;
        if (was == is) {
            continue;
        }
        ++result.differing;
        bool explained = false;
        for (size_t i = 0; i < known.size(); ++i) {
            if (key.find(known[i].pattern) != std::string::npos) {
                used.insert(i);
                explained = true;
            }
        }
        if (!explained) {
            result.unexplained.push_back(key + ": expected " + was + ", read " + is);
        }
    }
    for (size_t i = 0; i < known.size(); ++i) {
        if (used.count(i) == 0) {
            result.unused.push_back(known[i].pattern);
        }
    }
    return result;
}

}  // namespace scenario
