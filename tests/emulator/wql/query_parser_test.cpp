#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "NoLeaks.h"
#include "test_text.h"
#include "wql/query.h"
#include "wql/status.h"

namespace {

using pal::wql::AsHresult;
using pal::wql::CompareOp;
using pal::wql::Expression;
using pal::wql::Query;
using pal::wql::Value;

class QueryParserTest : public NoLeaks {
protected:
    // The WHERE tree of "SELECT * FROM C WHERE <condition>", which must parse.
    const Expression& Where(const std::u16string& condition)
    {
        const HRESULT hr = pal::wql::ParseQuery(u"SELECT * FROM C WHERE " + condition, query_);
        EXPECT_EQ(hr, S_OK) << wqltest::Narrow(condition);
        static const Expression kNone;
        return query_.where ? *query_.where : kNone;
    }

    Query query_;
};

TEST_F(QueryParserTest, SelectStarNamesTheClassAndHasNoCondition)
{
    ASSERT_EQ(pal::wql::ParseQuery(u"SELECT * FROM Win32_Process", query_), S_OK);
    EXPECT_TRUE(query_.SelectsAll());
    EXPECT_EQ(query_.className, u"Win32_Process");
    EXPECT_EQ(query_.where, nullptr);
}

TEST_F(QueryParserTest, PropertyListKeepsNamesInOrderIncludingSystemProperties)
{
    ASSERT_EQ(pal::wql::ParseQuery(u"SELECT Name,__PATH , __RELPATH,\t__CLASS FROM Win32_Process", query_),
              S_OK);
    const std::vector<std::u16string> expected = {u"Name", u"__PATH", u"__RELPATH", u"__CLASS"};
    EXPECT_EQ(query_.properties, expected);
    EXPECT_FALSE(query_.SelectsAll());
}

TEST_F(QueryParserTest, KeywordsIgnoreCaseAndAnyWhitespaceSeparates)
{
    ASSERT_EQ(pal::wql::ParseQuery(u"\r\n select\t*\nfrom Cls wHeRe nOt A iS nUlL ", query_), S_OK);
    EXPECT_EQ(query_.className, u"Cls");
    ASSERT_NE(query_.where, nullptr);
    EXPECT_EQ(query_.where->kind, Expression::Kind::Not);
    EXPECT_EQ(query_.where->left->kind, Expression::Kind::IsNull);
    EXPECT_EQ(query_.where->left->property, u"A");
}

TEST_F(QueryParserTest, StringLiteralsTakeEitherQuoteAndBackslashEscapes)
{
    EXPECT_EQ(Where(u"N = \"NTFS\"").constant.text, u"NTFS");
    EXPECT_EQ(Where(u"N = 'it\\'s'").constant.text, u"it's");
    EXPECT_EQ(Where(u"N = \"say \\\"hi\\\"\"").constant.text, u"say \"hi\"");
    EXPECT_EQ(Where(u"N = 'C:\\\\Windows'").constant.text, u"C:\\Windows");
    EXPECT_EQ(Where(u"N = 'a\"b'").constant.text, u"a\"b");
    EXPECT_EQ(Where(u"N = ''").constant.kind, Value::Kind::String);
}

TEST_F(QueryParserTest, NumberLiteralsKeepSignMagnitudeAndText)
{
    const Value& negative = Where(u"N = -42").constant;
    EXPECT_EQ(negative.kind, Value::Kind::Integer);
    EXPECT_TRUE(negative.negative);
    EXPECT_EQ(negative.magnitude, 42u);
    EXPECT_EQ(negative.text, u"-42");

    const Value& largest = Where(u"N = 18446744073709551615").constant;
    EXPECT_EQ(largest.kind, Value::Kind::Integer);
    EXPECT_EQ(largest.magnitude, 18446744073709551615u);

    const Value& smallest = Where(u"N = -9223372036854775808").constant;
    EXPECT_TRUE(smallest.negative);
    EXPECT_EQ(smallest.magnitude, 9223372036854775808u);

    const Value& decimal = Where(u"N = -2.5").constant;
    EXPECT_EQ(decimal.kind, Value::Kind::Real);
    EXPECT_DOUBLE_EQ(decimal.real, -2.5);
    EXPECT_DOUBLE_EQ(Where(u"N = 1.5e3").constant.real, 1500.0);
    EXPECT_EQ(Where(u"N = 0x1F").constant.magnitude, 31u);
    EXPECT_FALSE(Where(u"N = -0").constant.negative);
}

TEST_F(QueryParserTest, BooleanLiteralsIgnoreCase)
{
    const Value& yes = Where(u"B = true").constant;
    EXPECT_EQ(yes.kind, Value::Kind::Boolean);
    EXPECT_TRUE(yes.boolean);
    const Value& no = Where(u"B <> FALSE").constant;
    EXPECT_EQ(no.kind, Value::Kind::Boolean);
    EXPECT_FALSE(no.boolean);
}

TEST_F(QueryParserTest, EveryComparisonOperatorIsRecognised)
{
    const std::pair<const char16_t*, CompareOp> cases[] = {{u"N = 1", CompareOp::Equal},
                                                           {u"N <> 1", CompareOp::NotEqual},
                                                           {u"N != 1", CompareOp::NotEqual},
                                                           {u"N < 1", CompareOp::Less},
                                                           {u"N <= 1", CompareOp::LessOrEqual},
                                                           {u"N > 1", CompareOp::Greater},
                                                           {u"N >= 1", CompareOp::GreaterOrEqual},
                                                           {u"N LIKE 'a%'", CompareOp::Like},
                                                           {u"N=1", CompareOp::Equal},
                                                           {u"N>=1", CompareOp::GreaterOrEqual}};
    for (const auto& [condition, op] : cases) {
        const Expression& where = Where(condition);
        EXPECT_EQ(where.kind, Expression::Kind::Compare);
        EXPECT_EQ(where.op, op) << wqltest::Narrow(condition);
        EXPECT_EQ(where.property, u"N");
    }
}

TEST_F(QueryParserTest, ConstantBeforeThePropertyTurnsTheOperatorAround)
{
    const std::pair<const char16_t*, CompareOp> cases[] = {{u"5 < N", CompareOp::Greater},
                                                           {u"5 >= N", CompareOp::LessOrEqual},
                                                           {u"'x' = N", CompareOp::Equal},
                                                           {u"5 <> N", CompareOp::NotEqual}};
    for (const auto& [condition, op] : cases) {
        const Expression& where = Where(condition);
        EXPECT_EQ(where.property, u"N");
        EXPECT_EQ(where.op, op);
    }
}

TEST_F(QueryParserTest, NullTestsInAllTheirForms)
{
    EXPECT_EQ(Where(u"N IS NULL").kind, Expression::Kind::IsNull);
    EXPECT_EQ(Where(u"N IS NOT NULL").kind, Expression::Kind::IsNotNull);
    EXPECT_EQ(Where(u"N = NULL").kind, Expression::Kind::IsNull);
    EXPECT_EQ(Where(u"N <> NULL").kind, Expression::Kind::IsNotNull);
    EXPECT_EQ(Where(u"NULL != N").kind, Expression::Kind::IsNotNull);
}

TEST_F(QueryParserTest, AndBindsTighterThanOrAndNotTighterThanAnd)
{
    const Expression& mixed = Where(u"A = 1 OR B = 2 AND C = 3");
    ASSERT_EQ(mixed.kind, Expression::Kind::Or);
    EXPECT_EQ(mixed.left->property, u"A");
    ASSERT_EQ(mixed.right->kind, Expression::Kind::And);
    EXPECT_EQ(mixed.right->left->property, u"B");
    EXPECT_EQ(mixed.right->right->property, u"C");

    const Expression& negated = Where(u"NOT A = 1 AND B = 2");
    ASSERT_EQ(negated.kind, Expression::Kind::And);
    EXPECT_EQ(negated.left->kind, Expression::Kind::Not);
    EXPECT_EQ(negated.right->property, u"B");

    const Expression& grouped = Where(u"(A = 1 OR B = 2) AND C = 3");
    ASSERT_EQ(grouped.kind, Expression::Kind::And);
    EXPECT_EQ(grouped.left->kind, Expression::Kind::Or);

    const Expression& chain = Where(u"A = 1 OR B = 2 OR C = 3");
    ASSERT_EQ(chain.kind, Expression::Kind::Or);
    EXPECT_EQ(chain.left->kind, Expression::Kind::Or);
    EXPECT_EQ(chain.right->property, u"C");
}

TEST_F(QueryParserTest, SyntaxErrorsAreInvalidQueriesAndLeaveTheQueryEmpty)
{
    const char16_t* const invalid[] = {
        u"",
        u"SELECT",
        u"SELECT * FROM",
        u"SELECT FROM C",
        u"SELECT *, Name FROM C",
        u"SELECT Name, FROM C",
        u"SELECT * C",
        u"SELECT * FROM C extra",
        u"SELECT * FROM Select",
        u"SELECT * FROM C;",
        u"SELECT * FROM C WHERE",
        u"SELECT * FROM C WHERE N",
        u"SELECT * FROM C WHERE N = ",
        u"SELECT * FROM C WHERE N = M",
        u"SELECT * FROM C WHERE 1 = 2",
        u"SELECT * FROM C WHERE N == 1",
        u"SELECT * FROM C WHERE N ! 1",
        u"SELECT * FROM C WHERE N = 1 AND",
        u"SELECT * FROM C WHERE (N = 1",
        u"SELECT * FROM C WHERE N = 1)",
        u"SELECT * FROM C WHERE ()",
        u"SELECT * FROM C WHERE N = 'open",
        u"SELECT * FROM C WHERE N = 'C:\\Windows'",
        u"SELECT * FROM C WHERE N = 1.",
        u"SELECT * FROM C WHERE N = 12abc",
        u"SELECT * FROM C WHERE N = 18446744073709551616",
        u"SELECT * FROM C WHERE N = -9223372036854775809",
        u"SELECT * FROM C WHERE N IS 5",
        u"SELECT * FROM C WHERE N IS NOT 'NTFS'",
        u"SELECT * FROM C WHERE N < NULL",
        u"SELECT * FROM C WHERE N LIKE 5",
        u"SELECT * FROM C WHERE N LIKE '[abc'",
        u"SELECT * FROM C WHERE 'a' LIKE N",
        u"SELECT * FROM C WHERE N = 1 # 2",
        u"SELECT * FROM C WHERE AND = 1",
    };
    for (const char16_t* text : invalid) {
        Query query;
        query.className = u"stale";
        EXPECT_EQ(pal::wql::ParseQuery(text, query), AsHresult(WBEM_E_INVALID_QUERY))
            << wqltest::Narrow(text);
        EXPECT_TRUE(query.className.empty());
        EXPECT_EQ(query.where, nullptr);
    }
}

TEST_F(QueryParserTest, ExcessiveNestingIsRefusedNotFollowed)
{
    const std::u16string open(5000, u'(');
    const std::u16string close(5000, u')');
    EXPECT_EQ(pal::wql::ParseQuery(u"SELECT * FROM C WHERE " + open + u"N = 1" + close, query_),
              AsHresult(WBEM_E_INVALID_QUERY));
    std::u16string nots;
    for (int i = 0; i < 5000; ++i) {
        nots += u"NOT ";
    }
    EXPECT_EQ(pal::wql::ParseQuery(u"SELECT * FROM C WHERE " + nots + u"N = 1", query_),
              AsHresult(WBEM_E_INVALID_QUERY));
    EXPECT_EQ(pal::wql::ParseQuery(u"SELECT * FROM C WHERE ((((N = 1))))", query_), S_OK);
}

TEST_F(QueryParserTest, OnlyWqlIsAcceptedAsLanguageInAnyCase)
{
    EXPECT_EQ(pal::wql::CheckQueryLanguage(u"WQL"), S_OK);
    EXPECT_EQ(pal::wql::CheckQueryLanguage(u"wql"), S_OK);
    EXPECT_EQ(pal::wql::CheckQueryLanguage(u"wQl"), S_OK);
    for (const char16_t* other : {u"SQL", u"", u"WQL ", u"WQ", u"WQLX"}) {
        EXPECT_EQ(pal::wql::CheckQueryLanguage(other), AsHresult(WBEM_E_INVALID_QUERY_TYPE));
    }
    EXPECT_EQ(pal::wql::CheckQueryLanguage(nullptr), AsHresult(WBEM_E_INVALID_QUERY_TYPE));
}

}  // namespace
