// Recursive-descent parser of WQL data and event queries:
//
//   query      := SELECT ( '*' | name { ',' name } ) FROM name [ WITHIN number ] [ WHERE or ]
//   or         := and { OR and }
//   and        := not { AND not }
//   not        := NOT not | '(' or ')' | comparison
//   comparison := path IS [NOT] NULL | path LIKE string | path ISA string | path op constant
//               | constant op path
//   path       := name { '.' name }
#include <new>
#include <utility>

#include "wql/lexer.h"
#include "wql/like_pattern.h"
#include "wql/query.h"
#include "wql/status.h"
#include "wql/text.h"

namespace pal::wql {

namespace {

// Deeper nesting is refused rather than risking the stack in the parser or in the destructors of
// the expression tree.
constexpr int kMaxDepth = 1000;

bool IsKeyword(std::u16string_view name, std::u16string_view keyword)
{
    return CompareIgnoringCase(name, keyword) == 0;
}

bool IsReserved(std::u16string_view name)
{
    static constexpr std::u16string_view kReserved[] = {u"SELECT", u"FROM", u"WHERE", u"AND",  u"OR",
                                                        u"NOT",    u"LIKE", u"IS",    u"NULL", u"TRUE",
                                                        u"FALSE",  u"ISA",  u"WITHIN"};
    for (const std::u16string_view word : kReserved) {
        if (IsKeyword(name, word)) {
            return true;
        }
    }
    return false;
}

CompareOp Mirror(CompareOp op)
{
    switch (op) {
    case CompareOp::Less: return CompareOp::Greater;
    case CompareOp::LessOrEqual: return CompareOp::GreaterOrEqual;
    case CompareOp::Greater: return CompareOp::Less;
    case CompareOp::GreaterOrEqual: return CompareOp::LessOrEqual;
    default: return op;
    }
}

class Parser {
public:
    explicit Parser(std::u16string_view text) : lexer_(text) { Advance(); }

    bool ParseQuery(Query& query)
    {
        if (!AcceptKeyword(u"SELECT") || !ParseSelectList(query.properties) || !AcceptKeyword(u"FROM")) {
            return false;
        }
        if (!AcceptPlainName(query.className)) {
            return false;
        }
        if (AcceptKeyword(u"WITHIN")) {
            // A polling interval in seconds, fractions allowed; never zero or negative.
            if (current_.kind != Token::Kind::Number || current_.number.negative ||
                !(current_.number.real > 0)) {
                return false;
            }
            query.within = current_.number.real;
            Advance();
        }
        if (AcceptKeyword(u"WHERE")) {
            query.where = ParseOr(0);
            if (!query.where) {
                return false;
            }
        }
        return current_.kind == Token::Kind::End;
    }

private:
    void Advance() { current_ = lexer_.Next(); }

    bool AtKeyword(std::u16string_view keyword) const
    {
        return current_.kind == Token::Kind::Name && IsKeyword(current_.text, keyword);
    }

    bool AcceptKeyword(std::u16string_view keyword)
    {
        if (!AtKeyword(keyword)) {
            return false;
        }
        Advance();
        return true;
    }

    bool AtPlainName() const { return current_.kind == Token::Kind::Name && !IsReserved(current_.text); }

    bool AcceptPlainName(std::u16string& name)
    {
        if (!AtPlainName()) {
            return false;
        }
        name = std::move(current_.text);
        Advance();
        return true;
    }

    // A property, or a property of the embedded object that another one holds: `A.B.C`.
    bool AcceptPropertyPath(std::u16string& path)
    {
        if (!AcceptPlainName(path)) {
            return false;
        }
        while (AcceptToken(Token::Kind::Dot)) {
            std::u16string part;
            if (!AcceptPlainName(part)) {
                return false;
            }
            path += u'.';
            path += part;
        }
        return true;
    }

    bool ParseSelectList(std::vector<std::u16string>& properties)
    {
        if (current_.kind == Token::Kind::Star) {
            Advance();
            return true;
        }
        do {
            std::u16string name;
            if (!AcceptPlainName(name)) {
                return false;
            }
            properties.push_back(std::move(name));
        } while (AcceptToken(Token::Kind::Comma));
        return true;
    }

    bool AcceptToken(Token::Kind kind)
    {
        if (current_.kind != kind) {
            return false;
        }
        Advance();
        return true;
    }

    static std::unique_ptr<Expression> Combine(Expression::Kind kind, std::unique_ptr<Expression> left,
                                               std::unique_ptr<Expression> right)
    {
        auto node = std::make_unique<Expression>();
        node->kind = kind;
        node->left = std::move(left);
        node->right = std::move(right);
        return node;
    }

    // Chains of AND and OR count towards the depth too: they are built as left-leaning trees.
    std::unique_ptr<Expression> ParseOr(int depth)
    {
        auto left = ParseAnd(depth + 1);
        while (left && AcceptKeyword(u"OR")) {
            if (++depth > kMaxDepth) {
                return nullptr;
            }
            auto right = ParseAnd(depth + 1);
            if (!right) {
                return nullptr;
            }
            left = Combine(Expression::Kind::Or, std::move(left), std::move(right));
        }
        return left;
    }

    std::unique_ptr<Expression> ParseAnd(int depth)
    {
        auto left = ParseNot(depth + 1);
        while (left && AcceptKeyword(u"AND")) {
            if (++depth > kMaxDepth) {
                return nullptr;
            }
            auto right = ParseNot(depth + 1);
            if (!right) {
                return nullptr;
            }
            left = Combine(Expression::Kind::And, std::move(left), std::move(right));
        }
        return left;
    }

    std::unique_ptr<Expression> ParseNot(int depth)
    {
        if (depth > kMaxDepth) {
            return nullptr;
        }
        if (AcceptKeyword(u"NOT")) {
            auto operand = ParseNot(depth + 1);
            if (!operand) {
                return nullptr;
            }
            return Combine(Expression::Kind::Not, std::move(operand), nullptr);
        }
        if (AcceptToken(Token::Kind::OpenParen)) {
            auto inner = ParseOr(depth + 1);
            if (!inner || !AcceptToken(Token::Kind::CloseParen)) {
                return nullptr;
            }
            return inner;
        }
        return ParseComparison();
    }

    // A constant token: string, number, TRUE, FALSE or NULL.
    bool AcceptConstant(Value& value)
    {
        if (current_.kind == Token::Kind::String) {
            value = Value{};
            value.kind = Value::Kind::String;
            value.text = std::move(current_.text);
        } else if (current_.kind == Token::Kind::Number) {
            value = std::move(current_.number);
        } else if (AtKeyword(u"TRUE") || AtKeyword(u"FALSE")) {
            value = Value{};
            value.kind = Value::Kind::Boolean;
            value.boolean = AtKeyword(u"TRUE");
        } else if (AtKeyword(u"NULL")) {
            value = Value{};
        } else {
            return false;
        }
        Advance();
        return true;
    }

    std::unique_ptr<Expression> ParseComparison()
    {
        auto node = std::make_unique<Expression>();
        node->kind = Expression::Kind::Compare;
        if (AtPlainName()) {
            if (!AcceptPropertyPath(node->property)) {
                return nullptr;
            }
            if (AcceptKeyword(u"ISA")) {
                if (current_.kind != Token::Kind::String || current_.text.empty()) {
                    return nullptr;
                }
                node->kind = Expression::Kind::Isa;
                AcceptConstant(node->constant);
                return node;
            }
            if (AcceptKeyword(u"IS")) {
                const bool negated = AcceptKeyword(u"NOT");
                if (!AcceptKeyword(u"NULL")) {
                    return nullptr;
                }
                node->kind = negated ? Expression::Kind::IsNotNull : Expression::Kind::IsNull;
                return node;
            }
            if (AcceptKeyword(u"LIKE")) {
                LikePattern pattern;
                if (current_.kind != Token::Kind::String || !pattern.Compile(current_.text)) {
                    return nullptr;
                }
                node->op = CompareOp::Like;
                AcceptConstant(node->constant);
                return node;
            }
            if (current_.kind != Token::Kind::Operator) {
                return nullptr;
            }
            node->op = current_.op;
            Advance();
            if (!AcceptConstant(node->constant)) {
                return nullptr;
            }
        } else {
            if (!AcceptConstant(node->constant) || current_.kind != Token::Kind::Operator) {
                return nullptr;
            }
            node->op = Mirror(current_.op);
            Advance();
            if (!AcceptPropertyPath(node->property)) {
                return nullptr;
            }
        }
        return FoldNullComparison(std::move(node));
    }

    // `Prop = NULL` is IS NULL and `Prop <> NULL` is IS NOT NULL; no other operator takes NULL.
    static std::unique_ptr<Expression> FoldNullComparison(std::unique_ptr<Expression> node)
    {
        if (node->constant.kind != Value::Kind::Null) {
            return node;
        }
        if (node->op == CompareOp::Equal) {
            node->kind = Expression::Kind::IsNull;
        } else if (node->op == CompareOp::NotEqual) {
            node->kind = Expression::Kind::IsNotNull;
        } else {
            return nullptr;
        }
        return node;
    }

    Lexer lexer_;
    Token current_;
};

}  // namespace

PAL_WQL_API HRESULT CheckQueryLanguage(const OLECHAR* language) noexcept
{
    if (language == nullptr) {
        return AsHresult(WBEM_E_INVALID_QUERY_TYPE);
    }
    std::u16string_view text(language);
    return CompareIgnoringCase(text, u"WQL") == 0 ? S_OK : AsHresult(WBEM_E_INVALID_QUERY_TYPE);
}

PAL_WQL_API HRESULT ParseQuery(std::u16string_view text, Query& query) noexcept
{
    try {
        Query parsed;
        Parser parser(text);
        if (!parser.ParseQuery(parsed)) {
            query = Query{};
            return AsHresult(WBEM_E_INVALID_QUERY);
        }
        query = std::move(parsed);
        return S_OK;
    } catch (const std::bad_alloc&) {
        query = Query{};
        return AsHresult(WBEM_E_OUT_OF_MEMORY);
    }
}

}  // namespace pal::wql
