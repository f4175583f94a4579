// Raw values: a test stores any VARIANT and Get hands back exactly that value.
#include "repository_fixture.h"

namespace {

class RawValueTest : public RepositoryTest {
protected:
    void SetUp() override { instance_ = Spawn(u"Test_AllTypes"); }
    void TearDown() override
    {
        instance_.Reset();
        RepositoryTest::TearDown();
    }

    // Stores `value` into StringValue and reads it back.
    void RoundTrip(VARIANT* value, VARIANT* read)
    {
        ASSERT_HR(WBEM_S_NO_ERROR, PalWmiPutRawValue(instance_.Get(), u"StringValue", value));
        ASSERT_HR(WBEM_S_NO_ERROR, instance_->Get(u"StringValue", 0, read, nullptr, nullptr));
    }

    ObjectPtr instance_;
};

TEST_F(RawValueTest, ScalarTagsComeBackUnchanged)
{
    struct Case {
        VARTYPE tag;
        LONGLONG bits;
    };
    const Case cases[] = {{VT_I8, -5},
                          {VT_UI4, 0xFFFFFFFF},
                          {VT_INT, -3},
                          {VT_UINT, 7},
                          {VT_I1, -1},
                          {VT_UI2, 65535},
                          {VT_DATE, 0x40E0000000000000LL},
                          {VT_CY, 12345}};
    for (const auto& c : cases) {
        Var value;
        V_VT(value.get()) = c.tag;
        V_I8(value.get()) = c.bits;
        Var read;
        RoundTrip(value.get(), read.get());
        EXPECT_EQ(c.tag, read.vt());
        EXPECT_EQ(c.bits, V_I8(read.get()));
    }
}

TEST_F(RawValueTest, DecimalAndDispatchValues)
{
    Var decimal;
    V_DECIMAL(decimal.get()).Lo64 = 123456;
    V_DECIMAL(decimal.get()).scale = 2;
    V_VT(decimal.get()) = VT_DECIMAL;
    Var read;
    RoundTrip(decimal.get(), read.get());
    EXPECT_EQ(VT_DECIMAL, read.vt());
    EXPECT_EQ(123456u, V_DECIMAL(read.get()).Lo64);
    EXPECT_EQ(2, V_DECIMAL(read.get()).scale);

    ObjectPtr target = Instance(u"Test_Keyed", u"alpha");
    Var dispatch;
    V_VT(dispatch.get()) = VT_DISPATCH;
    V_UNKNOWN(dispatch.get()) = target.Get();
    target->AddRef();
    Var readDispatch;
    RoundTrip(dispatch.get(), readDispatch.get());
    EXPECT_EQ(VT_DISPATCH, readDispatch.vt());
    EXPECT_EQ(static_cast<IUnknown*>(target.Get()), V_UNKNOWN(readDispatch.get()));
}

TEST_F(RawValueTest, NullPointersAndEmbeddedNuls)
{
    Var nullText;
    V_VT(nullText.get()) = VT_BSTR;
    Var read;
    RoundTrip(nullText.get(), read.get());
    EXPECT_EQ(VT_BSTR, read.vt());
    EXPECT_EQ(nullptr, V_BSTR(read.get()));

    Var embeddedNul;
    V_VT(embeddedNul.get()) = VT_BSTR;
    V_BSTR(embeddedNul.get()) = SysAllocStringLen(u"a\0b", 3);
    Var readNul;
    RoundTrip(embeddedNul.get(), readNul.get());
    EXPECT_EQ(3u, SysStringLen(V_BSTR(readNul.get())));
    EXPECT_EQ(std::u16string(u"a\0b", 3), Text(V_BSTR(readNul.get())));

    Var nullUnknown;
    V_VT(nullUnknown.get()) = VT_UNKNOWN;
    Var readUnknown;
    RoundTrip(nullUnknown.get(), readUnknown.get());
    EXPECT_EQ(VT_UNKNOWN, readUnknown.vt());
    EXPECT_EQ(nullptr, V_UNKNOWN(readUnknown.get()));
}

TEST_F(RawValueTest, ArraysOfEveryElementTag)
{
    for (VARTYPE tag : {VT_I1,   VT_UI1,  VT_I2,      VT_UI2,     VT_I4,       VT_UI4,     VT_INT,
                        VT_UINT, VT_I8,   VT_UI8,     VT_R4,      VT_R8,       VT_BOOL,    VT_BSTR,
                        VT_CY,   VT_DATE, VT_DECIMAL, VT_UNKNOWN, VT_DISPATCH, VT_VARIANT, VT_ERROR}) {
        Var value;
        V_VT(value.get()) = VT_ARRAY | tag;
        V_ARRAY(value.get()) = SafeArrayCreateVector(tag, 0, 2);
        ASSERT_NE(nullptr, V_ARRAY(value.get())) << tag;
        Var read;
        RoundTrip(value.get(), read.get());
        EXPECT_EQ(VT_ARRAY | tag, read.vt());
        VARTYPE elementType = 0;
        SafeArrayGetVartype(V_ARRAY(read.get()), &elementType);
        EXPECT_EQ(tag, elementType);
        EXPECT_NE(V_ARRAY(value.get()), V_ARRAY(read.get())) << "Get hands out a copy";
    }
}

TEST_F(RawValueTest, ClonesKeepRawValuesAndPutReplacesThem)
{
    Var value;
    V_VT(value.get()) = VT_UI4;
    V_UI4(value.get()) = 99;
    ASSERT_HR(WBEM_S_NO_ERROR, PalWmiPutRawValue(instance_.Get(), u"SInt32Value", value.get()));
    IWbemClassObject* copy = nullptr;
    instance_->Clone(&copy);
    ObjectPtr owner(copy);
    Var read;
    copy->Get(u"SInt32Value", 0, read.get(), nullptr, nullptr);
    EXPECT_EQ(VT_UI4, read.vt());

    Var normal;
    V_VT(normal.get()) = VT_I4;
    V_I4(normal.get()) = 1;
    ASSERT_HR(WBEM_S_NO_ERROR, instance_->Put(u"SInt32Value", 0, normal.get(), 0));
    Var after;
    instance_->Get(u"SInt32Value", 0, after.get(), nullptr, nullptr);
    EXPECT_EQ(VT_I4, after.vt());
}

TEST_F(RawValueTest, RefusesUnknownPropertiesAndForeignObjects)
{
    Var value;
    V_VT(value.get()) = VT_I8;
    EXPECT_HR(WBEM_E_NOT_FOUND, PalWmiPutRawValue(instance_.Get(), u"Missing", value.get()));
    EXPECT_HR(WBEM_E_INVALID_PARAMETER, PalWmiPutRawValue(nullptr, u"StringValue", value.get()));
}

}  // namespace
