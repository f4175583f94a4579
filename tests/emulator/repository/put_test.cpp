// Put with CIM type 0: the coercions WMI accepts and the values it refuses.
#include <pal/wmi_raw_values.h>

#include <cstring>

#include "repository_fixture.h"

namespace {

class PutTest : public RepositoryTest {
protected:
    void SetUp() override { instance_ = Spawn(u"Test_AllTypes"); }
    void TearDown() override
    {
        instance_.Reset();
        RepositoryTest::TearDown();
    }

    HRESULT PutNumber(const char16_t* name, VARTYPE tag, LONGLONG number)
    {
        Var value;
        V_VT(value.get()) = tag;
        V_I8(value.get()) = number;  // the low bytes serve the narrower tags
        if (tag == VT_R8) {
            V_R8(value.get()) = static_cast<double>(number);
        } else if (tag == VT_R4) {
            V_R4(value.get()) = static_cast<float>(number);
        }
        return instance_->Put(name, 0, value.get(), 0);
    }

    HRESULT PutText(const char16_t* name, const char16_t* text)
    {
        Var value;
        V_VT(value.get()) = VT_BSTR;
        V_BSTR(value.get()) = text == nullptr ? nullptr : SysAllocString(text);
        return instance_->Put(name, 0, value.get(), 0);
    }

    HRESULT PutArray(const char16_t* name, VARTYPE elementTag, const void* elements, ULONG count)
    {
        Var value;
        SAFEARRAY* array = SafeArrayCreateVector(elementTag, 0, count);
        void* data = nullptr;
        SafeArrayAccessData(array, &data);
        if (count > 0) {
            std::memcpy(data, elements, SafeArrayGetElemsize(array) * count);
        }
        SafeArrayUnaccessData(array);
        V_VT(value.get()) = VT_ARRAY | elementTag;
        V_ARRAY(value.get()) = array;
        return instance_->Put(name, 0, value.get(), 0);
    }

    LONG ReadI4(const char16_t* name)
    {
        Var value;
        EXPECT_HR(WBEM_S_NO_ERROR, instance_->Get(name, 0, value.get(), nullptr, nullptr));
        EXPECT_EQ(VT_I4, value.vt());
        return V_I4(value.get());
    }

    ObjectPtr instance_;
};

TEST_F(PutTest, IntegersOfAnyWidthWithinRange)
{
    EXPECT_HR(WBEM_S_NO_ERROR, PutNumber(u"SInt32Value", VT_I1, -5));
    EXPECT_EQ(-5, ReadI4(u"SInt32Value"));
    EXPECT_HR(WBEM_S_NO_ERROR, PutNumber(u"SInt32Value", VT_UI2, 65535));
    EXPECT_EQ(65535, ReadI4(u"SInt32Value"));
    EXPECT_HR(WBEM_S_NO_ERROR, PutNumber(u"SInt32Value", VT_INT, -7));
    EXPECT_EQ(-7, ReadI4(u"SInt32Value"));
    EXPECT_HR(WBEM_S_NO_ERROR, PutNumber(u"UInt16Value", VT_I4, 65535));
    EXPECT_EQ(65535, ReadI4(u"UInt16Value"));
    EXPECT_HR(WBEM_S_NO_ERROR, PutNumber(u"SInt32Value", VT_R8, 12));
    EXPECT_EQ(12, ReadI4(u"SInt32Value"));

    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutNumber(u"UInt8Value", VT_I4, 256));
    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutNumber(u"SInt8Value", VT_I4, 128));
    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutNumber(u"SInt16Value", VT_I4, -32769));
    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutNumber(u"SInt32Value", VT_I8, 0x80000000LL));
    EXPECT_EQ(12, ReadI4(u"SInt32Value")) << "a refused Put leaves the value alone";
}

TEST_F(PutTest, UnsignedPropertiesTakeNegativesAsTheirTwosComplement)
{
    EXPECT_HR(WBEM_S_NO_ERROR, PutNumber(u"UInt32Value", VT_I4, -1));
    EXPECT_EQ(-1, ReadI4(u"UInt32Value"));
    EXPECT_HR(WBEM_S_NO_ERROR, PutNumber(u"UInt8Value", VT_I1, -1));
    Var byte;
    instance_->Get(u"UInt8Value", 0, byte.get(), nullptr, nullptr);
    EXPECT_EQ(255, V_UI1(byte.get()));
    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutNumber(u"UInt8Value", VT_I4, -129));
}

TEST_F(PutTest, SixtyFourBitPropertiesTakeDecimalText)
{
    EXPECT_HR(WBEM_S_NO_ERROR, PutText(u"SInt64Value", u"-5"));
    EXPECT_EQ(u"-5", StringProperty(instance_.Get(), u"SInt64Value"));
    EXPECT_HR(WBEM_S_NO_ERROR, PutText(u"UInt64Value", u"18446744073709551615"));
    EXPECT_EQ(u"18446744073709551615", StringProperty(instance_.Get(), u"UInt64Value"));
    EXPECT_HR(WBEM_S_NO_ERROR, PutNumber(u"SInt64Value", VT_I4, 42));
    EXPECT_EQ(u"42", StringProperty(instance_.Get(), u"SInt64Value"));

    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutText(u"UInt64Value", u"18446744073709551616"));
    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutText(u"SInt64Value", u"12abc"));
    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutText(u"SInt32Value", u"12")) << "only 64-bit properties read text";
}

TEST_F(PutTest, RealsBooleansAndText)
{
    EXPECT_HR(WBEM_S_NO_ERROR, PutNumber(u"Real32Value", VT_I4, 16777217));
    Var real;
    instance_->Get(u"Real32Value", 0, real.get(), nullptr, nullptr);
    EXPECT_EQ(16777216.0f, V_R4(real.get()));
    Var huge;
    V_VT(huge.get()) = VT_R8;
    V_R8(huge.get()) = 1e300;
    EXPECT_HR(WBEM_E_TYPE_MISMATCH, instance_->Put(u"Real32Value", 0, huge.get(), 0));
    EXPECT_HR(WBEM_S_NO_ERROR, instance_->Put(u"Real64Value", 0, huge.get(), 0));

    Var flag;
    V_VT(flag.get()) = VT_BOOL;
    V_BOOL(flag.get()) = VARIANT_TRUE;
    EXPECT_HR(WBEM_S_NO_ERROR, instance_->Put(u"BooleanValue", 0, flag.get(), 0));
    EXPECT_HR(WBEM_E_TYPE_MISMATCH, instance_->Put(u"StringValue", 0, flag.get(), 0));
    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutNumber(u"StringValue", VT_I4, 1));
    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutText(u"BooleanValue", u"true"));

    EXPECT_HR(WBEM_S_NO_ERROR, PutText(u"DatetimeValue", u"20240102030405.000000+060"));
    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutText(u"DatetimeValue", u"yesterday"));
}

TEST_F(PutTest, NullClearsAndANullStringIsNull)
{
    PutText(u"StringValue", u"set");
    EXPECT_HR(WBEM_S_NO_ERROR, PutText(u"StringValue", nullptr));
    Var value;
    instance_->Get(u"StringValue", 0, value.get(), nullptr, nullptr);
    EXPECT_EQ(VT_NULL, value.vt());

    PutNumber(u"SInt32Value", VT_I4, 3);
    Var null;
    V_VT(null.get()) = VT_NULL;
    EXPECT_HR(WBEM_S_NO_ERROR, instance_->Put(u"SInt32Value", 0, null.get(), 0));
    EXPECT_HR(WBEM_S_NO_ERROR, instance_->Put(u"SInt32Value", 0, nullptr, 0));
    Var cleared;
    instance_->Get(u"SInt32Value", 0, cleared.get(), nullptr, nullptr);
    EXPECT_EQ(VT_NULL, cleared.vt());
}

TEST_F(PutTest, ArraysOfOtherElementTagsAreCoercedElementByElement)
{
    const INT ints[] = {1, -2, 3};
    EXPECT_HR(WBEM_S_NO_ERROR, PutArray(u"SInt32Array", VT_INT, ints, 3));
    Var value;
    instance_->Get(u"SInt32Array", 0, value.get(), nullptr, nullptr);
    ASSERT_EQ(VT_ARRAY | VT_I4, value.vt());
    LONG* data = nullptr;
    SafeArrayAccessData(V_ARRAY(value.get()), reinterpret_cast<void**>(&data));
    EXPECT_EQ(-2, data[1]);
    SafeArrayUnaccessData(V_ARRAY(value.get()));

    const VARIANT_BOOL flags[] = {VARIANT_TRUE, VARIANT_FALSE};
    EXPECT_HR(WBEM_S_NO_ERROR, PutArray(u"BooleanArray", VT_BOOL, flags, 2));
    const signed char bytes[] = {-1, 1};
    EXPECT_HR(WBEM_S_NO_ERROR, PutArray(u"SInt8Array", VT_I1, bytes, 2));
    const LONG wide[] = {1, 300};
    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutArray(u"UInt8Array", VT_I4, wide, 2)) << "300 does not fit uint8";
    EXPECT_HR(WBEM_S_NO_ERROR, PutArray(u"UInt8Array", VT_I4, wide, 1));
    EXPECT_HR(WBEM_S_NO_ERROR, PutArray(u"StringArray", VT_BSTR, nullptr, 0)) << "an empty array is a value";

    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutArray(u"SInt32Value", VT_I4, wide, 2)) << "array into a scalar";
    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutNumber(u"SInt32Array", VT_I4, 1)) << "scalar into an array";
}

TEST_F(PutTest, NullStringElementsBecomeEmptyStrings)
{
    BSTR texts[] = {SysAllocString(u"a"), nullptr};
    // The array takes over the strings.
    EXPECT_HR(WBEM_S_NO_ERROR, PutArray(u"StringArray", VT_BSTR, texts, 2));
    Var value;
    instance_->Get(u"StringArray", 0, value.get(), nullptr, nullptr);
    BSTR* stored = nullptr;
    SafeArrayAccessData(V_ARRAY(value.get()), reinterpret_cast<void**>(&stored));
    EXPECT_EQ(u"a", Text(stored[0]));
    ASSERT_NE(nullptr, stored[1]);
    EXPECT_EQ(u"", Text(stored[1]));
    SafeArrayUnaccessData(V_ARRAY(value.get()));
}

TEST_F(PutTest, EmbeddedObjectsAreCopiedWhenPut)
{
    ObjectPtr embedded = Spawn(u"Test_Keyed");
    Var name;
    V_VT(name.get()) = VT_BSTR;
    V_BSTR(name.get()) = SysAllocString(u"inner");
    embedded->Put(u"Name", 0, name.get(), 0);
    for (VARTYPE tag : {VT_UNKNOWN, VT_DISPATCH}) {
        Var value;
        V_VT(value.get()) = tag;
        V_UNKNOWN(value.get()) = embedded.Get();
        embedded->AddRef();
        EXPECT_HR(WBEM_S_NO_ERROR, instance_->Put(u"ObjectValue", 0, value.get(), 0));
    }
    Var renamed;
    V_VT(renamed.get()) = VT_BSTR;
    V_BSTR(renamed.get()) = SysAllocString(u"changed later");
    embedded->Put(u"Name", 0, renamed.get(), 0);

    Var stored;
    ASSERT_HR(WBEM_S_NO_ERROR, instance_->Get(u"ObjectValue", 0, stored.get(), nullptr, nullptr));
    ASSERT_EQ(VT_UNKNOWN, stored.vt());
    IWbemClassObject* copy = nullptr;
    V_UNKNOWN(stored.get())->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(&copy));
    ObjectPtr copyOwner(copy);
    EXPECT_EQ(u"inner", StringProperty(copy, u"Name"));

    EXPECT_HR(WBEM_E_TYPE_MISMATCH, PutText(u"ObjectValue", u"not an object"));
}

TEST_F(PutTest, EmbeddedObjectsNestAtMostSixtyFourLevelsDeep)
{
    // Each object of the chain embeds the one before it, as a value or as an array element: the
    // last holds 63 levels below itself.
    const auto embed = [](IWbemClassObject* into, const char16_t* property, IWbemClassObject* object,
                          bool asArray) {
        Var value;
        if (asArray) {
            SAFEARRAY* array = SafeArrayCreateVector(VT_UNKNOWN, 0, 1);
            LONG index = 0;
            SafeArrayPutElement(array, &index, object);
            V_VT(value.get()) = VT_ARRAY | VT_UNKNOWN;
            V_ARRAY(value.get()) = array;
        } else {
            V_VT(value.get()) = VT_UNKNOWN;
            V_UNKNOWN(value.get()) = object;
            object->AddRef();
        }
        return into->Put(property, 0, value.get(), 0);
    };
    ObjectPtr chain = Spawn(u"Test_AllTypes");
    for (int levels = 2; levels <= 64; ++levels) {
        ObjectPtr outer = Spawn(u"Test_AllTypes");
        const bool asArray = levels % 2 == 1;
        ASSERT_HR(WBEM_S_NO_ERROR,
                  embed(outer.Get(), asArray ? u"ObjectArray" : u"ObjectValue", chain.Get(), asArray))
            << levels;
        chain = std::move(outer);
    }
    EXPECT_HR(WBEM_E_INVALID_PARAMETER, embed(instance_.Get(), u"ObjectValue", chain.Get(), false));
    EXPECT_HR(WBEM_E_INVALID_PARAMETER, embed(instance_.Get(), u"ObjectArray", chain.Get(), true));
    Var stillNull;
    ASSERT_HR(WBEM_S_NO_ERROR, instance_->Get(u"ObjectValue", 0, stillNull.get(), nullptr, nullptr));
    EXPECT_EQ(VT_NULL, stillNull.vt());

    // What the chain embeds still fits one level higher up.
    Var inner;
    ASSERT_HR(WBEM_S_NO_ERROR, chain->Get(u"ObjectValue", 0, inner.get(), nullptr, nullptr));
    ASSERT_EQ(VT_UNKNOWN, inner.vt());
    IWbemClassObject* innerObject = nullptr;
    V_UNKNOWN(inner.get())->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(&innerObject));
    ObjectPtr innerOwner(innerObject);
    EXPECT_HR(WBEM_S_NO_ERROR, embed(instance_.Get(), u"ObjectValue", innerObject, false));
}

constexpr int kMaxLevelsTried = 64;

TEST_F(PutTest, SharedEmbeddedObjectsCountOncePerValueThatReachesThem)
{
    // Each object holds the one before it three times (a value and two array elements), so the
    // objects below it triple with every level although each level is one object. Left unbounded,
    // anything that walks the tree would take 3^levels steps within the level limit.
    const auto embedThrice = [](IWbemClassObject* into, IWbemClassObject* object) {
        Var value;
        V_VT(value.get()) = VT_UNKNOWN;
        V_UNKNOWN(value.get()) = object;
        object->AddRef();
        HRESULT hr = into->Put(u"ObjectValue", 0, value.get(), 0);
        if (FAILED(hr)) {
            return hr;
        }
        Var array;
        V_VT(array.get()) = VT_ARRAY | VT_UNKNOWN;
        V_ARRAY(array.get()) = SafeArrayCreateVector(VT_UNKNOWN, 0, 2);
        for (LONG index = 0; index < 2; ++index) {
            SafeArrayPutElement(V_ARRAY(array.get()), &index, object);
        }
        return into->Put(u"ObjectArray", 0, array.get(), 0);
    };
    ObjectPtr chain = Spawn(u"Test_AllTypes");
    int levels = 1;
    HRESULT hr = WBEM_S_NO_ERROR;
    while (levels < kMaxLevelsTried) {
        ObjectPtr outer = Spawn(u"Test_AllTypes");
        hr = embedThrice(outer.Get(), chain.Get());
        if (FAILED(hr)) {
            break;
        }
        chain = std::move(outer);
        ++levels;
    }
    EXPECT_HR(WBEM_E_INVALID_PARAMETER, hr);
    // Below level k lie 3 * (1 + what lies below level k-1) objects: 88,572 below level 11, which
    // still fits, and 265,719 below level 12, which does not: refused long before 64 levels.
    EXPECT_EQ(12, levels);
}

TEST_F(PutTest, UnknownPropertiesAndSystemProperties)
{
    EXPECT_HR(WBEM_E_NOT_FOUND, PutNumber(u"NoSuchProperty", VT_I4, 1));
    EXPECT_HR(WBEM_E_READ_ONLY, PutText(u"__CLASS", u"Other"));
    EXPECT_HR(WBEM_E_INVALID_PARAMETER, instance_->Put(nullptr, 0, nullptr, 0));
}

TEST_F(PutTest, AClassObjectTakesNewProperties)
{
    ObjectPtr cls = Class(u"Test_Keyed");
    Var value;
    V_VT(value.get()) = VT_I4;
    V_I4(value.get()) = 5;
    ASSERT_HR(WBEM_S_NO_ERROR, cls->Put(u"Added", 0, value.get(), 0));
    CIMTYPE type = 0;
    Var read;
    ASSERT_HR(WBEM_S_NO_ERROR, cls->Get(u"Added", 0, read.get(), &type, nullptr));
    EXPECT_EQ(CIM_SINT32, type);
    EXPECT_EQ(5, V_I4(read.get()));
    ASSERT_HR(WBEM_S_NO_ERROR, cls->Put(u"Typed", 0, nullptr, CIM_UINT64));
    ASSERT_HR(WBEM_S_NO_ERROR, cls->Get(u"Typed", 0, nullptr, &type, nullptr));
    EXPECT_EQ(CIM_UINT64, type);

    ObjectPtr fresh = Class(u"Test_Keyed");
    EXPECT_HR(WBEM_E_NOT_FOUND, fresh->Get(u"Added", 0, nullptr, nullptr, nullptr))
        << "the repository's class is unchanged";
}

}  // namespace

TEST_F(PutTest, PutsAreLoggedOnlyWhileATestHasTheLogOn)
{
    PalWmiRecordPuts(FALSE);
    ASSERT_HR(WBEM_S_NO_ERROR, PutNumber(u"SInt32Value", VT_I4, 5));
    EXPECT_FALSE(PalWmiLastPut(u"SInt32Value", nullptr, nullptr, 0));

    PalWmiRecordPuts(TRUE);
    ASSERT_HR(WBEM_S_NO_ERROR, PutNumber(u"SInt32Value", VT_I4, 7));
    VARTYPE type = VT_EMPTY;
    char text[16] = {};
    ASSERT_TRUE(PalWmiLastPut(u"SInt32Value", &type, text, sizeof(text)));
    EXPECT_EQ(type, VT_I4);
    EXPECT_STREQ(text, "7");

    PalWmiRecordPuts(FALSE);
    EXPECT_FALSE(PalWmiLastPut(u"SInt32Value", nullptr, nullptr, 0)) << "switching the log off empties it";
    ASSERT_HR(WBEM_S_NO_ERROR, PutNumber(u"SInt32Value", VT_I4, 9));
    EXPECT_FALSE(PalWmiLastPut(u"SInt32Value", nullptr, nullptr, 0));
}
