#include <gtest/gtest.h>
#include <oleauto.h>

#include "FakeClassObject.h"
#include "NoLeaks.h"

using SafeArray = NoLeaks;
using testsupport::FakeClassObject;

TEST_F(SafeArray, VectorHasOneDimensionWithItsBounds)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 3, 5);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(SafeArrayGetDim(array), 1u);
    EXPECT_EQ(SafeArrayGetElemsize(array), 4u);
    LONG lower = 0;
    LONG upper = 0;
    EXPECT_EQ(SafeArrayGetLBound(array, 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);
    EXPECT_EQ(lower, 3);
    EXPECT_EQ(upper, 7);
    EXPECT_EQ(SafeArrayGetLBound(array, 2, &lower), DISP_E_BADINDEX);
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(array, &vt), S_OK);
    EXPECT_EQ(vt, VT_I4);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST_F(SafeArray, EmptyVectorHasUpperBoundBelowLower)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 0);
    ASSERT_NE(array, nullptr);
    LONG upper = 0;
    EXPECT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);
    EXPECT_EQ(upper, -1);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST_F(SafeArray, InvalidElementTypesAreRefused)
{
    EXPECT_EQ(SafeArrayCreateVector(VT_EMPTY, 0, 1), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(VT_NULL, 0, 1), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(15, 0, 1), nullptr);
}

TEST_F(SafeArray, LockedArrayCannotBeDestroyedUntilUnlocked)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, 4);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
    ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
    EXPECT_EQ(array->cLocks, 2u);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(array), E_UNEXPECTED);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST_F(SafeArray, OwnsItsStringAndInterfaceElements)
{
    SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 0, 2);
    BSTR* items = nullptr;
    ASSERT_EQ(SafeArrayAccessData(strings, reinterpret_cast<void**>(&items)), S_OK);
    items[0] = SysAllocString(u"one");
    items[1] = nullptr;
    SafeArrayUnaccessData(strings);
    EXPECT_EQ(PalLiveCount(PAL_KIND_BSTR), 1);

    SAFEARRAY* objects = SafeArrayCreateVector(VT_UNKNOWN, 0, 1);
    FakeClassObject* object = FakeClassObject::Create();
    LONG index = 0;
    ASSERT_EQ(SafeArrayPutElement(objects, &index, object), S_OK);
    EXPECT_EQ(object->References(), 2u);
    object->Release();

    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(strings, &copy), S_OK);
    EXPECT_EQ(PalLiveCount(PAL_KIND_BSTR), 2);

    EXPECT_EQ(SafeArrayDestroy(strings), S_OK);
    EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
    EXPECT_EQ(SafeArrayDestroy(objects), S_OK);
    EXPECT_EQ(FakeClassObject::Live(), 0);
}

TEST_F(SafeArray, ElementAccessChecksIndices)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_I2, 1, 2);
    SHORT value = 7;
    LONG index = 2;
    EXPECT_EQ(SafeArrayPutElement(array, &index, &value), S_OK);
    index = 3;
    EXPECT_EQ(SafeArrayPutElement(array, &index, &value), DISP_E_BADINDEX);
    index = 0;
    EXPECT_EQ(SafeArrayGetElement(array, &index, &value), DISP_E_BADINDEX);
    index = 2;
    value = 0;
    EXPECT_EQ(SafeArrayGetElement(array, &index, &value), S_OK);
    EXPECT_EQ(value, 7);
    SafeArrayDestroy(array);
}

TEST_F(SafeArray, InjectedCreationFailure)
{
    PalFailNext(PAL_FAULT_SAFEARRAY_CREATE, 1);
    EXPECT_EQ(SafeArrayCreateVector(VT_I4, 0, 1), nullptr);
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 1);
    EXPECT_NE(array, nullptr);
    SafeArrayDestroy(array);
}
