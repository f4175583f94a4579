// A minimal assertion helper for the scenario host: each failed check prints where and what, and
// the host's exit code reports whether any check failed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace scenario {

// Printable text of a UTF-16 string: ASCII as is, everything else as \uXXXX.
std::string Printable(std::u16string_view text);

void Fail(const char* file, int line, const std::string& message);
int FailureCount();

std::string Describe(std::int64_t value);
std::string Describe(const std::u16string& value);
std::string Describe(const char16_t* value);
std::string Describe(const std::optional<std::u16string>& value);

template <class Actual, class Expected>
bool CheckEqual(const Actual& actual, const Expected& expected, const char* actualText, const char* file,
                int line)
{
    if (actual == expected) {
        return true;
    }
    Fail(file, line,
         std::string(actualText) + " is " + Describe(actual) + ", expected " + Describe(expected));
    return false;
}

}  // namespace scenario

#define CHECK(condition) \
    ((condition) ? true : (scenario::Fail(__FILE__, __LINE__, "failed: " #condition), false))
#define CHECK_EQ(actual, expected) scenario::CheckEqual((actual), (expected), #actual, __FILE__, __LINE__)
