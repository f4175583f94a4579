// IEnumWbemClassObject: the Next contract with batches, time-outs and provider failures, and
// Reset, Clone and Skip.
#include "emulator_test.h"
#include "test_mof.h"

namespace services_test {
namespace {

class EnumeratorTest : public EmulatorTest {
protected:
    void SetUp() override
    {
        EmulatorTest::SetUp();
        LoadMof(ManyMof(25).c_str());
        services_ = ConnectLocal(u"root\\default");
    }
    void TearDown() override
    {
        services_.Reset();
        EmulatorTest::TearDown();
    }

    ComPtr<IEnumWbemClassObject> QueryMany(LONG flags = WBEM_FLAG_FORWARD_ONLY)
    {
        HRESULT hr = E_FAIL;
        ComPtr<IEnumWbemClassObject> enumerator =
            Query(services_.Get(), u"SELECT * FROM Svc_Many", hr, flags);
        EXPECT_EQ(S_OK, hr);
        return enumerator;
    }

    struct Batch {
        HRESULT hr;
        std::vector<ComPtr<IWbemClassObject>> objects;
    };

    static Batch NextBatch(IEnumWbemClassObject* enumerator, ULONG count, LONG timeout)
    {
        std::vector<IWbemClassObject*> slots(count, nullptr);
        ULONG returned = 12345;
        Batch batch{enumerator->Next(timeout, count, slots.data(), &returned), {}};
        EXPECT_LE(returned, count);
        for (ULONG i = 0; i < returned && i < count; ++i) {
            batch.objects.push_back(ComPtr<IWbemClassObject>::Adopt(slots[i]));
        }
        return batch;
    }

    ComPtr<IWbemServices> services_;
};

TEST_F(EnumeratorTest, DeliversFullBatchesThenTheRestWithFalse)
{
    ComPtr<IEnumWbemClassObject> enumerator = QueryMany();
    std::vector<std::u16string> ids;
    for (const auto& [hr, size] :
         {std::pair{WBEM_S_NO_ERROR, 10}, {WBEM_S_NO_ERROR, 10}, {WBEM_S_FALSE, 5}, {WBEM_S_FALSE, 0}}) {
        Batch batch = NextBatch(enumerator.Get(), 10, 10000);
        EXPECT_EQ(static_cast<HRESULT>(hr), batch.hr);
        ASSERT_EQ(static_cast<size_t>(size), batch.objects.size());
        for (const std::u16string& id : Texts(batch.objects, u"Id")) {
            ids.push_back(id);
        }
    }
    ASSERT_EQ(25u, ids.size());
    EXPECT_EQ(u"1", ids.front());
    EXPECT_EQ(u"25", ids.back());
}

TEST_F(EnumeratorTest, EachDeliveredObjectCarriesOneReferenceForTheCaller)
{
    ComPtr<IEnumWbemClassObject> enumerator = QueryMany();
    IWbemClassObject* slots[3] = {};
    ULONG returned = 0;
    ASSERT_EQ(WBEM_S_NO_ERROR, enumerator->Next(0, 3, slots, &returned));
    ASSERT_EQ(3u, returned);
    enumerator.Reset();
    const LONG alive = PalLiveCount(PAL_KIND_WBEM_INSTANCE);
    EXPECT_EQ(3, alive);
    for (IWbemClassObject* object : slots) {
        EXPECT_EQ(0u, object->Release());
    }
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_WBEM_INSTANCE));
}

TEST_F(EnumeratorTest, RejectsMissingOutputs)
{
    ComPtr<IEnumWbemClassObject> enumerator = QueryMany();
    IWbemClassObject* slot = nullptr;
    ULONG returned = 0;
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, enumerator->Next(0, 1, nullptr, &returned));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, enumerator->Next(0, 1, &slot, nullptr));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, enumerator->Next(-5, 1, &slot, &returned));
}

TEST_F(EnumeratorTest, SlowProviderTimesOutAndDeliversLaterObjectsWhenWaitedFor)
{
    // A second per object against a time-out of a millisecond: the first Next cannot succeed.
    PalWmiSetClassDelay("svc_many", 1000);
    HRESULT hr = E_FAIL;
    ComPtr<IEnumWbemClassObject> enumerator =
        Query(services_.Get(), u"SELECT * FROM Svc_Many WHERE Id <= 2", hr, WBEM_FLAG_FORWARD_ONLY);
    ASSERT_EQ(S_OK, hr);
    Batch late = NextBatch(enumerator.Get(), 10, 1);
    EXPECT_EQ(WBEM_S_TIMEDOUT, late.hr);
    EXPECT_TRUE(late.objects.empty());

    Batch waited = NextBatch(enumerator.Get(), 10, static_cast<LONG>(WBEM_INFINITE));
    EXPECT_EQ(WBEM_S_FALSE, waited.hr);
    EXPECT_EQ((std::vector<std::u16string>{u"1", u"2"}), Texts(waited.objects, u"Id"));
}

TEST_F(EnumeratorTest, FailingProviderFailsTheNextThatReachesTheFailure)
{
    PalWmiFailProviderAfter("Svc_Many", 12, WBEM_E_PROVIDER_FAILURE);
    ComPtr<IEnumWbemClassObject> enumerator = QueryMany();
    Batch first = NextBatch(enumerator.Get(), 10, 10000);
    EXPECT_EQ(WBEM_S_NO_ERROR, first.hr);
    EXPECT_EQ(10u, first.objects.size());
    for (int attempt = 0; attempt < 2; ++attempt) {
        Batch failed = NextBatch(enumerator.Get(), 10, 10000);
        EXPECT_EQ(WBEM_E_PROVIDER_FAILURE, failed.hr);
        EXPECT_TRUE(failed.objects.empty());
    }
}

TEST_F(EnumeratorTest, InjectedNextFailureAndSuccessCode)
{
    PalWmiSetCallResult(PAL_WMI_ENUM_NEXT, 1, WBEM_E_TRANSPORT_FAILURE);
    PalWmiSetCallResult(PAL_WMI_ENUM_NEXT, 2, WBEM_S_TIMEDOUT);
    ComPtr<IEnumWbemClassObject> enumerator = QueryMany();
    Batch failed = NextBatch(enumerator.Get(), 10, 10000);
    EXPECT_EQ(WBEM_E_TRANSPORT_FAILURE, failed.hr);
    EXPECT_TRUE(failed.objects.empty());
    Batch answered = NextBatch(enumerator.Get(), 4, 10000);
    EXPECT_EQ(WBEM_S_TIMEDOUT, answered.hr);
    EXPECT_EQ((std::vector<std::u16string>{u"1", u"2", u"3", u"4"}), Texts(answered.objects, u"Id"));
}

TEST_F(EnumeratorTest, ForwardOnlyEnumeratorCannotResetOrClone)
{
    ComPtr<IEnumWbemClassObject> enumerator = QueryMany();
    EXPECT_EQ(WBEM_E_INVALID_OPERATION, enumerator->Reset());
    ComPtr<IEnumWbemClassObject> clone;
    EXPECT_EQ(WBEM_E_INVALID_OPERATION, enumerator->Clone(clone.Put()));
    EXPECT_FALSE(clone);
    EXPECT_EQ(WBEM_S_NO_ERROR, enumerator->Skip(0, 24));
    EXPECT_EQ((std::vector<std::u16string>{u"25"}), Texts(Drain(enumerator.Get()), u"Id"));
}

TEST_F(EnumeratorTest, BidirectionalEnumeratorResetsAndClonesWithCopies)
{
    ComPtr<IEnumWbemClassObject> enumerator = QueryMany(0);
    Batch first = NextBatch(enumerator.Get(), 2, 0);
    ASSERT_EQ(2u, first.objects.size());

    ComPtr<IEnumWbemClassObject> clone;
    ASSERT_EQ(S_OK, enumerator->Clone(clone.Put()));
    EXPECT_EQ(u"3", Texts(NextBatch(clone.Get(), 1, 0).objects, u"Id").front());

    ASSERT_EQ(S_OK, enumerator->Reset());
    Batch again = NextBatch(enumerator.Get(), 2, 0);
    EXPECT_EQ(Texts(first.objects, u"Id"), Texts(again.objects, u"Id"));
    EXPECT_NE(first.objects[0].Get(), again.objects[0].Get());
    EXPECT_EQ(23u, Drain(enumerator.Get()).size());
}

TEST_F(EnumeratorTest, SemisynchronousForwardOnlyQueryReturnsAtOnceAndStreamsItsObjects)
{
    constexpr LONG kStreaming = WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY;
    PalWmiSetClassDelay("Svc_Many", 1000);
    HRESULT hr = E_FAIL;
    ComPtr<IEnumWbemClassObject> enumerator =
        Query(services_.Get(), u"SELECT * FROM Svc_Many WHERE Id <= 2", hr, kStreaming);
    ASSERT_EQ(S_OK, hr);
    // The query is back before its provider has anything: a short wait times out empty-handed,
    // and that is not the end.
    for (LONG timeout : {0, 1}) {
        Batch early = NextBatch(enumerator.Get(), 10, timeout);
        EXPECT_EQ(WBEM_S_TIMEDOUT, early.hr);
        EXPECT_TRUE(early.objects.empty());
    }
    Batch first = NextBatch(enumerator.Get(), 1, static_cast<LONG>(WBEM_INFINITE));
    EXPECT_EQ(WBEM_S_NO_ERROR, first.hr);
    EXPECT_EQ((std::vector<std::u16string>{u"1"}), Texts(first.objects, u"Id"));
    Batch rest = NextBatch(enumerator.Get(), 10, static_cast<LONG>(WBEM_INFINITE));
    EXPECT_EQ(WBEM_S_FALSE, rest.hr);
    EXPECT_EQ((std::vector<std::u16string>{u"2"}), Texts(rest.objects, u"Id"));
    // Forward-only holds with the return-immediately flag as well.
    EXPECT_EQ(WBEM_E_INVALID_OPERATION, enumerator->Reset());
}

TEST_F(EnumeratorTest, ReleasingAnEnumeratorMidStreamFreesWhatItHasNotDelivered)
{
    ComPtr<IEnumWbemClassObject> enumerator =
        QueryMany(WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY);
    Batch first = NextBatch(enumerator.Get(), 3, 0);
    ASSERT_EQ(3u, first.objects.size());
    EXPECT_EQ(25, PalLiveCount(PAL_KIND_WBEM_INSTANCE));
    enumerator.Reset();
    EXPECT_EQ(3, PalLiveCount(PAL_KIND_WBEM_INSTANCE));
    EXPECT_EQ(u"3", Texts(first.objects, u"Id").back());
}

TEST_F(EnumeratorTest, EnumeratorsAreCountedWhileAlive)
{
    ComPtr<IEnumWbemClassObject> enumerator = QueryMany();
    EXPECT_EQ(1, PalLiveCount(PAL_KIND_WBEM_ENUMERATOR));
    enumerator.Reset();
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_WBEM_ENUMERATOR));
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_WBEM_INSTANCE));
}

}  // namespace
}  // namespace services_test
