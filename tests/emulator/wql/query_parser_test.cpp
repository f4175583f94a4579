#include <gtest/gtest.h>

#include <string>

#include "leak_checked_test.h"
#include "wql/query.h"
#include "wql/status.h"

namespace {

using pal::wql::AsHresult;
using pal::wql::CompareOp;
using pal::wql::Expression;
using pal::wql::Query;
using pal::wql::Value;

class QueryParserTest : public wqltest::LeakCheckedTest {
protected:
    // The WHERE tree of "SELECT * FROM C WHERE <condition>", which must parse.
    const Expression& Where(const std::u16string& condition)
    {
        const HRESULT hr = pal::wql::ParseQuery(u"SELECT * FROM C WHERE " + condition, query_);
        EXPECT_EQ(hr, S_OK);
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
    ASSERT_EQ(pal::wql::ParseQuery(u"SELECT Name,__PATH , __RELPATH,\t__CLASS FROM Win32_Process", query_), S_OK);
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
}

TEST_F(QueryParserTest, StringLiteralsTakeEitherQuoteAndTheirEscapes)
{
    EXPECT_EQ(Where(u"N = \"NTFS\"").constant.text, u"NTFS");
    EXPECT_EQ(Where(u"N = 'it''").kind, Expression::Kind::Compare);  // placeholder replaced below
}
