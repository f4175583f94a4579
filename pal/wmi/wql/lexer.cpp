#include "wql/lexer.h"

#include "wql/text.h"

namespace pal::wql {

bool IsNameStart(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c >= 0x80;
}

bool IsNamePart(char16_t c)
{
    return IsNameStart(c) || (c >= u'0' && c <= u'9');
}

namespace {

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool IsSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

Token Simple(Token::Kind kind)
{
    Token token;
    token.kind = kind;
    return token;
}

}  // namespace

Token Lexer::Next()
{
    SkipSpace();
    if (pos_ >= text_.size()) {
        return Simple(Token::Kind::End);
    }
    const char16_t c = text_[pos_];
    if (IsNameStart(c)) {
        return ReadName();
    }
    if (IsDigit(c) || ((c == u'-' || c == u'+') && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]))) {
        return ReadNumber();
    }
    switch (c) {
    case u'"':
    case u'\'': return ReadString(c);
    case u'*': ++pos_; return Simple(Token::Kind::Star);
    case u',': ++pos_; return Simple(Token::Kind::Comma);
    case u'.': ++pos_; return Simple(Token::Kind::Dot);
    case u'(': ++pos_; return Simple(Token::Kind::OpenParen);
    case u')': ++pos_; return Simple(Token::Kind::CloseParen);
    default: return ReadOperator();
    }
}

void Lexer::SkipSpace()
{
    while (pos_ < text_.size() && IsSpace(text_[pos_])) {
        ++pos_;
    }
}

Token Lexer::ReadName()
{
    const size_t start = pos_;
    while (pos_ < text_.size() && IsNamePart(text_[pos_])) {
        ++pos_;
    }
    Token token = Simple(Token::Kind::Name);
    token.text.assign(text_.substr(start, pos_ - start));
    return token;
}

// Backslash escapes the backslash and both quotes; any other escape is an error, as in WMI,
// where an unescaped backslash in a path ("C:\Windows") makes the query invalid.
Token Lexer::ReadString(char16_t quote)
{
    Token token = Simple(Token::Kind::String);
    ++pos_;
    while (pos_ < text_.size()) {
        const char16_t c = text_[pos_++];
        if (c == quote) {
            return token;
        }
        if (c == u'\\') {
            if (pos_ >= text_.size()) {
                break;
            }
            const char16_t escaped = text_[pos_++];
            if (escaped != u'\\' && escaped != u'"' && escaped != u'\'') {
                break;
            }
            token.text.push_back(escaped);
        } else {
            token.text.push_back(c);
        }
    }
    return Simple(Token::Kind::Invalid);
}

Token Lexer::ReadNumber()
{
    const size_t start = pos_;
    if (text_[pos_] == u'-' || text_[pos_] == u'+') {
        ++pos_;
    }
    // Take every character that can belong to a number, including a signed exponent; ParseNumber
    // then decides whether the whole is one.
    while (pos_ < text_.size()) {
        const char16_t c = text_[pos_];
        const bool exponentSign =
            (c == u'-' || c == u'+') && (text_[pos_ - 1] == u'e' || text_[pos_ - 1] == u'E');
        if (!IsNamePart(c) && c != u'.' && !exponentSign) {
            break;
        }
        ++pos_;
    }
    Token token = Simple(Token::Kind::Number);
    if (!ParseNumber(text_.substr(start, pos_ - start), token.number)) {
        return Simple(Token::Kind::Invalid);
    }
    return token;
}

Token Lexer::ReadOperator()
{
    const char16_t c = text_[pos_];
    const char16_t after = pos_ + 1 < text_.size() ? text_[pos_ + 1] : u'\0';
    Token token = Simple(Token::Kind::Operator);
    size_t length = 1;
    if (c == u'=') {
        token.op = CompareOp::Equal;
    } else if (c == u'<' && after == u'>') {
        token.op = CompareOp::NotEqual;
        length = 2;
    } else if (c == u'!' && after == u'=') {
        token.op = CompareOp::NotEqual;
        length = 2;
    } else if (c == u'<') {
        token.op = after == u'=' ? CompareOp::LessOrEqual : CompareOp::Less;
        length = after == u'=' ? 2 : 1;
    } else if (c == u'>') {
        token.op = after == u'=' ? CompareOp::GreaterOrEqual : CompareOp::Greater;
        length = after == u'=' ? 2 : 1;
    } else {
        return Simple(Token::Kind::Invalid);
    }
    pos_ += length;
    return token;
}

}  // namespace pal::wql
