// ExecQuery: WQL selection over the repository, projections and the errors WMI gives.
#include <algorithm>

#include "emulator_test.h"
#include "repository/repository.h"
#include "test_mof.h"

namespace services_test {
namespace {

class QueryTest : public ItemsTest {
protected:
    // The names of the items a query selects, sorted.
    std::vector<std::u16string> Select(const char16_t* wql)
    {
        HRESULT hr = E_FAIL;
        ComPtr<IEnumWbemClassObject> enumerator = Query(services_.Get(), wql, hr);
        EXPECT_EQ(S_OK, hr) << Narrow(wql);
        if (!enumerator) {
            return {};
        }
        std::vector<std::u16string> names = Texts(Drain(enumerator.Get()), u"Name");
        std::sort(names.begin(), names.end());
        return names;
    }

    HRESULT QueryResult(const char16_t* wql, const char16_t* language = u"WQL")
    {
        OwnedBstr languageText(language), text(wql);
        ComPtr<IEnumWbemClassObject> enumerator;
        const HRESULT hr = services_->ExecQuery(languageText.Get(), text.Get(), WBEM_FLAG_FORWARD_ONLY,
                                                nullptr, enumerator.Put());
        EXPECT_EQ(SUCCEEDED(hr), static_cast<bool>(enumerator));
        return hr;
    }
};

using Names = std::vector<std::u16string>;

TEST_F(QueryTest, FromClassIncludesSubclassInstances)
{
    EXPECT_EQ((Names{u"alpha", u"beta", u"delta", u"gamma_1"}), Select(u"SELECT * FROM Svc_Item"));
    EXPECT_EQ((Names{u"delta"}), Select(u"select * from SVC_SPECIALITEM"));
}

TEST_F(QueryTest, ComparisonsAndLogic)
{
    EXPECT_EQ((Names{u"beta"}), Select(u"SELECT * FROM Svc_Item WHERE Size = 20"));
    EXPECT_EQ((Names{u"alpha", u"delta", u"gamma_1"}), Select(u"SELECT * FROM Svc_Item WHERE Size <> 20"));
    EXPECT_EQ((Names{u"alpha", u"delta", u"gamma_1"}), Select(u"SELECT * FROM Svc_Item WHERE Size != 20"));
    EXPECT_EQ((Names{u"alpha", u"beta"}), Select(u"SELECT * FROM Svc_Item WHERE Size < 30"));
    EXPECT_EQ((Names{u"alpha", u"beta", u"gamma_1"}), Select(u"SELECT * FROM Svc_Item WHERE Size <= 30"));
    EXPECT_EQ((Names{u"delta"}), Select(u"SELECT * FROM Svc_Item WHERE Size > 30"));
    EXPECT_EQ((Names{u"delta", u"gamma_1"}), Select(u"SELECT * FROM Svc_Item WHERE Size >= 30"));
    EXPECT_EQ((Names{u"alpha"}), Select(u"SELECT * FROM Svc_Item WHERE name = 'ALPHA'"));
    EXPECT_EQ((Names{u"alpha", u"gamma_1"}), Select(u"SELECT * FROM Svc_Item WHERE Enabled = TRUE"));
    EXPECT_EQ((Names{u"alpha", u"delta"}),
              Select(u"SELECT * FROM Svc_Item WHERE (Size < 15 OR Size > 35) AND NOT Name = 'x'"));
    EXPECT_EQ((Names{u"beta", u"gamma_1"}),
              Select(u"SELECT * FROM Svc_Item WHERE NOT (Size < 15 OR Size > 35)"));
}

TEST_F(QueryTest, LikePatterns)
{
    EXPECT_EQ((Names{u"alpha"}), Select(u"SELECT * FROM Svc_Item WHERE Name LIKE 'a%'"));
    EXPECT_EQ((Names{u"beta"}), Select(u"SELECT * FROM Svc_Item WHERE Name LIKE '_eta'"));
    EXPECT_EQ((Names{u"beta", u"delta"}), Select(u"SELECT * FROM Svc_Item WHERE Name LIKE '[bd]%'"));
    EXPECT_EQ((Names{u"gamma_1"}), Select(u"SELECT * FROM Svc_Item WHERE Name LIKE '%[_]%'"));
    EXPECT_EQ((Names{u"gamma_1"}), Select(u"SELECT * FROM Svc_Item WHERE Label LIKE '%[%]%'"));
    EXPECT_EQ((Names{u"delta"}), Select(u"SELECT * FROM Svc_Item WHERE Label LIKE '[[]x]'"));
}

TEST_F(QueryTest, NullRules)
{
    EXPECT_EQ((Names{u"beta"}), Select(u"SELECT * FROM Svc_Item WHERE Label IS NULL"));
    EXPECT_EQ((Names{u"alpha", u"delta", u"gamma_1"}),
              Select(u"SELECT * FROM Svc_Item WHERE Label IS NOT NULL"));
    // A comparison with a NULL value is false, with either operator.
    EXPECT_EQ((Names{u"alpha"}), Select(u"SELECT * FROM Svc_Item WHERE Label = 'first'"));
    EXPECT_EQ((Names{u"delta", u"gamma_1"}), Select(u"SELECT * FROM Svc_Item WHERE Label <> 'first'"));
}

TEST_F(QueryTest, PropertyListLimitsTheReturnedObjects)
{
    HRESULT hr = E_FAIL;
    ComPtr<IEnumWbemClassObject> enumerator =
        Query(services_.Get(), u"SELECT Name, Size FROM Svc_Item WHERE Name = 'alpha'", hr);
    ASSERT_EQ(S_OK, hr);
    std::vector<ComPtr<IWbemClassObject>> objects = Drain(enumerator.Get());
    ASSERT_EQ(1u, objects.size());
    EXPECT_EQ(u"10", Text(objects[0].Get(), u"Size"));
    OwnedVariant label;
    EXPECT_EQ(WBEM_E_NOT_FOUND, objects[0]->Get(u"Label", 0, label.Address(), nullptr, nullptr));
}

TEST_F(QueryTest, ErrorsOfWmi)
{
    EXPECT_EQ(WBEM_E_INVALID_QUERY, QueryResult(u"SELECT FROM Svc_Item"));
    EXPECT_EQ(WBEM_E_INVALID_QUERY, QueryResult(u"SELECT * FROM Svc_Item WHERE (Size = 1"));
    EXPECT_EQ(WBEM_E_INVALID_CLASS, QueryResult(u"SELECT * FROM Svc_Nothing"));
    EXPECT_EQ(WBEM_E_INVALID_QUERY_TYPE, QueryResult(u"SELECT * FROM Svc_Item", u"SQL"));
    EXPECT_EQ(WBEM_E_INVALID_QUERY, QueryResult(u"SELECT Missing FROM Svc_Item"));
}

TEST_F(QueryTest, InjectedOutcomesOfExecQuery)
{
    PalWmiSetCallResult(PAL_WMI_EXEC_QUERY, 1, WBEM_E_ACCESS_DENIED);
    PalWmiSetCallResult(PAL_WMI_EXEC_QUERY, 2, WBEM_S_PARTIAL_RESULTS);
    EXPECT_EQ(WBEM_E_ACCESS_DENIED, QueryResult(u"SELECT * FROM Svc_Item"));
    HRESULT hr = E_FAIL;
    ComPtr<IEnumWbemClassObject> enumerator = Query(services_.Get(), u"SELECT * FROM Svc_Item", hr);
    EXPECT_EQ(WBEM_S_PARTIAL_RESULTS, hr);
    ASSERT_TRUE(enumerator);
    EXPECT_EQ(4u, Drain(enumerator.Get()).size());
}

// meta_class: the class objects of the namespace, selected by their system properties.
class SchemaQueryTest : public QueryTest {
protected:
    std::vector<ComPtr<IWbemClassObject>> Classes(const char16_t* wql)
    {
        HRESULT hr = E_FAIL;
        ComPtr<IEnumWbemClassObject> enumerator = Query(services_.Get(), wql, hr);
        EXPECT_EQ(S_OK, hr) << Narrow(wql);
        return enumerator ? Drain(enumerator.Get()) : std::vector<ComPtr<IWbemClassObject>>{};
    }

    static Names SortedClassNames(const std::vector<ComPtr<IWbemClassObject>>& classes)
    {
        Names names = Texts(classes, u"__CLASS");
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(SchemaQueryTest, WhereOnTheClassNameSelectsClassObjects)
{
    const auto classes = Classes(u"SELECT * FROM meta_class WHERE __CLASS LIKE 'svc[_]%'");
    EXPECT_EQ((Names{u"Svc_Item", u"Svc_Numbered", u"Svc_Pair", u"Svc_Settings", u"Svc_SpecialItem"}),
              SortedClassNames(classes));
    for (const auto& cls : classes) {
        EXPECT_EQ(u"1", Text(cls.Get(), u"__GENUS")) << "a class, not an instance";
    }
    // The class object lists its properties with their types, inherited ones included.
    const auto special = Classes(u"select * from META_CLASS where __CLASS = 'Svc_SpecialItem'");
    ASSERT_EQ(1u, special.size());
    CIMTYPE type = CIM_EMPTY;
    OwnedVariant value;
    ASSERT_EQ(WBEM_S_NO_ERROR, special[0]->Get(u"Size", 0, value.Address(), &type, nullptr));
    EXPECT_EQ(CIM_SINT32, type);
    EXPECT_EQ(VT_NULL, value.Type());
    EXPECT_EQ(u"<null>", Text(special[0].Get(), u"Extra"));
}

TEST_F(SchemaQueryTest, EveryClassWithoutWhereAndSuperclassesInWhere)
{
    std::vector<std::u16string> stored;
    ASSERT_EQ(S_OK, pal::wmi::LocalRepository()->ClassNames(u"root\\default", &stored));
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(stored, SortedClassNames(Classes(u"SELECT * FROM meta_class")));
    EXPECT_EQ((Names{u"Svc_SpecialItem"}),
              SortedClassNames(Classes(u"SELECT * FROM meta_class WHERE __SUPERCLASS = 'Svc_Item'")));
    EXPECT_EQ((Names{}),
              SortedClassNames(Classes(u"SELECT * FROM meta_class WHERE __CLASS = 'Svc_Nothing'")));
}

TEST_F(SchemaQueryTest, ASelectListOfSystemPropertiesProjects)
{
    const auto classes = Classes(u"SELECT __CLASS, __SUPERCLASS FROM meta_class WHERE __CLASS = 'Svc_Pair'");
    ASSERT_EQ(1u, classes.size());
    EXPECT_EQ(u"Svc_Pair", Text(classes[0].Get(), u"__CLASS"));
    OwnedVariant note;
    EXPECT_EQ(WBEM_E_NOT_FOUND, classes[0]->Get(u"Note", 0, note.Address(), nullptr, nullptr));
}

TEST_F(SchemaQueryTest, OnlySystemPropertiesMayBeNamed)
{
    EXPECT_EQ(WBEM_E_INVALID_QUERY, QueryResult(u"SELECT Name FROM meta_class"));
    EXPECT_EQ(WBEM_E_INVALID_QUERY, QueryResult(u"SELECT * FROM meta_class WHERE Name = 'alpha'"));
    EXPECT_EQ(WBEM_E_INVALID_QUERY,
              QueryResult(u"SELECT * FROM meta_class WHERE __CLASS = 'Svc_Item' OR NOT Size = 1"));
    EXPECT_EQ(WBEM_E_INVALID_QUERY, QueryResult(u"SELECT * FROM meta_class WHERE"));
}

}  // namespace
}  // namespace services_test
