// Splits WQL text into tokens: names, quoted strings, numbers, operators and punctuation.
#pragma once

#include <string>
#include <string_view>

#include "wql/value.h"

namespace pal::wql {

struct Token {
    enum class Kind { End, Name, String, Number, Operator, Star, Comma, Dot, OpenParen, CloseParen, Invalid };

    Kind kind = Kind::End;
    std::u16string text;              // Name: as written; String: without quotes and escapes
    Value number;                     // Number
    CompareOp op = CompareOp::Equal;  // Operator (never Like: LIKE is a Name)
};

class Lexer {
public:
    explicit Lexer(std::u16string_view text) : text_(text) {}

    // The next token; Kind::Invalid for a character or string that WQL does not allow.
    Token Next();

private:
    void SkipSpace();
    Token ReadName();
    Token ReadString(char16_t quote);
    Token ReadNumber();
    Token ReadOperator();

    std::u16string_view text_;
    size_t pos_ = 0;
};

// Characters of names: letters, digits, underscore, and anything beyond ASCII.
bool IsNameStart(char16_t c);
bool IsNamePart(char16_t c);

}  // namespace pal::wql
