#include <gtest/gtest.h>

#include <string>

#include "NoLeaks.h"
#include "test_text.h"
#include "wql/association_query.h"
#include "wql/status.h"

namespace {

using pal::wql::AsHresult;
using pal::wql::AssociationQuery;

class AssociationQueryTest : public NoLeaks {
protected:
    AssociationQuery Parsed(const std::u16string& text)
    {
        AssociationQuery query;
        EXPECT_EQ(pal::wql::ParseAssociationQuery(text, query), S_OK) << wqltest::Narrow(text);
        return query;
    }
};

TEST_F(AssociationQueryTest, StatementsAreToldFromSelects)
{
    EXPECT_TRUE(pal::wql::IsAssociationQuery(u"ASSOCIATORS OF {A.Name=\"x\"}"));
    EXPECT_TRUE(pal::wql::IsAssociationQuery(u"\r\n  references of{A}"));
    EXPECT_FALSE(pal::wql::IsAssociationQuery(u"SELECT * FROM Associators"));
    EXPECT_FALSE(pal::wql::IsAssociationQuery(u"AssociatorsOf {A}"));
    EXPECT_FALSE(pal::wql::IsAssociationQuery(u""));
}

TEST_F(AssociationQueryTest, PathIsTakenWholeQuotedBracesIncluded)
{
    const AssociationQuery plain = Parsed(u"associators of { Test_Keyed.Name=\"alpha\" }");
    EXPECT_EQ(plain.kind, AssociationQuery::Kind::Associators);
    EXPECT_EQ(plain.objectPath, u"Test_Keyed.Name=\"alpha\"");

    const AssociationQuery braces = Parsed(u"REFERENCES OF {C.K=\"a}b\\\"}\",L='}'} WHERE KeysOnly");
    EXPECT_EQ(braces.kind, AssociationQuery::Kind::References);
    EXPECT_EQ(braces.objectPath, u"C.K=\"a}b\\\"}\",L='}'");
    EXPECT_TRUE(braces.keysOnly);

    const AssociationQuery full = Parsed(u"ASSOCIATORS OF {\\\\.\\root\\test:Test_Keyed.Name=\"alpha\"}");
    EXPECT_EQ(full.objectPath, u"\\\\.\\root\\test:Test_Keyed.Name=\"alpha\"");
}

TEST_F(AssociationQueryTest, EveryKeywordOfAssociatorsInAnyOrderAndCase)
{
    const AssociationQuery query = Parsed(
        u"ASSOCIATORS OF {A} WHERE resultrole = Target AssocClass=Test_Link ROLE = Source "
        u"RequiredQualifier = Important RequiredAssocQualifier=Association KeysOnly ResultClass = B");
    EXPECT_EQ(query.assocClass, u"Test_Link");
    EXPECT_EQ(query.resultClass, u"B");
    EXPECT_EQ(query.role, u"Source");
    EXPECT_EQ(query.resultRole, u"Target");
    EXPECT_EQ(query.requiredQualifier, u"Important");
    EXPECT_EQ(query.requiredAssocQualifier, u"Association");
    EXPECT_TRUE(query.keysOnly);
    EXPECT_FALSE(query.classDefsOnly);
    EXPECT_FALSE(query.schemaOnly);

    EXPECT_TRUE(Parsed(u"ASSOCIATORS OF {A} WHERE ClassDefsOnly").classDefsOnly);
    EXPECT_TRUE(Parsed(u"ASSOCIATORS OF {A} WHERE SchemaOnly AssocClass = L").schemaOnly);
    const AssociationQuery references =
        Parsed(u"REFERENCES OF {A} WHERE ResultClass = L Role = Source RequiredQualifier = Q ClassDefsOnly");
    EXPECT_EQ(references.resultClass, u"L");
    EXPECT_EQ(references.role, u"Source");
    EXPECT_EQ(references.requiredQualifier, u"Q");
    EXPECT_TRUE(references.classDefsOnly);
}

TEST_F(AssociationQueryTest, MalformedStatementsAreInvalidQueries)
{
    const HRESULT invalid = AsHresult(WBEM_E_INVALID_QUERY);
    for (const char16_t* text : {
             u"ASSOCIATORS {A}",                                         // no OF
             u"ASSOCIATORS OF A",                                        // no braces
             u"ASSOCIATORS OF {A",                                       // unclosed
             u"ASSOCIATORS OF {A.K=\"}",                                 // unclosed quote
             u"ASSOCIATORS OF {}",                                       // empty path
             u"ASSOCIATORS OF {  }",                                     //
             u"ASSOCIATORS OF {A} WHERE",                                // nothing after WHERE
             u"ASSOCIATORS OF {A} ResultClass = B",                      // no WHERE
             u"ASSOCIATORS OF {A} WHERE ResultClass",                    // no value
             u"ASSOCIATORS OF {A} WHERE ResultClass = 'B'",              // a quoted value
             u"ASSOCIATORS OF {A} WHERE ResultClass = B AND Role = C",   // AND between keywords
             u"ASSOCIATORS OF {A} WHERE ResultClass = B, Role = C",      // commas
             u"ASSOCIATORS OF {A} WHERE Role = B Role = C",              // twice
             u"ASSOCIATORS OF {A} WHERE KeysOnly KeysOnly",              //
             u"ASSOCIATORS OF {A} WHERE Colour = Red",                   // unknown keyword
             u"ASSOCIATORS OF {A} WHERE ClassDefsOnly ResultClass = B",  // exclusive
             u"ASSOCIATORS OF {A} WHERE ClassDefsOnly SchemaOnly",       //
             u"REFERENCES OF {A} WHERE AssocClass = L",                  // not for REFERENCES
             u"REFERENCES OF {A} WHERE ResultRole = R",                  //
             u"REFERENCES OF {A} WHERE RequiredAssocQualifier = Q",      //
             u"REFERENCES OF {A} trailing",                              //
             u"SELECT * FROM A",                                         //
         }) {
        AssociationQuery query;
        query.keysOnly = true;
        EXPECT_EQ(pal::wql::ParseAssociationQuery(text, query), invalid) << wqltest::Narrow(text);
        EXPECT_TRUE(query.objectPath.empty());
        EXPECT_FALSE(query.keysOnly);
    }
}

}  // namespace
