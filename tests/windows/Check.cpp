#include "Check.h"

#include <cstdio>

namespace scenario {

namespace {
int g_failures = 0;
}

std::string Printable(std::u16string_view text)
{
    std::string out;
    for (char16_t unit : text) {
        if (unit >= 0x20 && unit < 0x7F) {
            out += static_cast<char>(unit);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
            out += escaped;
        }
    }
    return out;
}

void Fail(const char* file, int line, const std::string& message)
{
    ++g_failures;
    std::printf("%s:%d: %s\n", file, line, message.c_str());
    std::fflush(stdout);
}

int FailureCount()
{
    return g_failures;
}

std::string Describe(std::int64_t value)
{
    return std::to_string(value);
}

std::string Describe(const std::u16string& value)
{
    return "\"" + Printable(value) + "\"";
}

std::string Describe(const char16_t* value)
{
    return value != nullptr ? Describe(std::u16string(value)) : std::string("null");
}

std::string Describe(const std::optional<std::u16string>& value)
{
    return value ? Describe(*value) : std::string("null");
}

}  // namespace scenario
