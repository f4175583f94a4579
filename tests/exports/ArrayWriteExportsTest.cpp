#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeJni.h"
#include "NoLeaks.h"

namespace {

// Never dereferenced: every case below is refused before the handle is looked at.
constexpr jlong kUnusedHandle = 1;

class ArrayWriteExports : public NoLeaks {
protected:
    fakejni::Env fake;
    jstring name = fake.NewString(u"SInt32Array");
};

TEST_F(ArrayWriteExports, ElementsTheJvmCannotProvideGiveOutOfMemoryAndAreNeverRead)
{
    fake.failArrayElements = true;
    auto ints = static_cast<jintArray>(fake.NewArray<jint>({1, 2, 3}));
    auto longs = static_cast<jlongArray>(fake.NewArray<jlong>({1}));
    auto booleans = static_cast<jbooleanArray>(fake.NewArray<jboolean>({JNI_TRUE}));
    JNIEnv* env = fake.env();
    EXPECT_EQ(14, Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyIntArray(
                      env, nullptr, kUnusedHandle, name, ints));
    EXPECT_EQ(14, Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyAsTypeArray(
                      env, nullptr, kUnusedHandle, name, 3, longs));
    EXPECT_EQ(14, Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyBooleanArray(
                      env, nullptr, kUnusedHandle, name, booleans));
    EXPECT_EQ(fake.arrayElementsOut, 0);
    EXPECT_FALSE(fake.pending.has_value());
}

TEST_F(ArrayWriteExports, ElementsAreReleasedWithJniAbortOnEveryPath)
{
    auto ints = static_cast<jintArray>(fake.NewArray<jint>({1, 2}));
    JNIEnv* env = fake.env();
    // A zero handle fails inside the builder, after the elements were taken.
    EXPECT_EQ(87, Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyIntArray(
                      env, nullptr, 0, name, ints));
    EXPECT_EQ(fake.arrayElementsOut, 0);
    ASSERT_EQ(fake.releaseModes.size(), 1u);
    EXPECT_EQ(fake.releaseModes[0], JNI_ABORT);
}

TEST_F(ArrayWriteExports, StringsMadeForAnArrayThatIsNeverBuiltAreFreed)
{
    std::vector<jobject> elements = {fake.NewString(u"a"), nullptr, fake.NewString(u"")};
    jobjectArray strings = fake.NewObjectArray(elements);
    JNIEnv* env = fake.env();
    EXPECT_EQ(87, Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyStringArray(
                      env, nullptr, 0, name, strings));
    jstring empty = fake.NewString(u"");
    EXPECT_EQ(87, Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyStringArray(
                      env, nullptr, kUnusedHandle, empty, strings));
    PalFailNext(PAL_FAULT_SAFEARRAY_CREATE, 1);
    EXPECT_EQ(14, Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyStringArray(
                      env, nullptr, kUnusedHandle, name, strings));
    // NoLeaks checks that no BSTR survived.
}

// A JVM gives a native frame only so many local references: each element is let go before the next.
TEST_F(ArrayWriteExports, EachStringElementsLocalReferenceIsDeletedBeforeTheNext)
{
    std::vector<jobject> elements;
    for (int i = 0; i < 3000; ++i) {
        elements.push_back(i % 7 == 3 ? nullptr
                                      : fake.NewString(u"element " + std::u16string(1, u'a' + i % 26)));
    }
    jobjectArray strings = fake.NewObjectArray(elements);
    JNIEnv* env = fake.env();
    // A zero handle fails only after every element was read.
    EXPECT_EQ(87, Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyStringArray(
                      env, nullptr, 0, name, strings));
    EXPECT_EQ(fake.ElementRefsAlive(), 0);
    EXPECT_EQ(fake.elementRefsPeak, 1);
    // An element refused for text after a NUL is let go too.
    elements.back() = fake.NewString(std::u16string(u"a\0b", 3));
    EXPECT_EQ(87, Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyStringArray(
                      env, nullptr, kUnusedHandle, name, fake.NewObjectArray(elements)));
    EXPECT_EQ(fake.ElementRefsAlive(), 0);
}

TEST_F(ArrayWriteExports, IntermediateBuffersThatCannotBeAllocatedRaiseOutOfMemory)
{
    auto booleans = static_cast<jbooleanArray>(fake.NewArray<jboolean>({JNI_TRUE, JNI_FALSE}));
    JNIEnv* env = fake.env();
    PalFailNext(PAL_FAULT_TASKMEM_ALLOC, 1);
    EXPECT_EQ(87, Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyBooleanArray(
                      env, nullptr, kUnusedHandle, name, booleans));
    ASSERT_TRUE(fake.pending.has_value());
    EXPECT_EQ(fake.pending->className, "java/lang/OutOfMemoryError");
    EXPECT_EQ(
        fake.pending->message,
        "Raised from Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyBooleanArray "
        "@line 906");
    EXPECT_EQ(fake.arrayElementsOut, 0);

    fake.pending.reset();
    std::vector<jobject> elements = {fake.NewString(u"a")};
    jobjectArray strings = fake.NewObjectArray(elements);
    PalFailNext(PAL_FAULT_TASKMEM_ALLOC, 1);
    EXPECT_EQ(87, Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyStringArray(
                      env, nullptr, kUnusedHandle, name, strings));
    ASSERT_TRUE(fake.pending.has_value());
    EXPECT_EQ(
        fake.pending->message,
        "Raised from Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyStringArray "
        "@line 1083");
}

}  // namespace
