// Get: WMI's automation mapping from CIM types to VARIANT tags, NULL values, system properties.
#include <cmath>

#include "repository_fixture.h"

namespace {

struct Expected {
    const char16_t* property;
    CIMTYPE cimType;
    VARTYPE tag;
};

class GetTest : public RepositoryTest {};

TEST_F(GetTest, ScalarsUseTheAutomationTagOfTheirCimType)
{
    const Expected table[] = {
        {u"SInt8Value", CIM_SINT8, VT_I2},           {u"UInt8Value", CIM_UINT8, VT_UI1},
        {u"SInt16Value", CIM_SINT16, VT_I2},         {u"UInt16Value", CIM_UINT16, VT_I4},
        {u"SInt32Value", CIM_SINT32, VT_I4},         {u"UInt32Value", CIM_UINT32, VT_I4},
        {u"SInt64Value", CIM_SINT64, VT_BSTR},       {u"UInt64Value", CIM_UINT64, VT_BSTR},
        {u"Real32Value", CIM_REAL32, VT_R4},         {u"Real64Value", CIM_REAL64, VT_R8},
        {u"BooleanValue", CIM_BOOLEAN, VT_BOOL},     {u"StringValue", CIM_STRING, VT_BSTR},
        {u"DatetimeValue", CIM_DATETIME, VT_BSTR},   {u"Char16Value", CIM_CHAR16, VT_I2},
        {u"ReferenceValue", CIM_REFERENCE, VT_BSTR}, {u"ObjectValue", CIM_OBJECT, VT_UNKNOWN},
    };
    ObjectPtr full = Instance(u"Test_AllTypes", u"full");
    for (const auto& row : table) {
        Var value;
        CIMTYPE type = 0;
        ASSERT_HR(WBEM_S_NO_ERROR, full->Get(row.property, 0, value.get(), &type, nullptr));
        EXPECT_EQ(row.tag, value.vt()) << Narrow(row.property);
        EXPECT_EQ(row.cimType, type);
        Var array;
        const std::u16string arrayName =
            std::u16string(row.property).substr(0, std::u16string(row.property).size() - 5) + u"Array";
        ASSERT_HR(WBEM_S_NO_ERROR, full->Get(arrayName.c_str(), 0, array.get(), &type, nullptr));
        EXPECT_EQ(VT_ARRAY | row.tag, array.vt()) << Narrow(arrayName);
        EXPECT_EQ(row.cimType | CIM_FLAG_ARRAY, type);
    }
}

TEST_F(GetTest, ValuesKeepTheirBitsInTheMappedTag)
{
    ObjectPtr full = Instance(u"Test_AllTypes", u"full");
    Var value;
    full->Get(u"SInt8Value", 0, value.get(), nullptr, nullptr);
    EXPECT_EQ(-8, V_I2(value.get()));
    value.Clear();
    full->Get(u"UInt8Value", 0, value.get(), nullptr, nullptr);
    EXPECT_EQ(200, V_UI1(value.get()));
    value.Clear();
    full->Get(u"UInt16Value", 0, value.get(), nullptr, nullptr);
    EXPECT_EQ(60000, V_I4(value.get()));
    value.Clear();
    // uint32 above the signed range comes back as the same 32 bits in a VT_I4.
    full->Get(u"UInt32Value", 0, value.get(), nullptr, nullptr);
    EXPECT_EQ(static_cast<LONG>(4000000000u), V_I4(value.get()));
    value.Clear();
    full->Get(u"SInt64Value", 0, value.get(), nullptr, nullptr);
    EXPECT_EQ(u"-9000000000000000000", Text(V_BSTR(value.get())));
    value.Clear();
    full->Get(u"UInt64Value", 0, value.get(), nullptr, nullptr);
    EXPECT_EQ(u"18000000000000000000", Text(V_BSTR(value.get())));
    value.Clear();
    full->Get(u"Real32Value", 0, value.get(), nullptr, nullptr);
    EXPECT_EQ(1.5f, V_R4(value.get()));
    value.Clear();
    full->Get(u"Real64Value", 0, value.get(), nullptr, nullptr);
    EXPECT_EQ(-2.25e10, V_R8(value.get()));
    value.Clear();
    full->Get(u"BooleanValue", 0, value.get(), nullptr, nullptr);
    EXPECT_EQ(VARIANT_TRUE, V_BOOL(value.get()));
    value.Clear();
    full->Get(u"Char16Value", 0, value.get(), nullptr, nullptr);
    EXPECT_EQ(u'Z', V_I2(value.get()));
    value.Clear();
    full->Get(u"StringValue", 0, value.get(), nullptr, nullptr);
    EXPECT_EQ(u"tab\there \"quoted\" \\ back", Text(V_BSTR(value.get())));
    value.Clear();
    full->Get(u"ReferenceValue", 0, value.get(), nullptr, nullptr);
    EXPECT_EQ(u"Test_Keyed.Name=\"alpha\"", Text(V_BSTR(value.get())));
}

TEST_F(GetTest, ArraysHoldEveryElementInOrder)
{
    ObjectPtr full = Instance(u"Test_AllTypes", u"full");
    Var value;
    ASSERT_HR(WBEM_S_NO_ERROR, full->Get(u"UInt32Array", 0, value.get(), nullptr, nullptr));
    LONG lower = -1;
    LONG upper = -1;
    SafeArrayGetLBound(V_ARRAY(value.get()), 1, &lower);
    SafeArrayGetUBound(V_ARRAY(value.get()), 1, &upper);
    EXPECT_EQ(0, lower);
    ASSERT_EQ(1, upper);
    LONG* data = nullptr;
    SafeArrayAccessData(V_ARRAY(value.get()), reinterpret_cast<void**>(&data));
    EXPECT_EQ(0, data[0]);
    EXPECT_EQ(-1, data[1]);
    SafeArrayUnaccessData(V_ARRAY(value.get()));

    Var strings;
    ASSERT_HR(WBEM_S_NO_ERROR, full->Get(u"StringArray", 0, strings.get(), nullptr, nullptr));
    BSTR* texts = nullptr;
    SafeArrayAccessData(V_ARRAY(strings.get()), reinterpret_cast<void**>(&texts));
    EXPECT_EQ(u"one", Text(texts[0]));
    EXPECT_EQ(u"", Text(texts[1]));
    EXPECT_EQ(u"three", Text(texts[2]));
    SafeArrayUnaccessData(V_ARRAY(strings.get()));

    Var booleans;
    ASSERT_HR(WBEM_S_NO_ERROR, full->Get(u"BooleanArray", 0, booleans.get(), nullptr, nullptr));
    VARIANT_BOOL* flags = nullptr;
    SafeArrayAccessData(V_ARRAY(booleans.get()), reinterpret_cast<void**>(&flags));
    EXPECT_EQ(VARIANT_TRUE, flags[0]);
    EXPECT_EQ(VARIANT_FALSE, flags[1]);
    SafeArrayUnaccessData(V_ARRAY(booleans.get()));
}

TEST_F(GetTest, EmbeddedObjectsAreInstancesOfTheirOwn)
{
    ObjectPtr full = Instance(u"Test_AllTypes", u"full");
    Var value;
    ASSERT_HR(WBEM_S_NO_ERROR, full->Get(u"ObjectValue", 0, value.get(), nullptr, nullptr));
    IWbemClassObject* embedded = nullptr;
    ASSERT_HR(
        S_OK,
        V_UNKNOWN(value.get())->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(&embedded)));
    ObjectPtr owner(embedded);
    EXPECT_EQ(u"embedded", StringProperty(embedded, u"Name"));
    EXPECT_EQ(u"Test_Keyed", StringProperty(embedded, u"__CLASS"));

    Var objects;
    ASSERT_HR(WBEM_S_NO_ERROR, full->Get(u"ObjectArray", 0, objects.get(), nullptr, nullptr));
    IUnknown** items = nullptr;
    SafeArrayAccessData(V_ARRAY(objects.get()), reinterpret_cast<void**>(&items));
    IWbemClassObject* second = nullptr;
    items[1]->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(&second));
    SafeArrayUnaccessData(V_ARRAY(objects.get()));
    ASSERT_NE(nullptr, second);
    ObjectPtr secondOwner(second);
    EXPECT_EQ(u"Test_KeyedChild", StringProperty(second, u"__CLASS"));
}

TEST_F(GetTest, UnsetValuesReadAsNull)
{
    ObjectPtr empty = Instance(u"Test_AllTypes", u"empty");
    for (const char16_t* name :
         {u"SInt32Value", u"StringValue", u"ObjectValue", u"SInt64Array", u"ObjectArray"}) {
        Var value;
        CIMTYPE type = 0;
        ASSERT_HR(WBEM_S_NO_ERROR, empty->Get(name, 0, value.get(), &type, nullptr));
        EXPECT_EQ(VT_NULL, value.vt());
        EXPECT_NE(0, type) << "the CIM type is known even for NULL";
    }
}

TEST_F(GetTest, UnknownNamesAreNotFound)
{
    ObjectPtr full = Instance(u"Test_AllTypes", u"full");
    Var value;
    EXPECT_HR(WBEM_E_NOT_FOUND, full->Get(u"NoSuchProperty", 0, value.get(), nullptr, nullptr));
    EXPECT_HR(WBEM_E_NOT_FOUND, full->Get(u"__NO_SUCH_SYSTEM", 0, value.get(), nullptr, nullptr));
    EXPECT_EQ(VT_EMPTY, value.vt());
}

TEST_F(GetTest, NamesCompareWithoutCase)
{
    ObjectPtr full = Instance(u"Test_AllTypes", u"FULL");
    EXPECT_EQ(u"full", StringProperty(full.Get(), u"name"));
    EXPECT_EQ(u"Test_AllTypes", StringProperty(full.Get(), u"__class"));
}

TEST_F(GetTest, SystemPropertiesOfAnInstanceFromTheRepository)
{
    ObjectPtr beta = Instance(u"Test_KeyedChild", u"delta");
    const std::u16string server = pal::wmi::LocalServerName();
    EXPECT_EQ(u"Test_KeyedChild", StringProperty(beta.Get(), u"__CLASS"));
    EXPECT_EQ(u"Test_Keyed", StringProperty(beta.Get(), u"__SUPERCLASS"));
    EXPECT_EQ(u"Test_Keyed", StringProperty(beta.Get(), u"__DYNASTY"));
    EXPECT_EQ(u"Test_KeyedChild.Name=\"delta\"", StringProperty(beta.Get(), u"__RELPATH"));
    EXPECT_EQ(u"root\\test", StringProperty(beta.Get(), u"__NAMESPACE"));
    EXPECT_EQ(server, StringProperty(beta.Get(), u"__SERVER"));
    EXPECT_EQ(u"\\\\" + server + u"\\root\\test:Test_KeyedChild.Name=\"delta\"",
              StringProperty(beta.Get(), u"__PATH"));
    Var genus;
    LONG flavor = 0;
    ASSERT_HR(WBEM_S_NO_ERROR, beta->Get(u"__GENUS", 0, genus.get(), nullptr, &flavor));
    EXPECT_EQ(WBEM_GENUS_INSTANCE, V_I4(genus.get()));
    EXPECT_EQ(WBEM_FLAVOR_ORIGIN_SYSTEM, flavor);
    Var derivation;
    ASSERT_HR(WBEM_S_NO_ERROR, beta->Get(u"__DERIVATION", 0, derivation.get(), nullptr, nullptr));
    EXPECT_EQ(VT_ARRAY | VT_BSTR, derivation.vt());
}

TEST_F(GetTest, SystemPropertiesOfClassesSingletonsAndMultipleKeys)
{
    ObjectPtr cls = Class(u"Test_Keyed");
    EXPECT_EQ(u"Test_Keyed", StringProperty(cls.Get(), u"__RELPATH"));
    Var genus;
    cls->Get(u"__GENUS", 0, genus.get(), nullptr, nullptr);
    EXPECT_EQ(WBEM_GENUS_CLASS, V_I4(genus.get()));
    Var superclass;
    cls->Get(u"__SUPERCLASS", 0, superclass.get(), nullptr, nullptr);
    EXPECT_EQ(VT_NULL, superclass.vt());

    std::vector<ObjectPtr> singletons;
    pal::wmi::LocalRepository()->Instances(u"root\\test", u"Test_Singleton", &singletons);
    ASSERT_EQ(1u, singletons.size());
    EXPECT_EQ(u"Test_Singleton=@", StringProperty(singletons[0].Get(), u"__RELPATH"));

    std::vector<ObjectPtr> pairs;
    pal::wmi::LocalRepository()->Instances(u"root\\test", u"Test_MultiKey", &pairs);
    ASSERT_EQ(2u, pairs.size());
    EXPECT_EQ(u"Test_MultiKey.K1=1,K2=\"one\"", StringProperty(pairs[0].Get(), u"__RELPATH"));
}

TEST_F(GetTest, FlavorTellsLocalFromInheritedProperties)
{
    ObjectPtr child = Class(u"Test_KeyedChild");
    LONG flavor = -1;
    ASSERT_HR(WBEM_S_NO_ERROR, child->Get(u"Extra", 0, nullptr, nullptr, &flavor));
    EXPECT_EQ(WBEM_FLAVOR_ORIGIN_LOCAL, flavor);
    ASSERT_HR(WBEM_S_NO_ERROR, child->Get(u"Size", 0, nullptr, nullptr, &flavor));
    EXPECT_EQ(WBEM_FLAVOR_ORIGIN_PROPAGATED, flavor);
}

}  // namespace
