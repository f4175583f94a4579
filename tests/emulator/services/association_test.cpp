// ASSOCIATORS OF and REFERENCES OF over the associations of root\test (see test.mof): alpha uses
// beta, strongly depends on delta, gamma uses alpha, and alpha and beta belong to "team".
#include <algorithm>
#include <string>
#include <vector>

#include "emulator_test.h"

namespace services_test {
namespace {

using Names = std::vector<std::u16string>;

Names Sorted(Names names)
{
    std::sort(names.begin(), names.end());
    return names;
}

class AssociationTest : public TestNamespaceTest {
protected:
    std::vector<ComPtr<IWbemClassObject>> Objects(const std::u16string& wql)
    {
        HRESULT hr = E_FAIL;
        ComPtr<IEnumWbemClassObject> enumerator = Query(services_.Get(), wql.c_str(), hr);
        EXPECT_EQ(S_OK, hr) << Narrow(wql);
        return enumerator ? Drain(enumerator.Get()) : std::vector<ComPtr<IWbemClassObject>>{};
    }

    // A property of every result (relative paths by default), sorted.
    Names Found(const std::u16string& wql, const char16_t* property = u"__RELPATH")
    {
        Names names = Texts(Objects(wql), property);
        std::sort(names.begin(), names.end());
        return names;
    }

    HRESULT QueryResult(const std::u16string& wql)
    {
        HRESULT hr = E_FAIL;
        Query(services_.Get(), wql.c_str(), hr);
        return hr;
    }
};

const std::u16string kOfAlpha = u" OF {Test_Keyed.Name=\"alpha\"}";
const std::u16string kAlpha = u"Test_Keyed.Name=\"alpha\"";
const std::u16string kBeta = u"Test_Keyed.Name=\"beta\"";
const std::u16string kGamma = u"Test_Keyed.Name=\"gamma\"";
const std::u16string kDelta = u"Test_KeyedChild.Name=\"delta\"";
const std::u16string kTeam = u"Test_Group.Name=\"team\"";
const std::u16string kAlphaUsesBeta =
    u"Test_Link.Source=\"Test_Keyed.Name=\\\"alpha\\\"\",Target=\"Test_Keyed.Name=\\\"beta\\\"\"";
const std::u16string kAlphaNeedsDelta =
    u"Test_StrongLink.Source=\"Test_Keyed.Name=\\\"alpha\\\"\",Target=\"Test_Keyed.Name=\\\"delta\\\"\"";
const std::u16string kGammaUsesAlpha =
    u"Test_Link.Source=\"Test_Keyed.Name=\\\"gamma\\\"\",Target=\"Test_Keyed.Name=\\\"alpha\\\"\"";
const std::u16string kAlphaInTeam =
    u"Test_Membership.Group=\"Test_Group.Name=\\\"team\\\"\",Member=\"Test_Keyed.Name=\\\"alpha\\\"\"";

TEST_F(AssociationTest, AssociatorsAreTheWholeObjectsAtTheOtherEnds)
{
    EXPECT_EQ(Sorted({kBeta, kGamma, kDelta, kTeam}), Found(u"ASSOCIATORS" + kOfAlpha));
    // beta's label, gamma's NULL one, delta's, and none at all for the group.
    EXPECT_EQ(Sorted({u"<error>", u"<null>", u"child", u"second"}),
              Found(u"ASSOCIATORS" + kOfAlpha, u"Label"));
    const auto team = Objects(u"ASSOCIATORS" + kOfAlpha + u" WHERE ResultClass = Test_Group");
    ASSERT_EQ(1u, team.size());
    const std::u16string path = Text(team[0].Get(), u"__PATH");
    EXPECT_TRUE(path.starts_with(u"\\\\") && path.ends_with(u"\\root\\test:" + kTeam)) << Narrow(path);
}

TEST_F(AssociationTest, TheSourceIsFoundThroughItsOwnClassOrASuperclass)
{
    // delta is named by its association through its superclass; the query names it either way.
    EXPECT_EQ(Sorted({kAlpha}), Found(u"associators of {Test_KeyedChild.Name=\"delta\"}"));
    EXPECT_EQ(Sorted({kAlpha}), Found(u"ASSOCIATORS OF {Test_Keyed.Name='DELTA'}"));
    EXPECT_EQ(Sorted({kAlpha, kTeam}), Found(u"ASSOCIATORS OF {Test_Keyed=\"beta\"}"));
    EXPECT_EQ(Sorted({kAlpha, kBeta}), Found(u"ASSOCIATORS OF {\\\\.\\root\\test:" + kTeam + u"}"));
    EXPECT_EQ(Names{}, Found(u"ASSOCIATORS OF {Test_Singleton=@}"));
    EXPECT_EQ(Names{}, Found(u"REFERENCES OF {Test_MultiKey.K1=1,K2=\"one\"}"));
}

TEST_F(AssociationTest, EveryKeywordOfAssociatorsNarrowsTheResult)
{
    const std::u16string where = u"ASSOCIATORS" + kOfAlpha + u" WHERE ";
    EXPECT_EQ(Sorted({kBeta, kGamma, kDelta}), Found(where + u"AssocClass = Test_Link"));  // and its subclass
    EXPECT_EQ(Sorted({kDelta}), Found(where + u"AssocClass = test_stronglink"));
    EXPECT_EQ(Sorted({kTeam}), Found(where + u"AssocClass = Test_Membership"));
    EXPECT_EQ(Sorted({kBeta, kGamma, kDelta}), Found(where + u"ResultClass = Test_Keyed"));
    EXPECT_EQ(Sorted({kDelta}), Found(where + u"ResultClass = Test_KeyedChild"));
    EXPECT_EQ(Sorted({kBeta, kDelta}), Found(where + u"Role = Source"));
    EXPECT_EQ(Sorted({kGamma}), Found(where + u"Role = Target"));
    EXPECT_EQ(Sorted({kTeam}), Found(where + u"Role = Member"));
    EXPECT_EQ(Sorted({kGamma}), Found(where + u"ResultRole = Source"));
    EXPECT_EQ(Sorted({kTeam}), Found(where + u"ResultRole = Group"));
    EXPECT_EQ(Sorted({kTeam}), Found(where + u"RequiredQualifier = Container"));
    EXPECT_EQ(Sorted({kDelta}), Found(where + u"RequiredAssocQualifier = Strong"));
    EXPECT_EQ(Sorted({kBeta, kGamma, kDelta, kTeam}), Found(where + u"RequiredAssocQualifier = Association"));
    EXPECT_EQ(Sorted({kBeta, kDelta}),
              Found(where + u"Role = Source ResultRole = Target AssocClass = Test_Link "
                            u"ResultClass = Test_Keyed RequiredQualifier = Description"));
    EXPECT_EQ(Sorted({kDelta}), Found(where + u"RequiredAssocQualifier = Strong Role = Source"));
    EXPECT_EQ(Names{}, Found(where + u"ResultClass = Test_Group Role = Source"));
    EXPECT_EQ(Names{}, Found(where + u"AssocClass = No_Such_Class"));
}

TEST_F(AssociationTest, ReferencesAreTheAssociationsThemselves)
{
    const std::u16string where = u"REFERENCES" + kOfAlpha + u" WHERE ";
    EXPECT_EQ(Sorted({kAlphaNeedsDelta, kAlphaUsesBeta, kGammaUsesAlpha, kAlphaInTeam}),
              Found(u"REFERENCES" + kOfAlpha));
    EXPECT_EQ(Sorted({u"<error>", u"needs", u"uses", u"uses"}), Found(u"REFERENCES" + kOfAlpha, u"Kind"));
    EXPECT_EQ(Sorted({kAlphaNeedsDelta, kAlphaUsesBeta, kGammaUsesAlpha}),
              Found(where + u"ResultClass = Test_Link"));
    EXPECT_EQ(Sorted({kAlphaInTeam}), Found(where + u"ResultClass = Test_Membership"));
    EXPECT_EQ(Sorted({kGammaUsesAlpha}), Found(where + u"Role = Target"));
    EXPECT_EQ(Sorted({kAlphaNeedsDelta}), Found(where + u"RequiredQualifier = Strong"));
    EXPECT_EQ(Sorted({kAlphaNeedsDelta, kAlphaUsesBeta}),
              Found(where + u"Role = Source ResultClass = Test_Link"));
    EXPECT_EQ(Sorted({kAlphaInTeam,
                      u"Test_Membership.Group=\"Test_Group.Name=\\\"team\\\"\",Member=\"Test_Keyed.Name="
                      u"\\\"beta\\\"\""}),
              Found(u"REFERENCES OF {" + kTeam + u"}"));
}

TEST_F(AssociationTest, ClassDefsOnlyGivesEachClassOnce)
{
    const auto endpoints = Objects(u"ASSOCIATORS" + kOfAlpha + u" WHERE ClassDefsOnly");
    Names classes = Texts(endpoints, u"__CLASS");
    std::sort(classes.begin(), classes.end());
    EXPECT_EQ(Sorted({u"Test_Group", u"Test_Keyed", u"Test_KeyedChild"}), classes);
    for (const auto& object : endpoints) {
        EXPECT_EQ(u"1", Text(object.Get(), u"__GENUS")) << "a class, not an instance";
    }
    EXPECT_EQ(Sorted({u"Test_Keyed"}),
              Found(u"ASSOCIATORS" + kOfAlpha + u" WHERE ClassDefsOnly Role = Target", u"__CLASS"));
    EXPECT_EQ(Sorted({u"Test_Link", u"Test_Membership", u"Test_StrongLink"}),
              Found(u"REFERENCES" + kOfAlpha + u" WHERE ClassDefsOnly", u"__CLASS"));
    EXPECT_EQ(
        (Names{u"Test_StrongLink"}),
        Found(u"REFERENCES" + kOfAlpha + u" WHERE ClassDefsOnly ResultClass = Test_StrongLink", u"__CLASS"));
}

TEST_F(AssociationTest, KeysOnlyFillsTheKeysAndKeepsThePaths)
{
    const auto endpoints = Objects(u"ASSOCIATORS" + kOfAlpha + u" WHERE KeysOnly ResultClass = Test_Keyed");
    ASSERT_EQ(3u, endpoints.size());
    for (const auto& endpoint : endpoints) {
        EXPECT_NE(u"<null>", Text(endpoint.Get(), u"Name"));
        EXPECT_EQ(u"<error>", Text(endpoint.Get(), u"Label")) << "only the keys";
        EXPECT_NE(u"<null>", Text(endpoint.Get(), u"__PATH"));
    }
    const auto links = Objects(u"REFERENCES" + kOfAlpha + u" WHERE KeysOnly Role = Target");
    ASSERT_EQ(1u, links.size());
    EXPECT_EQ(kGammaUsesAlpha, Text(links[0].Get(), u"__RELPATH"));
    EXPECT_EQ(u"<error>", Text(links[0].Get(), u"Kind"));
}

TEST_F(AssociationTest, AClassPathAsksTheSchema)
{
    EXPECT_EQ(Sorted({u"Test_Group", u"Test_Keyed"}),
              Found(u"ASSOCIATORS OF {Test_Keyed} WHERE SchemaOnly", u"__CLASS"));
    // A subclass takes part in its superclass's associations.
    EXPECT_EQ(Sorted({u"Test_Group", u"Test_Keyed"}), Found(u"ASSOCIATORS OF {Test_KeyedChild}", u"__CLASS"));
    EXPECT_EQ(
        (Names{u"Test_Group"}),
        Found(u"ASSOCIATORS OF {Test_Keyed} WHERE SchemaOnly AssocClass = Test_Membership", u"__CLASS"));
    EXPECT_EQ(Sorted({u"Test_Keyed"}), Found(u"ASSOCIATORS OF {Test_Group} WHERE SchemaOnly", u"__CLASS"));
    EXPECT_EQ(Sorted({u"Test_Link", u"Test_Membership", u"Test_StrongLink"}),
              Found(u"REFERENCES OF {Test_Keyed} WHERE SchemaOnly", u"__CLASS"));
    EXPECT_EQ(Sorted({u"Test_Membership"}),
              Found(u"REFERENCES OF {Test_Keyed} WHERE SchemaOnly Role = Member", u"__CLASS"));
    EXPECT_EQ(Names{}, Found(u"REFERENCES OF {Test_Singleton} WHERE SchemaOnly", u"__CLASS"));
}

TEST_F(AssociationTest, MalformedOrUnanswerableQueriesGiveWmisCodes)
{
    EXPECT_EQ(WBEM_E_INVALID_QUERY, QueryResult(u"ASSOCIATORS OF Test_Keyed.Name=\"alpha\""));
    EXPECT_EQ(WBEM_E_INVALID_QUERY, QueryResult(u"ASSOCIATORS" + kOfAlpha + u" WHERE ResultClass"));
    EXPECT_EQ(WBEM_E_INVALID_QUERY,
              QueryResult(u"ASSOCIATORS" + kOfAlpha + u" WHERE ClassDefsOnly ResultClass = X"));
    EXPECT_EQ(WBEM_E_INVALID_QUERY, QueryResult(u"REFERENCES" + kOfAlpha + u" WHERE AssocClass = Test_Link"));
    EXPECT_EQ(WBEM_E_INVALID_QUERY, QueryResult(u"ASSOCIATORS" + kOfAlpha + u" WHERE SchemaOnly"));
    EXPECT_EQ(WBEM_E_INVALID_OBJECT_PATH, QueryResult(u"ASSOCIATORS OF {Test_Keyed.Name=}"));
    EXPECT_EQ(WBEM_E_NOT_FOUND, QueryResult(u"ASSOCIATORS OF {Test_Keyed.Name=\"omega\"}"));
    EXPECT_EQ(WBEM_E_NOT_FOUND, QueryResult(u"REFERENCES OF {No_Such_Class}"));
    EXPECT_EQ(WBEM_E_INVALID_NAMESPACE,
              QueryResult(u"REFERENCES OF {\\\\.\\root\\nowhere:Test_Keyed=\"alpha\"}"));
}

}  // namespace
}  // namespace services_test
