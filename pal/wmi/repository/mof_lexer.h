// Tokens of MOF text: identifiers, numbers, strings with escapes, characters, punctuation,
// `#pragma` and `$alias`; comments and white space are skipped. Each token knows its line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pal::wmi {

struct MofToken {
    enum class Kind { Identifier, Integer, Real, String, Char, Punct, Pragma, Alias, End };
    Kind kind = Kind::End;
    std::u16string text;  // identifier, decoded string, digits of a number, punctuation character
    int line = 1;
};

// A MOF syntax error: the line and what was expected.
struct MofError {
    int line;
    std::u16string message;
};

// Splits the text into tokens; throws MofError for an unterminated string or comment or a
// character that MOF does not use.
std::vector<MofToken> TokenizeMof(std::u16string_view text);

}  // namespace pal::wmi
