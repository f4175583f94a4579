#include <gtest/gtest.h>
#include <oleauto.h>

#include "FakeClassObject.h"
#include "NoLeaks.h"

using Variant = NoLeaks;
using testsupport::FakeClassObject;

TEST_F(Variant, ClearFreesWhatTheValueOwns)
{
    VARIANT text;
    VariantInit(&text);
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = SysAllocString(u"value");
    EXPECT_EQ(VariantClear(&text), S_OK);
    EXPECT_EQ(V_VT(&text), VT_EMPTY);

    VARIANT array;
    VariantInit(&array);
    V_VT(&array) = VT_ARRAY | VT_BSTR;
    V_ARRAY(&array) = SafeArrayCreateVector(VT_BSTR, 0, 3);
    EXPECT_EQ(VariantClear(&array), S_OK);

    VARIANT object;
    VariantInit(&object);
    FakeClassObject* raw = FakeClassObject::Create();
    V_VT(&object) = VT_UNKNOWN;
    V_UNKNOWN(&object) = raw;
    EXPECT_EQ(VariantClear(&object), S_OK);
    EXPECT_EQ(FakeClassObject::Live(), 0);

    VARIANT nullUnknown;
    VariantInit(&nullUnknown);
    V_VT(&nullUnknown) = VT_UNKNOWN;
    V_UNKNOWN(&nullUnknown) = nullptr;
    EXPECT_EQ(VariantClear(&nullUnknown), S_OK);
}

TEST_F(Variant, ClearRefusesInvalidTypesAndLockedArrays)
{
    VARIANT bad;
    VariantInit(&bad);
    V_VT(&bad) = 15;
    EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);

    VARIANT locked;
    VariantInit(&locked);
    V_VT(&locked) = VT_ARRAY | VT_I4;
    V_ARRAY(&locked) = SafeArrayCreateVector(VT_I4, 0, 1);
    SafeArrayLock(V_ARRAY(&locked));
    EXPECT_EQ(VariantClear(&locked), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(V_VT(&locked), VT_ARRAY | VT_I4);
    SafeArrayUnlock(V_ARRAY(&locked));
    EXPECT_EQ(VariantClear(&locked), S_OK);
}

TEST_F(Variant, CopyIsDeepForStringsAndArraysAndCountsInterfaces)
{
    VARIANT source;
    VariantInit(&source);
    const OLECHAR chars[] = {u'a', 0, u'b'};
    V_VT(&source) = VT_BSTR;
    V_BSTR(&source) = SysAllocStringLen(chars, 3);
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_NE(V_BSTR(&copy), V_BSTR(&source));
    EXPECT_EQ(SysStringLen(V_BSTR(&copy)), 3u);
    VariantClear(&source);
    VariantClear(&copy);

    FakeClassObject* raw = FakeClassObject::Create();
    V_VT(&source) = VT_UNKNOWN;
    V_UNKNOWN(&source) = raw;
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(raw->References(), 2u);
    VariantClear(&copy);
    VariantClear(&source);
    EXPECT_EQ(FakeClassObject::Live(), 0);

    V_VT(&source) = VT_BSTR;
    V_BSTR(&source) = nullptr;
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(V_BSTR(&copy), nullptr);
}
