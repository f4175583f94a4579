// ExecNotificationQuery: intrinsic events found by polling root\test's instances, extrinsic events
// raised through the controls, the errors of queries that cannot be served, and the end of a
// subscription when its enumerator is released.
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "emulator_test.h"

namespace services_test {
namespace {

constexpr LONG kSemisynchronous = WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY;
constexpr LONG kForever = static_cast<LONG>(WBEM_INFINITE);

class NotificationTest : public TestNamespaceTest {
protected:
    void TearDown() override
    {
        services_.Reset();
        EXPECT_EQ(0, PalLiveCount(PAL_KIND_EVENT_POLLER)) << "a poller outlived its subscription";
        TestNamespaceTest::TearDown();
    }

    ComPtr<IEnumWbemClassObject> Subscribe(const std::u16string& wql, HRESULT& hr,
                                           LONG flags = kSemisynchronous)
    {
        OwnedBstr language(u"WQL"), text(wql.c_str());
        ComPtr<IEnumWbemClassObject> events;
        hr = services_->ExecNotificationQuery(language.Get(), text.Get(), flags, nullptr, events.Put());
        return events;
    }

    ComPtr<IEnumWbemClassObject> Subscribe(const std::u16string& wql)
    {
        HRESULT hr = E_FAIL;
        ComPtr<IEnumWbemClassObject> events = Subscribe(wql, hr);
        EXPECT_EQ(S_OK, hr) << Narrow(wql);
        return events;
    }

    HRESULT SubscribeResult(const std::u16string& wql, LONG flags = kSemisynchronous)
    {
        HRESULT hr = E_FAIL;
        ComPtr<IEnumWbemClassObject> events = Subscribe(wql, hr, flags);
        EXPECT_EQ(SUCCEEDED(hr), static_cast<bool>(events)) << Narrow(wql);
        return hr;
    }

    // The next event, waiting as long as it takes; null (with a failure) when Next fails.
    static ComPtr<IWbemClassObject> NextEvent(IEnumWbemClassObject* events, LONG timeout = kForever)
    {
        IWbemClassObject* event = nullptr;
        ULONG returned = 0;
        const HRESULT hr = events->Next(timeout, 1, &event, &returned);
        EXPECT_TRUE(hr == WBEM_S_NO_ERROR || hr == WBEM_S_TIMEDOUT) << std::hex << hr;
        EXPECT_EQ(hr == WBEM_S_NO_ERROR ? 1u : 0u, returned);
        return ComPtr<IWbemClassObject>::Adopt(returned == 1 ? event : nullptr);
    }

    // Whether an event is waiting now.
    static bool Waiting(IEnumWbemClassObject* events) { return static_cast<bool>(NextEvent(events, 0)); }

    // A property of the embedded object that an event property holds.
    static std::u16string Embedded(IWbemClassObject* event, const char16_t* holder, const char16_t* name)
    {
        OwnedVariant value;
        if (FAILED(event->Get(holder, 0, value.Address(), nullptr, nullptr)) || value.Type() != VT_UNKNOWN) {
            return u"<none>";
        }
        ComPtr<IWbemClassObject> object;
        if (FAILED(V_UNKNOWN(value.Address())
                       ->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(object.Put())))) {
            return u"<none>";
        }
        return Text(object.Get(), name);
    }

    static LONG Raise(const char* nameSpace, const char* className, std::vector<const char*> names,
                      std::vector<const char*> values, HRESULT expected = S_OK)
    {
        LONG delivered = -1;
        EXPECT_EQ(expected, PalWmiRaiseEvent(".", nameSpace, className, static_cast<ULONG>(names.size()),
                                             names.data(), values.data(), &delivered));
        return delivered;
    }

    static void Modify(const char* mof) { LoadMof(mof, "root\\test"); }
};

constexpr char kEpsilon[] = "instance of Test_Keyed { Name = \"epsilon\"; Size = 5; };";

TEST_F(NotificationTest, ExtrinsicEventsReachTheSubscriptionsThatSelectThem)
{
    ComPtr<IEnumWbemClassObject> all = Subscribe(u"SELECT * FROM Test_Event");
    ComPtr<IEnumWbemClassObject> later = Subscribe(u"SELECT * FROM Test_Event WHERE Sequence > 1");
    ComPtr<IEnumWbemClassObject> messages = Subscribe(u"SELECT Message FROM Test_Event");

    EXPECT_EQ(2, Raise("root\\test", "Test_Event", {"Message", "Sequence"}, {"first", "1"}));
    EXPECT_EQ(3, Raise("root\\test", "Test_Event", {"Message", "Sequence"}, {"second", "2"}));
    // Another namespace has subscriptions of its own.
    EXPECT_EQ(0, Raise("root\\default", "Test_Event", {}, {}, WBEM_E_INVALID_CLASS));

    for (const char16_t* message : {u"first", u"second"}) {
        ComPtr<IWbemClassObject> event = NextEvent(all.Get());
        ASSERT_TRUE(event);
        EXPECT_EQ(u"Test_Event", Text(event.Get(), u"__CLASS"));
        EXPECT_EQ(message, Text(event.Get(), u"Message"));
        OwnedVariant time;
        ASSERT_EQ(S_OK, event->Get(u"TIME_CREATED", 0, time.Address(), nullptr, nullptr));
        EXPECT_EQ(VT_BSTR, time.Type()) << "uint64 as decimal text";
    }
    ComPtr<IWbemClassObject> second = NextEvent(later.Get());
    ASSERT_TRUE(second);
    EXPECT_EQ(u"2", Text(second.Get(), u"Sequence"));
    EXPECT_FALSE(Waiting(later.Get()));

    ComPtr<IWbemClassObject> projected = NextEvent(messages.Get());
    ASSERT_TRUE(projected);
    EXPECT_EQ(u"first", Text(projected.Get(), u"Message"));
    EXPECT_EQ(u"<error>", Text(projected.Get(), u"Sequence")) << "only the selected property";
}

TEST_F(NotificationTest, RaisingChecksTheEventAndItsValues)
{
    EXPECT_EQ(0, Raise("root\\test", "No_Such_Event", {}, {}, WBEM_E_INVALID_CLASS));
    EXPECT_EQ(0, Raise("root\\test", "Test_Keyed", {}, {}, WBEM_E_NOT_EVENT_CLASS));
    EXPECT_EQ(0, Raise("root\\test", "Test_Event", {"Colour"}, {"red"}, WBEM_E_NOT_FOUND));
    EXPECT_EQ(0, Raise("root\\test", "Test_Event", {"Sequence"}, {"many"}, WBEM_E_TYPE_MISMATCH));
    EXPECT_EQ(0, Raise("root\\test", "Test_Event", {"Sequence"}, {"-1"}, WBEM_E_TYPE_MISMATCH));
    EXPECT_EQ(WBEM_E_NOT_FOUND,
              PalWmiRaiseEvent("NOHOST", "root\\test", "Test_Event", 0, nullptr, nullptr, nullptr));
    // Nobody listens: the event is raised all the same.
    EXPECT_EQ(0, Raise("root\\test", "Test_Event", {"Message", "Sequence"}, {"unheard", nullptr}));
}

TEST_F(NotificationTest, InstancesThatComeAndGoRaiseCreationAndDeletion)
{
    ComPtr<IEnumWbemClassObject> events = Subscribe(
        u"SELECT * FROM __InstanceOperationEvent WITHIN 0.05 WHERE TargetInstance ISA 'Test_Keyed'");
    Modify(kEpsilon);
    ComPtr<IWbemClassObject> created = NextEvent(events.Get());
    ASSERT_TRUE(created);
    EXPECT_EQ(u"__InstanceCreationEvent", Text(created.Get(), u"__CLASS"));
    EXPECT_EQ(u"epsilon", Embedded(created.Get(), u"TargetInstance", u"Name"));
    EXPECT_EQ(u"5", Embedded(created.Get(), u"TargetInstance", u"Size"));
    EXPECT_EQ(u"Test_Keyed", Embedded(created.Get(), u"TargetInstance", u"__CLASS"));

    ASSERT_EQ(S_OK, PalWmiDeleteInstance(".", "root\\test", "Test_Keyed.Name=\"epsilon\""));
    ComPtr<IWbemClassObject> deleted = NextEvent(events.Get());
    ASSERT_TRUE(deleted);
    EXPECT_EQ(u"__InstanceDeletionEvent", Text(deleted.Get(), u"__CLASS"));
    EXPECT_EQ(u"epsilon", Embedded(deleted.Get(), u"TargetInstance", u"Name"));
    // Subclass instances are instances of the class too.
    ASSERT_EQ(S_OK, PalWmiDeleteInstance(".", "root\\test", "Test_KeyedChild.Name=\"delta\""));
    ComPtr<IWbemClassObject> child = NextEvent(events.Get());
    ASSERT_TRUE(child);
    EXPECT_EQ(u"Test_KeyedChild", Embedded(child.Get(), u"TargetInstance", u"__CLASS"));
}

TEST_F(NotificationTest, ModificationCarriesTheInstanceBeforeAndAfter)
{
    ComPtr<IEnumWbemClassObject> events = Subscribe(
        u"SELECT * FROM __InstanceModificationEvent WITHIN 0.05 WHERE TargetInstance ISA 'Test_Keyed' "
        u"AND TargetInstance.Name = 'beta'");
    ComPtr<IEnumWbemClassObject> creations =
        Subscribe(u"SELECT * FROM __InstanceCreationEvent WITHIN 0.05 WHERE TargetInstance ISA 'Test_Keyed'");
    // alpha changes first, then beta: alpha's change comes in the same poll or an earlier one.
    Modify("instance of Test_Keyed { Name = \"alpha\"; Size = 100; };");
    Modify("instance of Test_Keyed { Name = \"beta\"; Size = 20; Label = \"changed\"; };");
    ComPtr<IWbemClassObject> modified = NextEvent(events.Get());
    ASSERT_TRUE(modified);
    EXPECT_EQ(u"__InstanceModificationEvent", Text(modified.Get(), u"__CLASS"));
    EXPECT_EQ(u"20", Embedded(modified.Get(), u"TargetInstance", u"Size"));
    EXPECT_EQ(u"changed", Embedded(modified.Get(), u"TargetInstance", u"Label"));
    EXPECT_EQ(u"2", Embedded(modified.Get(), u"PreviousInstance", u"Size"));
    EXPECT_EQ(u"second", Embedded(modified.Get(), u"PreviousInstance", u"Label"));
    EXPECT_FALSE(Waiting(events.Get())) << "alpha's change does not meet the condition";
    EXPECT_FALSE(Waiting(creations.Get())) << "a change creates nothing";

    // Writing the same values again changes nothing.
    Modify("instance of Test_Keyed { Name = \"beta\"; Size = 20; Label = \"changed\"; };");
    Modify(kEpsilon);
    ASSERT_TRUE(NextEvent(creations.Get()));
    EXPECT_FALSE(Waiting(events.Get()));
}

TEST_F(NotificationTest, AnEventComesFromAPollAfterTheChangeNeverBefore)
{
    PalWmiHoldEventPolls(TRUE);
    ComPtr<IEnumWbemClassObject> events =
        Subscribe(u"SELECT * FROM __InstanceCreationEvent WITHIN 0.02 WHERE TargetInstance ISA 'Test_Keyed'");
    const LONG pollsBefore = PalWmiEventPollCount();
    Modify(kEpsilon);
    // The instance exists, but no poll has looked: no event yet, however long Next waits.
    EXPECT_FALSE(NextEvent(events.Get(), 200));
    EXPECT_EQ(pollsBefore, PalWmiEventPollCount());

    PalWmiHoldEventPolls(FALSE);
    ComPtr<IWbemClassObject> created = NextEvent(events.Get());
    ASSERT_TRUE(created);
    EXPECT_LT(pollsBefore, PalWmiEventPollCount()) << "the event came from a poll";
    EXPECT_EQ(u"epsilon", Embedded(created.Get(), u"TargetInstance", u"Name"));
    // The instances that were there when the subscription started raised nothing.
    EXPECT_FALSE(Waiting(events.Get()));
}

TEST_F(NotificationTest, QueriesThatCannotBeServedGiveWmisErrors)
{
    const std::u16string isaKeyed = u" WHERE TargetInstance ISA 'Test_Keyed'";
    EXPECT_EQ(WBEMESS_E_REGISTRATION_TOO_PRECISE,
              SubscribeResult(u"SELECT * FROM __InstanceCreationEvent" + isaKeyed));
    EXPECT_EQ(WBEMESS_E_REGISTRATION_TOO_BROAD,
              SubscribeResult(u"SELECT * FROM __InstanceCreationEvent WITHIN 1"));
    EXPECT_EQ(WBEMESS_E_REGISTRATION_TOO_BROAD,
              SubscribeResult(
                  u"SELECT * FROM __InstanceCreationEvent WITHIN 1 WHERE TargetInstance ISA 'Test_Keyed' "
                  u"OR TargetInstance ISA 'Test_Group'"));
    EXPECT_EQ(WBEM_E_INVALID_CLASS,
              SubscribeResult(
                  u"SELECT * FROM __InstanceCreationEvent WITHIN 1 WHERE TargetInstance ISA 'Nothing'"));
    EXPECT_EQ(WBEM_E_INVALID_CLASS, SubscribeResult(u"SELECT * FROM No_Such_Event"));
    EXPECT_EQ(WBEM_E_NOT_EVENT_CLASS, SubscribeResult(u"SELECT * FROM Test_Keyed WITHIN 1"));
    EXPECT_EQ(WBEM_E_PROPERTY_NOT_AN_OBJECT,
              SubscribeResult(
                  u"SELECT * FROM __InstanceCreationEvent WITHIN 1 WHERE TIME_CREATED ISA 'Test_Keyed'"));
    EXPECT_EQ(WBEM_E_INVALID_QUERY,
              SubscribeResult(u"SELECT * FROM __InstanceCreationEvent WITHIN 0" + isaKeyed));
    EXPECT_EQ(WBEM_E_INVALID_QUERY, SubscribeResult(u"SELECT Nothing FROM Test_Event"));
    EXPECT_EQ(WBEM_E_INVALID_QUERY, SubscribeResult(u"ASSOCIATORS OF {Test_Keyed.Name=\"alpha\"}"));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, SubscribeResult(u"SELECT * FROM Test_Event", WBEM_FLAG_FORWARD_ONLY));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER,
              SubscribeResult(u"SELECT * FROM Test_Event", WBEM_FLAG_RETURN_IMMEDIATELY));
    OwnedBstr language(u"SQL"), text(u"SELECT * FROM Test_Event");
    ComPtr<IEnumWbemClassObject> events;
    EXPECT_EQ(WBEM_E_INVALID_QUERY_TYPE,
              services_->ExecNotificationQuery(language.Get(), text.Get(), kSemisynchronous, nullptr,
                                               events.Put()));
    // A polling interval belongs to event queries.
    HRESULT hr = S_OK;
    Query(services_.Get(), u"SELECT * FROM Test_Keyed WITHIN 5", hr);
    EXPECT_EQ(WBEM_E_INVALID_QUERY, hr);
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_EVENT_POLLER));
}

TEST_F(NotificationTest, ReleasingTheEnumeratorStopsItsPoller)
{
    std::vector<ComPtr<IEnumWbemClassObject>> subscriptions;
    for (int i = 0; i < 12; ++i) {
        subscriptions.push_back(Subscribe(
            u"SELECT * FROM __InstanceCreationEvent WITHIN 0.01 WHERE TargetInstance ISA 'Test_Keyed'"));
    }
    subscriptions.push_back(Subscribe(u"SELECT * FROM Test_Event"));
    EXPECT_EQ(12, PalLiveCount(PAL_KIND_EVENT_POLLER)) << "extrinsic events need no poller";
    Modify(kEpsilon);
    for (size_t i = 0; i < 12; ++i) {
        ComPtr<IWbemClassObject> created = NextEvent(subscriptions[i].Get());
        ASSERT_TRUE(created);
        EXPECT_EQ(u"epsilon", Embedded(created.Get(), u"TargetInstance", u"Name"));
    }
    // Events not taken go with their subscription.
    Modify("instance of Test_Keyed { Name = \"zeta\"; };");
    ASSERT_TRUE(NextEvent(subscriptions[0].Get()));
    subscriptions.resize(6);
    EXPECT_EQ(6, PalLiveCount(PAL_KIND_EVENT_POLLER));
    subscriptions.clear();
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_EVENT_POLLER));
}

TEST_F(NotificationTest, ANextThatWaitsKeepsItsSubscriptionUntilItReturns)
{
    ComPtr<IEnumWbemClassObject> events = Subscribe(u"SELECT * FROM Test_Event");
    const LONG callsBefore = PalWmiCallCount(PAL_WMI_ENUM_NEXT);
    HRESULT waited = E_FAIL;
    ULONG returned = 99;
    IEnumWbemClassObject* own = events.Get();
    own->AddRef();
    std::thread reader([&] {
        IWbemClassObject* event = nullptr;
        waited = own->Next(kForever, 1, &event, &returned);
        if (returned == 1) {
            event->Release();
        }
        own->Release();
    });
    while (PalWmiCallCount(PAL_WMI_ENUM_NEXT) == callsBefore) {
        std::this_thread::yield();
    }
    events.Reset();  // the reader's reference keeps the subscription
    EXPECT_EQ(1, Raise("root\\test", "Test_Event", {"Message"}, {"still heard"}));
    reader.join();
    EXPECT_EQ(WBEM_S_NO_ERROR, waited);
    EXPECT_EQ(1u, returned);
}

TEST_F(NotificationTest, TheEnumeratorIsAForwardOnlyProxy)
{
    ComPtr<IEnumWbemClassObject> events = Subscribe(u"SELECT * FROM Test_Event");
    ComPtr<IEnumWbemClassObject> copy;
    EXPECT_EQ(WBEM_E_INVALID_OPERATION, events->Clone(copy.Put()));
    EXPECT_FALSE(copy);
    IWbemClassObject* slot = nullptr;
    ULONG returned = 7;
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, events->Next(-2, 1, &slot, &returned));
    EXPECT_EQ(0u, returned);
    ComPtr<IClientSecurity> security;
    EXPECT_EQ(S_OK, events->QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(security.Put())));
    PalWmiSetCallResult(PAL_WMI_ENUM_NEXT, 1, WBEM_E_TRANSPORT_FAILURE);
    EXPECT_EQ(WBEM_E_TRANSPORT_FAILURE, events->Next(0, 1, &slot, &returned));
}

}  // namespace
}  // namespace services_test
