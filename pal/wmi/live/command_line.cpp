#include "live/command_line.h"

namespace pal::live {

namespace {

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

// The program name: up to the closing quote when it starts with one, else up to the first blank.
std::u16string ProgramName(std::u16string_view text, size_t& at)
{
    std::u16string name;
    if (at < text.size() && text[at] == u'"') {
        ++at;
        while (at < text.size() && text[at] != u'"') {
            name += text[at++];
        }
        if (at < text.size()) {
            ++at;
        }
        return name;
    }
    while (at < text.size() && !IsBlank(text[at])) {
        name += text[at++];
    }
    return name;
}

}  // namespace

std::vector<std::u16string> SplitCommandLine(std::u16string_view text)
{
    std::vector<std::u16string> arguments;
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) {
        ++at;
    }
    if (at == text.size()) {
        return arguments;
    }
    arguments.push_back(ProgramName(text, at));
    for (;;) {
        while (at < text.size() && IsBlank(text[at])) {
            ++at;
        }
        if (at == text.size()) {
            return arguments;
        }
        std::u16string argument;
        bool quoted = false;
        while (at < text.size() && (quoted || !IsBlank(text[at]))) {
            size_t backslashes = 0;
            while (at < text.size() && text[at] == u'\\') {
                ++backslashes;
                ++at;
            }
            if (at < text.size() && text[at] == u'"') {
                argument.append(backslashes / 2, u'\\');
                if (backslashes % 2 == 1) {
                    argument += u'"';
                } else if (quoted && at + 1 < text.size() && text[at + 1] == u'"') {
                    argument += u'"';
                    ++at;
                } else {
                    quoted = !quoted;
                }
                ++at;
                continue;
            }
            argument.append(backslashes, u'\\');
            if (at < text.size() && (quoted || !IsBlank(text[at]))) {
                argument += text[at++];
            }
        }
        arguments.push_back(std::move(argument));
    }
}

}  // namespace pal::live
