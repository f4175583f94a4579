// Event queries look into the objects their events carry: WITHIN, `TargetInstance.Name` and
// `TargetInstance ISA 'Class'`.
#include <gtest/gtest.h>

#include <string>

#include "value_class_object.h"
#include "NoLeaks.h"
#include "test_text.h"
#include "wql/query.h"

namespace {

using pal::wql::AsHresult;
using pal::wql::Expression;
using pal::wql::Query;
using wqltest::FakeRef;

TEST(WithinTest, PollingIntervalInSecondsStandsBeforeWhere)
{
    Query query;
    ASSERT_EQ(pal::wql::ParseQuery(u"SELECT * FROM __InstanceCreationEvent WITHIN 2 WHERE A = 1", query),
              S_OK);
    EXPECT_EQ(query.className, u"__InstanceCreationEvent");
    EXPECT_DOUBLE_EQ(query.within, 2.0);
    EXPECT_TRUE(query.HasWithin());
    ASSERT_NE(query.where, nullptr);

    ASSERT_EQ(pal::wql::ParseQuery(u"select * from E within 0.25", query), S_OK);
    EXPECT_DOUBLE_EQ(query.within, 0.25);
    ASSERT_EQ(pal::wql::ParseQuery(u"SELECT * FROM E", query), S_OK);
    EXPECT_FALSE(query.HasWithin());
}

TEST(WithinTest, IntervalMustBeAPositiveNumberBeforeWhere)
{
    const HRESULT invalid = AsHresult(WBEM_E_INVALID_QUERY);
    for (const char16_t* text :
         {u"SELECT * FROM E WITHIN", u"SELECT * FROM E WITHIN 0", u"SELECT * FROM E WITHIN -1",
          u"SELECT * FROM E WITHIN 'two'", u"SELECT * FROM E WHERE A = 1 WITHIN 2",
          u"SELECT * FROM E WITHIN 1 2", u"SELECT * FROM Within"}) {
        Query query;
        EXPECT_EQ(pal::wql::ParseQuery(text, query), invalid) << wqltest::Narrow(text);
        EXPECT_FALSE(query.HasWithin());
    }
}

TEST(PropertyPathTest, DottedNamesAndIsaParse)
{
    Query query;
    ASSERT_EQ(pal::wql::ParseQuery(u"SELECT * FROM E WHERE TargetInstance ISA \"Win32_Process\" AND "
                                   u"'x' = TargetInstance . Name",
                                   query),
              S_OK);
    ASSERT_EQ(query.where->kind, Expression::Kind::And);
    EXPECT_EQ(query.where->left->kind, Expression::Kind::Isa);
    EXPECT_EQ(query.where->left->property, u"TargetInstance");
    EXPECT_EQ(query.where->left->constant.text, u"Win32_Process");
    EXPECT_EQ(query.where->right->kind, Expression::Kind::Compare);
    EXPECT_EQ(query.where->right->property, u"TargetInstance.Name");

    const HRESULT invalid = AsHresult(WBEM_E_INVALID_QUERY);
    for (const char16_t* text :
         {u"SELECT * FROM E WHERE TargetInstance ISA Win32_Process",
          u"SELECT * FROM E WHERE TargetInstance ISA ''", u"SELECT * FROM E WHERE A. = 1",
          u"SELECT * FROM E WHERE A.B.", u"SELECT * FROM E WHERE .A = 1", u"SELECT * FROM E WHERE A..B = 1",
          u"SELECT * FROM E WHERE 'C' ISA A"}) {
        EXPECT_EQ(pal::wql::ParseQuery(text, query), invalid) << wqltest::Narrow(text);
    }
}

class EmbeddedObjectTest : public NoLeaks {
protected:
    void SetUp() override
    {
        target_->String(u"Name", u"notepad.exe")
            .Int(u"ProcessId", 42)
            .Derives({u"CIM_Process", u"CIM_Thing"});
        target_->String(u"__CLASS", u"Win32_Process");
        event_->Object(u"TargetInstance", target_.get()).Null(u"PreviousInstance", CIM_OBJECT);
        event_->String(u"Label", u"plain");
    }

    bool Matches(const std::u16string& condition)
    {
        Query query;
        EXPECT_EQ(pal::wql::ParseQuery(u"SELECT * FROM E WHERE " + condition, query), S_OK);
        bool matches = false;
        EXPECT_EQ(pal::wql::EvaluateWhere(query, event_.get(), matches), S_OK) << wqltest::Narrow(condition);
        return matches;
    }

    HRESULT Validate(const std::u16string& condition)
    {
        Query query;
        EXPECT_EQ(pal::wql::ParseQuery(u"SELECT * FROM E WHERE " + condition, query), S_OK);
        return pal::wql::ValidateQuery(query, event_.get());
    }

    FakeRef target_;
    FakeRef event_;
};

TEST_F(EmbeddedObjectTest, PropertiesOfTheEmbeddedObjectAreCompared)
{
    EXPECT_TRUE(Matches(u"TargetInstance.Name = 'NOTEPAD.EXE'"));
    EXPECT_TRUE(Matches(u"TargetInstance.ProcessId > 40 AND TargetInstance.Name LIKE 'note%'"));
    EXPECT_FALSE(Matches(u"TargetInstance.ProcessId <> 42"));
    EXPECT_TRUE(Matches(u"TargetInstance.__CLASS = 'win32_process'"));
}

TEST_F(EmbeddedObjectTest, IsaMatchesTheClassAndItsAncestorsOnly)
{
    EXPECT_TRUE(Matches(u"TargetInstance ISA 'Win32_Process'"));
    EXPECT_TRUE(Matches(u"TargetInstance ISA 'cim_process'"));
    EXPECT_TRUE(Matches(u"TargetInstance ISA 'CIM_Thing'"));
    EXPECT_FALSE(Matches(u"TargetInstance ISA 'Win32_Service'"));
    EXPECT_TRUE(Matches(u"NOT TargetInstance ISA 'Win32_Service'"));
    // A NULL embedded object is of no class.
    EXPECT_FALSE(Matches(u"PreviousInstance ISA 'Win32_Process'"));
}

TEST_F(EmbeddedObjectTest, ThroughANullObjectOrAMissingPropertyTheValueIsNull)
{
    EXPECT_TRUE(Matches(u"PreviousInstance.Name IS NULL"));
    EXPECT_FALSE(Matches(u"PreviousInstance.Name = 'notepad.exe'"));
    EXPECT_FALSE(Matches(u"PreviousInstance.Name <> 'notepad.exe'"));
    // The embedded object may be of any class: a property it lacks is no error.
    EXPECT_TRUE(Matches(u"TargetInstance.Missing IS NULL"));
    EXPECT_TRUE(Matches(u"TargetInstance.Name.Deeper IS NULL"));
}

TEST_F(EmbeddedObjectTest, ValidationWantsAnObjectPropertyWhereTheQueryLooksInside)
{
    EXPECT_EQ(Validate(u"TargetInstance ISA 'Win32_Process' AND TargetInstance.Anything = 1"), S_OK);
    EXPECT_EQ(Validate(u"PreviousInstance.Name IS NULL"), S_OK);
    const HRESULT notAnObject = AsHresult(WBEM_E_PROPERTY_NOT_AN_OBJECT);
    EXPECT_EQ(Validate(u"Label ISA 'Win32_Process'"), notAnObject);
    EXPECT_EQ(Validate(u"Label.Length = 5"), notAnObject);
    EXPECT_EQ(Validate(u"__CLASS.Name = 'x'"), notAnObject);
    EXPECT_EQ(Validate(u"Missing.Name = 'x'"), AsHresult(WBEM_E_INVALID_QUERY));
    EXPECT_EQ(Validate(u"Missing ISA 'C'"), AsHresult(WBEM_E_INVALID_QUERY));
}

}  // namespace
