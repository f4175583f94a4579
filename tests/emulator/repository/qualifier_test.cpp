// Qualifier sets of classes and properties: values of every qualifier type, CIMTYPE, flavors.
#include "repository_fixture.h"

namespace {

class QualifierTest : public RepositoryTest {
protected:
    struct SetPtr {
        IWbemQualifierSet* set = nullptr;
        ~SetPtr()
        {
            if (set != nullptr) {
                set->Release();
            }
        }
    };
};

TEST_F(QualifierTest, PropertyQualifiersOfEveryValueType)
{
    ObjectPtr full = Instance(u"Test_AllTypes", u"full");
    SetPtr qualifiers;
    ASSERT_HR(WBEM_S_NO_ERROR, full->GetPropertyQualifierSet(u"SInt32Value", &qualifiers.set));

    Var flag;
    ASSERT_HR(WBEM_S_NO_ERROR, qualifiers.set->Get(u"read", 0, flag.get(), nullptr));
    EXPECT_EQ(VT_BOOL, flag.vt());
    EXPECT_EQ(VARIANT_TRUE, V_BOOL(flag.get()));

    Var number;
    ASSERT_HR(WBEM_S_NO_ERROR, qualifiers.set->Get(u"MinValue", 0, number.get(), nullptr));
    EXPECT_EQ(VT_I4, number.vt());
    EXPECT_EQ(-1000, V_I4(number.get()));

    Var real;
    ASSERT_HR(WBEM_S_NO_ERROR, qualifiers.set->Get(u"Scale", 0, real.get(), nullptr));
    EXPECT_EQ(VT_R8, real.vt());
    EXPECT_EQ(2.5, V_R8(real.get()));

    Var text;
    ASSERT_HR(WBEM_S_NO_ERROR, qualifiers.set->Get(u"description", 0, text.get(), nullptr));
    EXPECT_EQ(u"A signed 32-bit value", Text(V_BSTR(text.get())));

    Var strings;
    ASSERT_HR(WBEM_S_NO_ERROR, qualifiers.set->Get(u"Values", 0, strings.get(), nullptr));
    EXPECT_EQ(VT_ARRAY | VT_BSTR, strings.vt());
    LONG upper = 0;
    SafeArrayGetUBound(V_ARRAY(strings.get()), 1, &upper);
    EXPECT_EQ(2, upper);

    Var numbers;
    ASSERT_HR(WBEM_S_NO_ERROR, qualifiers.set->Get(u"BitValues", 0, numbers.get(), nullptr));
    EXPECT_EQ(VT_ARRAY | VT_I4, numbers.vt());
}

TEST_F(QualifierTest, EveryPropertyCarriesItsCimType)
{
    ObjectPtr cls = Class(u"Test_AllTypes");
    const std::pair<const char16_t*, const char16_t*> expected[] = {
        {u"UInt16Value", u"uint16"},
        {u"ReferenceValue", u"ref:Test_Keyed"},
        {u"TypedObjectValue", u"object:Test_Keyed"},
        {u"DatetimeArray", u"datetime"},
    };
    for (const auto& [property, cimType] : expected) {
        SetPtr qualifiers;
        ASSERT_HR(WBEM_S_NO_ERROR, cls->GetPropertyQualifierSet(property, &qualifiers.set));
        Var text;
        ASSERT_HR(WBEM_S_NO_ERROR, qualifiers.set->Get(u"CIMTYPE", 0, text.get(), nullptr));
        EXPECT_EQ(cimType, Text(V_BSTR(text.get())));
    }
}

TEST_F(QualifierTest, KeyQualifierMarksKeysOnly)
{
    ObjectPtr cls = Class(u"Test_Keyed");
    SetPtr name;
    ASSERT_HR(WBEM_S_NO_ERROR, cls->GetPropertyQualifierSet(u"Name", &name.set));
    EXPECT_HR(WBEM_S_NO_ERROR, name.set->Get(u"key", 0, nullptr, nullptr));
    SetPtr size;
    ASSERT_HR(WBEM_S_NO_ERROR, cls->GetPropertyQualifierSet(u"Size", &size.set));
    Var value;
    EXPECT_HR(WBEM_E_NOT_FOUND, size.set->Get(u"key", 0, value.get(), nullptr));
    EXPECT_HR(WBEM_S_NO_ERROR, size.set->Get(u"write", 0, nullptr, nullptr));
}

TEST_F(QualifierTest, UnknownPropertyOrQualifierIsNotFound)
{
    ObjectPtr cls = Class(u"Test_Keyed");
    SetPtr none;
    EXPECT_HR(WBEM_E_NOT_FOUND, cls->GetPropertyQualifierSet(u"Missing", &none.set));
    EXPECT_EQ(nullptr, none.set);
    EXPECT_HR(WBEM_E_SYSTEM_PROPERTY, cls->GetPropertyQualifierSet(u"__CLASS", &none.set));
}

TEST_F(QualifierTest, ClassQualifiersAndInheritance)
{
    ObjectPtr singleton = Class(u"Test_Singleton");
    SetPtr own;
    ASSERT_HR(WBEM_S_NO_ERROR, singleton->GetQualifierSet(&own.set));
    EXPECT_HR(WBEM_S_NO_ERROR, own.set->Get(u"singleton", 0, nullptr, nullptr));

    // A subclass sees the propagated key qualifier of an inherited property.
    ObjectPtr child = Class(u"Test_KeyedChild");
    SetPtr inherited;
    ASSERT_HR(WBEM_S_NO_ERROR, child->GetPropertyQualifierSet(u"Name", &inherited.set));
    LONG flavor = 0;
    ASSERT_HR(WBEM_S_NO_ERROR, inherited.set->Get(u"key", 0, nullptr, &flavor));
    EXPECT_NE(0, flavor & WBEM_FLAVOR_ORIGIN_PROPAGATED);
}

TEST_F(QualifierTest, EnumerationVisitsEveryQualifier)
{
    ObjectPtr cls = Class(u"Test_Keyed");
    SetPtr qualifiers;
    ASSERT_HR(WBEM_S_NO_ERROR, cls->GetPropertyQualifierSet(u"Name", &qualifiers.set));
    ASSERT_HR(WBEM_S_NO_ERROR, qualifiers.set->BeginEnumeration(0));
    std::vector<std::u16string> names;
    for (;;) {
        BSTR name = nullptr;
        const HRESULT hr = qualifiers.set->Next(0, &name, nullptr, nullptr);
        if (hr != WBEM_S_NO_ERROR) {
            EXPECT_HR(WBEM_S_NO_MORE_DATA, hr);
            break;
        }
        names.push_back(Text(name));
        SysFreeString(name);
    }
    EXPECT_EQ((std::vector<std::u16string>{u"CIMTYPE", u"key", u"read", u"Description"}), names);
}

}  // namespace
