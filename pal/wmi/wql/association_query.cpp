// Parser of ASSOCIATORS OF and REFERENCES OF. The object path between the braces is taken as it
// stands (braces inside quoted key values included); the keywords after it are read with the
// WQL lexer.
#include "wql/association_query.h"

#include <new>

#include "wql/lexer.h"
#include "wql/status.h"
#include "wql/text.h"

namespace pal::wql {

namespace {

bool IsSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool IsKeyword(std::u16string_view name, std::u16string_view keyword)
{
    return CompareIgnoringCase(name, keyword) == 0;
}

class Parser {
public:
    explicit Parser(std::u16string_view text) : text_(text) {}

    bool Parse(AssociationQuery& query)
    {
        const std::u16string_view first = Word();
        if (IsKeyword(first, u"ASSOCIATORS")) {
            query.kind = AssociationQuery::Kind::Associators;
        } else if (IsKeyword(first, u"REFERENCES")) {
            query.kind = AssociationQuery::Kind::References;
        } else {
            return false;
        }
        if (!IsKeyword(Word(), u"OF") || !ReadPath(query.objectPath)) {
            return false;
        }
        Lexer lexer(text_.substr(pos_));
        Token token = lexer.Next();
        if (token.kind == Token::Kind::End) {
            return true;
        }
        if (token.kind != Token::Kind::Name || !IsKeyword(token.text, u"WHERE")) {
            return false;
        }
        token = lexer.Next();
        if (token.kind == Token::Kind::End) {
            return false;  // WHERE without a keyword
        }
        while (token.kind != Token::Kind::End) {
            if (token.kind != Token::Kind::Name || !Keyword(query, token.text, lexer)) {
                return false;
            }
            token = lexer.Next();
        }
        if (query.classDefsOnly && (query.schemaOnly || (query.kind == AssociationQuery::Kind::Associators &&
                                                         !query.resultClass.empty()))) {
            return false;
        }
        return true;
    }

private:
    // The next run of letters after blanks; empty when there is none.
    std::u16string_view Word()
    {
        while (pos_ < text_.size() && IsSpace(text_[pos_])) {
            ++pos_;
        }
        const size_t start = pos_;
        while (pos_ < text_.size() && IsNamePart(text_[pos_])) {
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    // `{path}`: the text up to the brace that closes it, outside quoted text; without the blanks
    // around it.
    bool ReadPath(std::u16string& path)
    {
        while (pos_ < text_.size() && IsSpace(text_[pos_])) {
            ++pos_;
        }
        if (pos_ >= text_.size() || text_[pos_] != u'{') {
            return false;
        }
        const size_t start = ++pos_;
        char16_t quote = 0;
        for (; pos_ < text_.size(); ++pos_) {
            const char16_t c = text_[pos_];
            if (quote != 0) {
                if (c == u'\\') {
                    ++pos_;  // the escaped character, a quote among them
                } else if (c == quote) {
                    quote = 0;
                }
            } else if (c == u'"' || c == u'\'') {
                quote = c;
            } else if (c == u'}') {
                break;
            }
        }
        if (pos_ >= text_.size()) {
            return false;
        }
        size_t first = start;
        size_t end = pos_;
        ++pos_;
        while (first < end && IsSpace(text_[first])) {
            ++first;
        }
        while (end > first && IsSpace(text_[end - 1])) {
            --end;
        }
        path.assign(text_.substr(first, end - first));
        return !path.empty();
    }

    // One keyword of the WHERE clause, with its value when it takes one.
    static bool Keyword(AssociationQuery& query, const std::u16string& name, Lexer& lexer)
    {
        const bool associators = query.kind == AssociationQuery::Kind::Associators;
        if (IsKeyword(name, u"ClassDefsOnly")) {
            return Flag(query.classDefsOnly);
        }
        if (IsKeyword(name, u"SchemaOnly")) {
            return Flag(query.schemaOnly);
        }
        if (IsKeyword(name, u"KeysOnly")) {
            return Flag(query.keysOnly);
        }
        std::u16string* target = nullptr;
        if (IsKeyword(name, u"ResultClass")) {
            target = &query.resultClass;
        } else if (IsKeyword(name, u"Role")) {
            target = &query.role;
        } else if (IsKeyword(name, u"RequiredQualifier")) {
            target = &query.requiredQualifier;
        } else if (associators && IsKeyword(name, u"AssocClass")) {
            target = &query.assocClass;
        } else if (associators && IsKeyword(name, u"ResultRole")) {
            target = &query.resultRole;
        } else if (associators && IsKeyword(name, u"RequiredAssocQualifier")) {
            target = &query.requiredAssocQualifier;
        } else {
            return false;
        }
        const Token equals = lexer.Next();
        Token value = lexer.Next();
        if (!target->empty() || equals.kind != Token::Kind::Operator || equals.op != CompareOp::Equal ||
            value.kind != Token::Kind::Name) {
            return false;
        }
        *target = std::move(value.text);
        return true;
    }

    static bool Flag(bool& flag)
    {
        if (flag) {
            return false;
        }
        flag = true;
        return true;
    }

    std::u16string_view text_;
    size_t pos_ = 0;
};

}  // namespace

PAL_WQL_API bool IsAssociationQuery(std::u16string_view text) noexcept
{
    size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos])) {
        ++pos;
    }
    size_t end = pos;
    while (end < text.size() && IsNamePart(text[end])) {
        ++end;
    }
    const std::u16string_view word = text.substr(pos, end - pos);
    return IsKeyword(word, u"ASSOCIATORS") || IsKeyword(word, u"REFERENCES");
}

PAL_WQL_API HRESULT ParseAssociationQuery(std::u16string_view text, AssociationQuery& query) noexcept
{
    try {
        AssociationQuery parsed;
        if (!Parser(text).Parse(parsed)) {
            query = AssociationQuery{};
            return AsHresult(WBEM_E_INVALID_QUERY);
        }
        query = std::move(parsed);
        return S_OK;
    } catch (const std::bad_alloc&) {
        query = AssociationQuery{};
        return AsHresult(WBEM_E_OUT_OF_MEMORY);
    }
}

}  // namespace pal::wql
