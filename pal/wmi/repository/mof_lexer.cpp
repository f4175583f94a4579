#include "repository/mof_lexer.h"

#include "repository/names.h"

namespace pal::wmi {
namespace {

bool IsIdentifierStart(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c >= 0x80;
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool IsHexDigit(char16_t c)
{
    return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

int HexValue(char16_t c)
{
    if (IsDigit(c)) {
        return c - u'0';
    }
    return (c | 0x20) - u'a' + 10;
}

}  // namespace

class MofTokenStream::Lexer {
public:
    explicit Lexer(std::u16string_view text) : text_(text) {}

    // The next token; an End token once the text is used up.
    MofToken Next()
    {
        SkipSpaceAndComments();
        MofToken token;
        token.line = line_;
        if (pos_ >= text_.size()) {
            return token;
        }
        const char16_t c = text_[pos_];
        if (IsIdentifierStart(c)) {
            token.kind = MofToken::Kind::Identifier;
            token.text = TakeWhile([](char16_t x) { return IsIdentifierStart(x) || IsDigit(x); });
        } else if (IsDigit(c) || (c == u'.' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]))) {
            ReadNumber(token);
        } else if (c == u'"') {
            token.kind = MofToken::Kind::String;
            token.text = ReadQuoted(u'"');
        } else if (c == u'\'') {
            token.kind = MofToken::Kind::Char;
            token.text = ReadQuoted(u'\'');
            if (token.text.size() != 1) {
                throw MofError{token.line, u"expected one character between single quotes"};
            }
        } else if (c == u'#') {
            ++pos_;
            const std::u16string word = TakeWhile(IsIdentifierStart);
            if (!NamesEqual(word, u"pragma")) {
                throw MofError{line_, u"expected '#pragma'"};
            }
            token.kind = MofToken::Kind::Pragma;
            token.text = u"#pragma";
        } else if (c == u'$') {
            ++pos_;
            token.kind = MofToken::Kind::Alias;
            token.text = TakeWhile([](char16_t x) { return IsIdentifierStart(x) || IsDigit(x); });
            if (token.text.empty()) {
                throw MofError{line_, u"expected an alias name after '$'"};
            }
        } else if (std::u16string_view(u"{}[]();,:=-+").find(c) != std::u16string_view::npos) {
            token.kind = MofToken::Kind::Punct;
            token.text = std::u16string(1, c);
            ++pos_;
        } else {
            throw MofError{line_, u"unexpected character '" + std::u16string(1, c) + u"'"};
        }
        return token;
    }

private:
    template <class Predicate>
    std::u16string TakeWhile(Predicate predicate)
    {
        const size_t start = pos_;
        while (pos_ < text_.size() && predicate(text_[pos_])) {
            ++pos_;
        }
        return std::u16string(text_.substr(start, pos_ - start));
    }

    void SkipSpaceAndComments()
    {
        while (pos_ < text_.size()) {
            const char16_t c = text_[pos_];
            if (c == u'\n') {
                ++line_;
                ++pos_;
            } else if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\f' || c == 0xFEFF) {
                ++pos_;
            } else if (c == u'/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'/') {
                while (pos_ < text_.size() && text_[pos_] != u'\n') {
                    ++pos_;
                }
            } else if (c == u'/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'*') {
                const int startLine = line_;
                pos_ += 2;
                for (;;) {
                    if (pos_ + 1 >= text_.size()) {
                        throw MofError{startLine, u"expected '*/' to close the comment"};
                    }
                    if (text_[pos_] == u'*' && text_[pos_ + 1] == u'/') {
                        pos_ += 2;
                        break;
                    }
                    if (text_[pos_] == u'\n') {
                        ++line_;
                    }
                    ++pos_;
                }
            } else {
                return;
            }
        }
    }

    void ReadNumber(MofToken& token)
    {
        token.kind = MofToken::Kind::Integer;
        if (text_[pos_] == u'0' && pos_ + 1 < text_.size() && (text_[pos_ + 1] | 0x20) == u'x') {
            pos_ += 2;
            token.text = u"0x" + TakeWhile(IsHexDigit);
            if (token.text.size() == 2) {
                throw MofError{line_, u"expected hexadecimal digits after '0x'"};
            }
            return;
        }
        token.text = TakeWhile(IsDigit);
        if (pos_ < text_.size() && text_[pos_] == u'.') {
            token.kind = MofToken::Kind::Real;
            ++pos_;
            token.text += u"." + TakeWhile(IsDigit);
        }
        if (pos_ < text_.size() && (text_[pos_] | 0x20) == u'e') {
            token.kind = MofToken::Kind::Real;
            token.text += u"e";
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == u'+' || text_[pos_] == u'-')) {
                token.text.push_back(text_[pos_++]);
            }
            const std::u16string exponent = TakeWhile(IsDigit);
            if (exponent.empty()) {
                throw MofError{line_, u"expected the digits of an exponent"};
            }
            token.text += exponent;
        }
        if (pos_ < text_.size() && IsIdentifierStart(text_[pos_])) {
            throw MofError{line_, u"expected a number"};
        }
    }

    std::u16string ReadQuoted(char16_t quote)
    {
        const int startLine = line_;
        ++pos_;
        std::u16string value;
        for (;;) {
            if (pos_ >= text_.size() || text_[pos_] == u'\n') {
                throw MofError{startLine, std::u16string(u"expected ") + quote + u" to close the literal"};
            }
            const char16_t c = text_[pos_++];
            if (c == quote) {
                return value;
            }
            if (c != u'\\') {
                value.push_back(c);
                continue;
            }
            if (pos_ >= text_.size()) {
                throw MofError{startLine, u"expected an escape character after '\\'"};
            }
            const char16_t escape = text_[pos_++];
            switch (escape) {
            case u'n': value.push_back(u'\n'); break;
            case u't': value.push_back(u'\t'); break;
            case u'r': value.push_back(u'\r'); break;
            case u'b': value.push_back(u'\b'); break;
            case u'f': value.push_back(u'\f'); break;
            case u'0': value.push_back(u'\0'); break;
            case u'\\':
            case u'"':
            case u'\'': value.push_back(escape); break;
            case u'x':
            case u'X': {
                int code = 0;
                int digits = 0;
                while (digits < 4 && pos_ < text_.size() && IsHexDigit(text_[pos_])) {
                    code = code * 16 + HexValue(text_[pos_++]);
                    ++digits;
                }
                if (digits == 0) {
                    throw MofError{line_, u"expected hexadecimal digits after '\\x'"};
                }
                value.push_back(static_cast<char16_t>(code));
                break;
            }
            default: throw MofError{line_, u"expected a known escape sequence after '\\'"};
            }
        }
    }

    std::u16string_view text_;
    size_t pos_ = 0;
    int line_ = 1;
};

MofTokenStream::MofTokenStream(std::u16string_view text) : lexer_(std::make_unique<Lexer>(text)) {}

MofTokenStream::~MofTokenStream() = default;

MofToken MofTokenStream::Next()
{
    return lexer_->Next();
}

std::vector<MofToken> TokenizeMof(std::u16string_view text)
{
    std::vector<MofToken> tokens;
    MofTokenStream stream(text);
    do {
        tokens.push_back(stream.Next());
    } while (tokens.back().kind != MofToken::Kind::End);
    return tokens;
}

void CheckMofTokens(std::u16string_view text)
{
    MofTokenStream stream(text);
    while (stream.Next().kind != MofToken::Kind::End) {
    }
}

}  // namespace pal::wmi
