// Tokens of MOF text: identifiers, numbers, strings with escapes, characters, punctuation,
// `#pragma` and `$alias`; comments and white space are skipped. Each token knows its line.
#pragma once

#include <wbemidl.h>

#include <memory>
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
    // What the load answers: text that is not MOF, or a value that WMI does not take.
    HRESULT result = WBEM_E_INVALID_SYNTAX;
};

// The tokens of a text one at a time, so that a large text is never held as tokens all at once.
// Next throws MofError for an unterminated string or comment or a character that MOF does not use.
class MofTokenStream {
public:
    explicit MofTokenStream(std::u16string_view text);
    ~MofTokenStream();
    MofTokenStream(const MofTokenStream&) = delete;
    MofTokenStream& operator=(const MofTokenStream&) = delete;

    // The next token; End, again and again, once the text is used up.
    MofToken Next();

private:
    class Lexer;
    std::unique_ptr<Lexer> lexer_;
};

// Splits the text into tokens; throws MofError for an unterminated string or comment or a
// character that MOF does not use.
std::vector<MofToken> TokenizeMof(std::u16string_view text);
// Throws what TokenizeMof would throw, without keeping the tokens.
void CheckMofTokens(std::u16string_view text);

}  // namespace pal::wmi
