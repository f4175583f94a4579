#include <gtest/gtest.h>

#include <utility>

#include "FakeClassObject.h"
#include "FakeJni.h"
#include "NoLeaks.h"
#include "jni/Handles.h"
#include "wmi/WmiObject.h"

using namespace wmibridge;
using testsupport::FakeClassObject;

namespace {

constexpr const char* kExport =
    "Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectEnumNextObject";

class HandOutTest : public NoLeaks {
protected:
    CRefPtr<CWmiObject> NewWrapper()
    {
        CRefPtr<CWmiObject> wrapper;
        FakeClassObject* raw = FakeClassObject::Create();
        EXPECT_TRUE(Wrap(wrapper, raw));
        raw->Release();
        return wrapper;
    }

    void TearDown() override { EXPECT_EQ(FakeClassObject::Live(), 0); }

    fakejni::Env fake;
};

}  // namespace

TEST_F(HandOutTest, TheCellHoldsTheOnlyReferenceOnceTheLocalOneIsDropped)
{
    jobject holder = fake.NewHolder();
    CWmiObject* object = nullptr;
    {
        CRefPtr<CWmiObject> local = NewWrapper();
        object = local.Get();
        EXPECT_EQ(HandOut(fake.env(), holder, local, kExport, 1253), kSuccess);
        EXPECT_EQ(object->RefCount(), 2);
    }
    ASSERT_EQ(fake.HolderOf(holder).values.size(), 1u);
    const jlong handle = fake.HolderOf(holder).values[0];
    EXPECT_EQ(object->RefCount(), 1);
    EXPECT_EQ(HandleRef<CWmiObject>(handle).Get(), object);
    FreeHandle<CWmiObject>(handle);
}

TEST_F(HandOutTest, HolderWithoutSetGives127AndTheObjectIsDroppedByItsOwner)
{
    jobject holder = fake.NewHolder(false);
    {
        CRefPtr<CWmiObject> local = NewWrapper();
        EXPECT_EQ(HandOut(fake.env(), holder, local, kExport, 1253), kProcNotFound);
        EXPECT_EQ(local->RefCount(), 1);
    }
    ASSERT_TRUE(fake.pending.has_value());
    EXPECT_EQ(fake.pending->className, "java/lang/NoSuchMethodError");
    EXPECT_TRUE(fake.HolderOf(holder).values.empty());
}

TEST_F(HandOutTest, CellThatCannotBeAllocatedRaisesOutOfMemoryAndReturnsZero)
{
    jobject holder = fake.NewHolder();
    CRefPtr<CWmiObject> local = NewWrapper();
    PalFailNext(PAL_FAULT_TASKMEM_ALLOC, 1);
    EXPECT_EQ(HandOut(fake.env(), holder, local, kExport, 1253), kSuccess);
    ASSERT_TRUE(fake.pending.has_value());
    EXPECT_EQ(fake.pending->className, "java/lang/OutOfMemoryError");
    EXPECT_EQ(fake.pending->message, std::string("Raised from ") + kExport + " @line 1253");
    EXPECT_TRUE(fake.HolderOf(holder).values.empty());
    EXPECT_EQ(local->RefCount(), 1);
}

TEST_F(HandOutTest, MissingOutOfMemoryClassThrowsNothing)
{
    fake.failFindClass = true;
    ThrowOutOfMemory(fake.env(), kExport, 1253);
    ASSERT_TRUE(fake.pending.has_value());
    EXPECT_EQ(fake.pending->className, "java/lang/NoClassDefFoundError");
}

TEST_F(HandOutTest, NullHolderIsRefusedWithoutTouchingIt)
{
    CRefPtr<CWmiObject> local = NewWrapper();
    EXPECT_EQ(HandOut(fake.env(), nullptr, local, kExport, 1253), kInvalidParameter);
    EXPECT_EQ(local->RefCount(), 1);
    EXPECT_FALSE(fake.pending.has_value());
}

TEST_F(HandOutTest, HandleOfAnEmptyReferenceIsLegalAndFreesCleanly)
{
    jobject holder = fake.NewHolder();
    CRefPtr<CWmiObject> empty;
    EXPECT_EQ(HandOut(fake.env(), holder, empty, kExport, 1253), kSuccess);
    ASSERT_EQ(fake.HolderOf(holder).values.size(), 1u);
    const jlong handle = fake.HolderOf(holder).values[0];
    EXPECT_TRUE(HandleRef<CWmiObject>(handle).IsEmpty());
    EXPECT_EQ(PalLiveCount(PAL_KIND_TASKMEM), 1);
    FreeHandle<CWmiObject>(handle);
    EXPECT_EQ(PalLiveCount(PAL_KIND_TASKMEM), 0);
}

TEST_F(HandOutTest, AMovedReferenceBecomesTheCellsWithoutAnotherCount)
{
    jobject holder = fake.NewHolder();
    CRefPtr<CWmiObject> local = NewWrapper();
    CWmiObject* object = local.Get();
    EXPECT_EQ(HandOut(fake.env(), holder, std::move(local), kExport, 1253), kSuccess);
    EXPECT_TRUE(local.IsEmpty());
    EXPECT_EQ(object->RefCount(), 1);
    ASSERT_EQ(fake.HolderOf(holder).values.size(), 1u);
    const jlong handle = fake.HolderOf(holder).values[0];
    EXPECT_EQ(HandleRef<CWmiObject>(handle).Get(), object);
    FreeHandle<CWmiObject>(handle);
}

TEST_F(HandOutTest, AMovedReferenceStaysWithItsOwnerWhenNothingIsHandedOut)
{
    jobject withoutSet = fake.NewHolder(false);
    jobject holder = fake.NewHolder();
    CRefPtr<CWmiObject> local = NewWrapper();
    EXPECT_EQ(HandOut(fake.env(), withoutSet, std::move(local), kExport, 1253), kProcNotFound);
    ASSERT_FALSE(local.IsEmpty());
    EXPECT_EQ(local->RefCount(), 1);
    EXPECT_EQ(HandOut(fake.env(), nullptr, std::move(local), kExport, 1253), kInvalidParameter);
    ASSERT_FALSE(local.IsEmpty());
    fake.pending.reset();
    PalFailNext(PAL_FAULT_TASKMEM_ALLOC, 1);
    EXPECT_EQ(HandOut(fake.env(), holder, std::move(local), kExport, 1253), kSuccess);
    ASSERT_TRUE(fake.pending.has_value());
    EXPECT_EQ(fake.pending->className, "java/lang/OutOfMemoryError");
    ASSERT_FALSE(local.IsEmpty());
    EXPECT_EQ(local->RefCount(), 1);
    EXPECT_TRUE(fake.HolderOf(holder).values.empty());
}
