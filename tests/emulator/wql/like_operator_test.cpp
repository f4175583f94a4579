#include <gtest/gtest.h>

#include <string>

#include "value_class_object.h"
#include "NoLeaks.h"
#include "test_text.h"
#include "wql/query.h"

namespace {

using wqltest::FakeRef;

struct LikeCase {
    const char16_t* value;
    const char16_t* pattern;  // as written inside single quotes in the query
    bool matches;
};

class LikeOperatorTest : public NoLeaks {
protected:
    bool Like(const char16_t* value, const char16_t* pattern)
    {
        FakeRef instance;
        instance->String(u"Name", value);
        return MatchesOn(instance, std::u16string(u"Name LIKE '") + pattern + u"'");
    }

    static bool MatchesOn(const FakeRef& instance, const std::u16string& condition)
    {
        pal::wql::Query query;
        EXPECT_EQ(pal::wql::ParseQuery(u"SELECT * FROM C WHERE " + condition, query), S_OK)
            << wqltest::Narrow(condition);
        bool matches = false;
        EXPECT_EQ(pal::wql::EvaluateWhere(query, instance.get(), matches), S_OK);
        return matches;
    }

    void Check(std::initializer_list<LikeCase> cases)
    {
        for (const LikeCase& c : cases) {
            EXPECT_EQ(Like(c.value, c.pattern), c.matches)
                << "'" << wqltest::Narrow(c.value) << "' LIKE '" << wqltest::Narrow(c.pattern) << "'";
        }
    }
};

TEST_F(LikeOperatorTest, PercentMatchesAnyRunIncludingNone)
{
    Check({{u"Win32_Process", u"%Win32%", true},
           {u"Win32_Process", u"Win32%", true},
           {u"Win32_Process", u"%Process", true},
           {u"Win32_Process", u"%Service", false},
           {u"", u"%", true},
           {u"", u"%%", true},
           {u"abc", u"a%%c", true},
           {u"aaab", u"%a%b", true},
           {u"mississippi", u"%issip%", true},
           {u"mississippi", u"m%ss%pp_", true},
           {u"abcabd", u"%ab_", true},
           {u"abcabe", u"%abd", false}});
}

TEST_F(LikeOperatorTest, UnderscoreMatchesExactlyOneCharacter)
{
    Check({{u"cat", u"c_t", true},
           {u"ct", u"c_t", false},
           {u"caat", u"c_t", false},
           {u"", u"_", false},
           {u"ab", u"__", true}});
}

TEST_F(LikeOperatorTest, WholeTextMustMatchAndCaseIsIgnored)
{
    Check({{u"abc", u"abc", true},
           {u"abcd", u"abc", false},
           {u"abc", u"abcd", false},
           {u"ABC", u"abc", true},
           {u"Explorer.EXE", u"%.exe", true},
           {u"\u00C4pfel", u"\u00E4%", true}});
}

TEST_F(LikeOperatorTest, BracketsMatchSetsRangesAndTheirNegation)
{
    Check({{u"c", u"[a-f]", true},
           {u"C", u"[a-f]", true},
           {u"c", u"[A-F]", true},
           {u"g", u"[a-f]", false},
           {u"b", u"[abc]", true},
           {u"d", u"[abc]", false},
           {u"y", u"[a-cx-z]", true},
           {u"m", u"[a-cx-z]", false},
           {u"x", u"[^abc]", true},
           {u"a", u"[^abc]", false},
           {u"A", u"[^abc]", false},
           {u"m", u"[^a-f]", true},
           {u"e", u"[^a-f]", false},
           {u"disk1", u"disk[0-9]", true},
           {u"diskA", u"disk[0-9]", false},
           {u"disk10", u"disk[0-9]", false}});
}

TEST_F(LikeOperatorTest, BracketsMakeWildcardsAndSpecialCharactersLiteral)
{
    Check({{u"__CLASS", u"%[_][_]%", true},
           {u"_CLASS", u"%[_][_]%", false},
           {u"Win32_Process", u"Win32[_]%", true},
           {u"Win32XProcess", u"Win32[_]%", false},
           {u"100%", u"100[%]", true},
           {u"1000", u"100[%]", false},
           {u"]", u"[]]", true},
           {u"-", u"[a-]", true},
           {u"b", u"[a-]", false},
           {u"^", u"[x^]", true},
           {u"a.b*c+(d)", u"a.b*c+(d)", true},
           {u"axb", u"a.b", false},
           {u"C:\\Windows", u"C:\\\\%", true},
           {u"it's", u"it\\'s", true}});
}

TEST_F(LikeOperatorTest, NullNeverMatchesAndNotNegates)
{
    FakeRef instance;
    instance->Null(u"Name", CIM_STRING).String(u"Path", u"C:\\Temp");
    EXPECT_FALSE(MatchesOn(instance, u"Name LIKE '%'"));
    EXPECT_FALSE(MatchesOn(instance, u"NOT Path LIKE '%Temp'"));
    EXPECT_TRUE(MatchesOn(instance, u"NOT Path LIKE '%Windows%'"));
}

TEST_F(LikeOperatorTest, NumbersMatchByTheirDecimalText)
{
    FakeRef instance;
    instance->Int(u"ProcessId", 4242).String(u"Capacity", u"18446744073709551615", CIM_UINT64);
    EXPECT_TRUE(MatchesOn(instance, u"ProcessId LIKE '42%'"));
    EXPECT_FALSE(MatchesOn(instance, u"ProcessId LIKE '5%'"));
    EXPECT_TRUE(MatchesOn(instance, u"Capacity LIKE '%615'"));
}

}  // namespace
