#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "FakeClassObject.h"
#include "NoLeaks.h"
#include "wmi/WmiObjectEnum.h"

using namespace wmibridge;
using testsupport::FakeClassObject;

namespace {

class ResultSet : public NoLeaks {
protected:
    // Builds a result set of `count` objects the way a query collects them: each object is
    // attached to a wrapper and the delivered reference released at once.
    CRefPtr<CWmiObjectEnum> Collect(int count)
    {
        CRefPtr<CWmiObjectEnum> set = CWmiObjectEnum::Create();
        EXPECT_FALSE(set.IsEmpty());
        for (int i = 0; i < count; ++i) {
            FakeClassObject* delivered = FakeClassObject::Create();
            objects.push_back(delivered);
            CRefPtr<CWmiObject> wrapper;
            EXPECT_TRUE(Wrap(wrapper, delivered));
            delivered->Release();
            EXPECT_TRUE(set->Add(wrapper));
        }
        return set;
    }

    void TearDown() override { EXPECT_EQ(FakeClassObject::Live(), 0); }

    std::vector<FakeClassObject*> objects;
};

}  // namespace

TEST_F(ResultSet, EmptyPointerIsAResultSetWithoutObjects)
{
    CRefPtr<CWmiObjectEnum> set;
    CRefPtr<CWmiObject> out;
    EXPECT_FALSE(ResultSetOf(set).HasMoreObjects());
    EXPECT_EQ(ResultSetOf(set).ObjectCount(), 0);
    EXPECT_FALSE(ResultSetOf(set).NextObject(out));
    EXPECT_TRUE(out.IsEmpty());
    ResultSetOf(set).Reset();
    EXPECT_TRUE(set.IsEmpty());
    EXPECT_FALSE(ResultSetOf(set).HasMoreObjects());
}

TEST_F(ResultSet, WalksInOrderStopsAtTheEndAndResets)
{
    CRefPtr<CWmiObjectEnum> set = Collect(3);
    EXPECT_EQ(set->ObjectCount(), 3);
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(set->HasMoreObjects());
            CRefPtr<CWmiObject> out;
            ASSERT_TRUE(set->NextObject(out));
            EXPECT_EQ(ObjectPointer(out), objects[i]);
            EXPECT_EQ(set->ObjectCount(), 3);
        }
        EXPECT_FALSE(set->HasMoreObjects());
        CRefPtr<CWmiObject> past;
        EXPECT_FALSE(set->NextObject(past));
        EXPECT_FALSE(set->NextObject(past));
        EXPECT_TRUE(past.IsEmpty());
        set->Reset();
    }
}

TEST_F(ResultSet, HandedOutObjectsShareTheWrapperAndOutliveTheSet)
{
    CRefPtr<CWmiObject> kept;
    {
        CRefPtr<CWmiObjectEnum> set = Collect(2);
        ASSERT_TRUE(set->NextObject(kept));
        EXPECT_EQ(kept->RefCount(), 2);           // the set's element and `kept`
        EXPECT_EQ(objects[0]->References(), 1u);  // still one COM reference, the wrapper's
    }
    // The set is gone: its other object was released, the shared one lives on.
    EXPECT_EQ(FakeClassObject::Live(), 1);
    EXPECT_EQ(kept->RefCount(), 1);
    EXPECT_EQ(ObjectPointer(kept), objects[0]);
}

TEST_F(ResultSet, DestroyingASetReleasesEveryObjectItCollected)
{
    {
        CRefPtr<CWmiObjectEnum> set = Collect(25);
        EXPECT_EQ(FakeClassObject::Live(), 25);
    }
    EXPECT_EQ(FakeClassObject::Live(), 0);
}

TEST_F(ResultSet, WrapRefusesANullObject)
{
    CRefPtr<CWmiObject> target;
    EXPECT_FALSE(Wrap(target, nullptr));
    EXPECT_TRUE(target.IsEmpty());

    FakeClassObject* first = FakeClassObject::Create();
    ASSERT_TRUE(Wrap(target, first));
    first->Release();
    EXPECT_FALSE(Wrap(target, nullptr));
    EXPECT_EQ(ObjectPointer(target), first);  // unchanged by the refused attach
}

TEST_F(ResultSet, WrapperHoldsOneApartmentInitialisationForItsLife)
{
    const LONG before = PalApartmentDepth();
    {
        CRefPtr<CWmiObject> wrapper;
        FakeClassObject* raw = FakeClassObject::Create();
        ASSERT_TRUE(Wrap(wrapper, raw));
        raw->Release();
        EXPECT_EQ(PalApartmentDepth(), before + 1);
        EXPECT_EQ(PalApartmentMode(), COINIT_MULTITHREADED);
    }
    EXPECT_EQ(PalApartmentDepth(), before);
}

TEST_F(ResultSet, AMovedObjectIsAppendedWithItsOwnReference)
{
    CRefPtr<CWmiObjectEnum> set = CWmiObjectEnum::Create();
    ASSERT_FALSE(set.IsEmpty());
    FakeClassObject* delivered = FakeClassObject::Create();
    CRefPtr<CWmiObject> wrapper;
    ASSERT_TRUE(Wrap(wrapper, delivered));
    delivered->Release();
    CWmiObject* object = wrapper.Get();
    ASSERT_TRUE(set->Add(std::move(wrapper)));
    EXPECT_TRUE(wrapper.IsEmpty());
    EXPECT_EQ(object->RefCount(), 1);
    CRefPtr<CWmiObject> out;
    ASSERT_TRUE(set->NextObject(out));
    EXPECT_EQ(out.Get(), object);
}

TEST_F(ResultSet, ReservingKeepsWhatTheSetHoldsAndAddsNothing)
{
    CRefPtr<CWmiObjectEnum> set = Collect(3);
    for (size_t batch = 0; batch < 50; ++batch) {
        ASSERT_TRUE(set->Reserve(10));
    }
    EXPECT_EQ(set->ObjectCount(), 3);
    for (int i = 0; i < 3; ++i) {
        CRefPtr<CWmiObject> out;
        ASSERT_TRUE(set->NextObject(out));
        EXPECT_EQ(out->Object(), objects[static_cast<size_t>(i)]);
    }
    CRefPtr<CWmiObjectEnum> fresh = CWmiObjectEnum::Create();
    ASSERT_FALSE(fresh.IsEmpty());
    ASSERT_TRUE(fresh->Reserve(10));
    EXPECT_EQ(fresh->ObjectCount(), 0);
    EXPECT_FALSE(fresh->HasMoreObjects());
}

TEST_F(ResultSet, AddingReturnsTheCursorToTheFirstObject)
{
    CRefPtr<CWmiObjectEnum> set = Collect(2);
    CRefPtr<CWmiObject> first;
    ASSERT_TRUE(set->NextObject(first));
    CRefPtr<CWmiObject> again;
    ASSERT_TRUE(set->Add(first));
    ASSERT_TRUE(set->NextObject(again));
    EXPECT_EQ(again.Get(), first.Get());
    EXPECT_EQ(set->ObjectCount(), 3);
}

TEST_F(ResultSet, AWrapperCanTakeOverTheDeliveredReference)
{
    FakeClassObject* delivered = FakeClassObject::Create();
    {
        CRefPtr<CWmiObject> wrapper;
        ASSERT_TRUE(WrapOwned(wrapper, delivered));
        EXPECT_EQ(wrapper->Object(), delivered);
        EXPECT_EQ(FakeClassObject::Live(), 1);
    }
    EXPECT_EQ(FakeClassObject::Live(), 0) << "the wrapper released the one reference it took over";
    CRefPtr<CWmiObject> none;
    EXPECT_FALSE(WrapOwned(none, nullptr));
    EXPECT_TRUE(none.IsEmpty());
}
