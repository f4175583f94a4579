#include <gtest/gtest.h>

#include <string>

#include "value_class_object.h"
#include "NoLeaks.h"
#include "test_text.h"
#include "wql/query.h"

namespace {

using pal::wql::AsHresult;
using wqltest::FakeRef;

class WhereEvaluationTest : public NoLeaks {
protected:
    // Whether the instance satisfies "SELECT * FROM C WHERE <condition>".
    bool Matches(const std::u16string& condition)
    {
        pal::wql::Query query;
        EXPECT_EQ(pal::wql::ParseQuery(u"SELECT * FROM C WHERE " + condition, query), S_OK);
        bool matches = false;
        EXPECT_EQ(pal::wql::EvaluateWhere(query, instance_.get(), matches), S_OK);
        return matches;
    }

    HRESULT Validate(const std::u16string& text)
    {
        pal::wql::Query query;
        EXPECT_EQ(pal::wql::ParseQuery(text, query), S_OK);
        return pal::wql::ValidateQuery(query, instance_.get());
    }

    FakeRef instance_;
};

TEST_F(WhereEvaluationTest, StringsCompareIgnoringCase)
{
    instance_->String(u"Name", u"Explorer.EXE");
    EXPECT_TRUE(Matches(u"Name = 'explorer.exe'"));
    EXPECT_TRUE(Matches(u"name = \"EXPLORER.exe\""));
    EXPECT_FALSE(Matches(u"Name = 'explorer'"));
    EXPECT_FALSE(Matches(u"Name <> 'EXPLORER.EXE'"));
    EXPECT_TRUE(Matches(u"Name != 'notepad.exe'"));
    EXPECT_TRUE(Matches(u"Name > 'DEF'"));
    EXPECT_TRUE(Matches(u"Name < 'f'"));
    EXPECT_TRUE(Matches(u"Name >= 'explorer.exe'"));
    EXPECT_TRUE(Matches(u"Name <= 'EXPLORER.EXE'"));
    EXPECT_TRUE(Matches(u"'explorer.exe' = Name"));
}

TEST_F(WhereEvaluationTest, NonAsciiLettersCompareIgnoringCase)
{
    instance_->String(u"City", u"Z\u00FCrich \u041C\u043E\u0441\u043A\u0432\u0430");
    EXPECT_TRUE(Matches(u"City = 'Z\u00DCRICH \u043C\u041E\u0421\u041A\u0412\u0410'"));
}

TEST_F(WhereEvaluationTest, NumberConstantAgainstStringPropertyComparesItsText)
{
    instance_->String(u"Code", u"42");
    EXPECT_TRUE(Matches(u"Code = 42"));
    EXPECT_FALSE(Matches(u"Code = 42.0"));
}

TEST_F(WhereEvaluationTest, ComparisonWithNullValueIsFalseExceptIsNull)
{
    instance_->Null(u"Caption", CIM_STRING).Null(u"Count", CIM_UINT32);
    for (const char16_t* condition : {u"Caption = 'x'", u"Caption <> 'x'", u"Caption < 'x'", u"Caption >= ''",
                                      u"Caption LIKE '%'", u"Count = 0", u"Count != 0", u"Count > -1"}) {
        EXPECT_FALSE(Matches(condition)) << wqltest::Narrow(condition);
    }
    EXPECT_TRUE(Matches(u"Caption IS NULL"));
    EXPECT_FALSE(Matches(u"Caption IS NOT NULL"));
    EXPECT_TRUE(Matches(u"Count = NULL"));
    EXPECT_TRUE(Matches(u"NOT Caption = 'x'"));
}

TEST_F(WhereEvaluationTest, IntegerPropertiesCompareNumerically)
{
    instance_->Int(u"ProcessId", 4).Short(u"Priority", -3).Byte(u"Flags", 200);
    EXPECT_TRUE(Matches(u"ProcessId = 4"));
    EXPECT_TRUE(Matches(u"ProcessId < 10"));  // as text, "4" would come after "10"
    EXPECT_TRUE(Matches(u"ProcessId > -5"));
    EXPECT_TRUE(Matches(u"ProcessId <= 4.0"));
    EXPECT_TRUE(Matches(u"ProcessId > 3.5"));
    EXPECT_TRUE(Matches(u"ProcessId = 0x4"));
    EXPECT_TRUE(Matches(u"Priority < 0"));
    EXPECT_TRUE(Matches(u"Priority = -3"));
    EXPECT_TRUE(Matches(u"Flags > 127"));
    EXPECT_TRUE(Matches(u"10 > ProcessId"));
}

TEST_F(WhereEvaluationTest, StringConstantAgainstNumberIsReadAsNumber)
{
    instance_->Int(u"ProcessId", 4);
    EXPECT_TRUE(Matches(u"ProcessId = '4'"));
    EXPECT_TRUE(Matches(u"ProcessId < '10'"));
    EXPECT_FALSE(Matches(u"ProcessId = 'four'"));
    EXPECT_FALSE(Matches(u"ProcessId <> 'four'"));
}

TEST_F(WhereEvaluationTest, Uint32HeldInSignedVariantIsReadUnsigned)
{
    instance_->Int(u"Size", -1, CIM_UINT32);  // 4294967295 as WMI hands it over
    EXPECT_TRUE(Matches(u"Size = 4294967295"));
    EXPECT_TRUE(Matches(u"Size > 0"));
}

TEST_F(WhereEvaluationTest, SixtyFourBitValuesHeldAsTextCompareNumerically)
{
    instance_->String(u"Capacity", u"18446744073709551615", CIM_UINT64)
        .String(u"Small", u"10", CIM_UINT64)
        .String(u"Offset", u"-9223372036854775808", CIM_SINT64);
    EXPECT_TRUE(Matches(u"Capacity = 18446744073709551615"));
    EXPECT_TRUE(Matches(u"Capacity > 18446744073709551614"));
    EXPECT_TRUE(Matches(u"Capacity > 9223372036854775807"));
    EXPECT_TRUE(Matches(u"Small > 9"));  // as text, "10" would come before "9"
    EXPECT_TRUE(Matches(u"Small = '10'"));
    EXPECT_TRUE(Matches(u"Offset < -9223372036854775807"));
    EXPECT_TRUE(Matches(u"Offset < 0"));
}

TEST_F(WhereEvaluationTest, RealPropertiesCompareAsNumbers)
{
    instance_->Real(u"Load", 0.5).Real(u"Ratio", 1.25, CIM_REAL32);
    EXPECT_TRUE(Matches(u"Load = 0.5"));
    EXPECT_TRUE(Matches(u"Load < 1"));
    EXPECT_TRUE(Matches(u"Load > 0"));
    EXPECT_TRUE(Matches(u"Ratio = 1.25"));
    EXPECT_TRUE(Matches(u"Ratio >= '1.2'"));
}

TEST_F(WhereEvaluationTest, BooleansCompareWithTrueFalseAndOneZero)
{
    instance_->Bool(u"Enabled", true).Bool(u"Hidden", false);
    EXPECT_TRUE(Matches(u"Enabled = TRUE"));
    EXPECT_TRUE(Matches(u"Enabled <> FALSE"));
    EXPECT_TRUE(Matches(u"Enabled = 1"));
    EXPECT_TRUE(Matches(u"Hidden = 0"));
    EXPECT_TRUE(Matches(u"Hidden = \"False\""));
    EXPECT_TRUE(Matches(u"Enabled = 'TRUE'"));
    EXPECT_FALSE(Matches(u"Enabled = FALSE"));
    EXPECT_FALSE(Matches(u"Hidden != 0"));
    EXPECT_FALSE(Matches(u"Enabled = 2"));
    EXPECT_FALSE(Matches(u"Enabled > FALSE"));
}

TEST_F(WhereEvaluationTest, CharacterPropertyComparesWithOneCharacterString)
{
    instance_->Short(u"Letter", static_cast<SHORT>(u'A'), CIM_CHAR16);
    EXPECT_TRUE(Matches(u"Letter = 'A'"));
    EXPECT_TRUE(Matches(u"Letter = 65"));
    EXPECT_TRUE(Matches(u"Letter < 'B'"));
}

TEST_F(WhereEvaluationTest, ArrayPropertiesNeverMatchAComparison)
{
    instance_->StringArray(u"Names");
    EXPECT_FALSE(Matches(u"Names = ''"));
    EXPECT_FALSE(Matches(u"Names <> ''"));
    EXPECT_TRUE(Matches(u"Names IS NOT NULL"));
}

TEST_F(WhereEvaluationTest, LogicFollowsPrecedenceAndParentheses)
{
    instance_->Int(u"A", 1).Int(u"B", 0).Int(u"C", 0);
    EXPECT_TRUE(Matches(u"A = 1 OR B = 1 AND C = 1"));  // A or (B and C)
    EXPECT_FALSE(Matches(u"(A = 1 OR B = 1) AND C = 1"));
    EXPECT_TRUE(Matches(u"NOT B = 1 AND A = 1"));  // (not B) and A
    EXPECT_FALSE(Matches(u"NOT (B = 0 AND A = 1)"));
    EXPECT_TRUE(Matches(u"NOT NOT A = 1"));
    EXPECT_FALSE(Matches(u"A = 1 AND B = 1 OR C = 1"));
}

TEST_F(WhereEvaluationTest, AndAndOrStopAtTheDecidingOperand)
{
    instance_->Int(u"A", 1);
    EXPECT_TRUE(Matches(u"A = 1 OR Missing = 2"));
    EXPECT_FALSE(Matches(u"A = 2 AND Missing = 2"));
    EXPECT_EQ(instance_->getCalls, 2);
}

TEST_F(WhereEvaluationTest, WithoutWhereEveryObjectMatchesWithoutReadingIt)
{
    pal::wql::Query query;
    ASSERT_EQ(pal::wql::ParseQuery(u"SELECT * FROM C", query), S_OK);
    bool matches = false;
    EXPECT_EQ(pal::wql::EvaluateWhere(query, instance_.get(), matches), S_OK);
    EXPECT_TRUE(matches);
    EXPECT_EQ(instance_->getCalls, 0);
}

TEST_F(WhereEvaluationTest, MissingPropertyOrFailingReadFailsTheEvaluation)
{
    pal::wql::Query query;
    ASSERT_EQ(pal::wql::ParseQuery(u"SELECT * FROM C WHERE Missing = 1", query), S_OK);
    bool matches = true;
    EXPECT_EQ(pal::wql::EvaluateWhere(query, instance_.get(), matches), AsHresult(WBEM_E_INVALID_QUERY));
    EXPECT_FALSE(matches);

    instance_->failGetWith = AsHresult(WBEM_E_ACCESS_DENIED);
    matches = true;
    EXPECT_EQ(pal::wql::EvaluateWhere(query, instance_.get(), matches), AsHresult(WBEM_E_ACCESS_DENIED));
    EXPECT_FALSE(matches);
    EXPECT_EQ(pal::wql::EvaluateWhere(query, nullptr, matches), AsHresult(WBEM_E_INVALID_PARAMETER));
}

TEST_F(WhereEvaluationTest, ValidationAcceptsKnownPropertiesAndSystemProperties)
{
    instance_->String(u"Name", u"x").Int(u"Count", 1).Bool(u"Flag", true).StringArray(u"List");
    EXPECT_EQ(Validate(u"SELECT * FROM C"), S_OK);
    EXPECT_EQ(Validate(u"SELECT Name, __PATH, __RELPATH, __CLASS FROM C WHERE Count > 0"), S_OK);
    EXPECT_EQ(Validate(u"SELECT * FROM C WHERE __CLASS LIKE 'C%' AND Count = '5' AND Flag = TRUE"), S_OK);
    EXPECT_EQ(Validate(u"SELECT * FROM C WHERE List IS NULL OR Name = 5"), S_OK);
}

TEST_F(WhereEvaluationTest, ValidationRefusesUnknownPropertiesAndUnsuitableComparisons)
{
    instance_->String(u"Name", u"x").Int(u"Count", 1).Bool(u"Flag", true).StringArray(u"List");
    const HRESULT invalid = AsHresult(WBEM_E_INVALID_QUERY);
    EXPECT_EQ(Validate(u"SELECT Nme FROM C"), invalid);
    EXPECT_EQ(Validate(u"SELECT Name, __NOSUCH FROM C"), invalid);
    EXPECT_EQ(Validate(u"SELECT * FROM C WHERE Name = 'x' AND Nme = 'y'"), invalid);
    EXPECT_EQ(Validate(u"SELECT * FROM C WHERE NOT Missing IS NULL"), invalid);
    EXPECT_EQ(Validate(u"SELECT * FROM C WHERE Flag < TRUE"), invalid);
    EXPECT_EQ(Validate(u"SELECT * FROM C WHERE Flag = 'maybe'"), invalid);
    EXPECT_EQ(Validate(u"SELECT * FROM C WHERE Count = 'many'"), invalid);
    EXPECT_EQ(Validate(u"SELECT * FROM C WHERE List = 'a'"), invalid);

    instance_->failGetWith = AsHresult(WBEM_E_ACCESS_DENIED);
    EXPECT_EQ(Validate(u"SELECT Name FROM C"), AsHresult(WBEM_E_ACCESS_DENIED));
}

}  // namespace
