// The exports of WmiExtensions through the JNI stand-in, against the WMI emulator: listings agree
// with the property reads, streams and subscriptions deliver in batches with their own time-outs,
// and every path leaves nothing alive.
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector.h>
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions.h>
#include <gtest/gtest.h>
#include <pal/testing.h>
#include <pal/wmi_control.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "FakeJni.h"
#include "ListingView.h"
#include "ScriptedClassObject.h"
#include "jni/Handles.h"
#include "wmi/WmiObject.h"

#define CONNECTOR(name) Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_##name
#define EXTENSIONS(name) Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_##name

using testsupport::kNullMarker;
using testsupport::ListingView;
using testsupport::ViewOf;

namespace {

constexpr jlong kWbemFalse = 1;
constexpr jlong kWbemTimedOut = 0x40004;
constexpr jlong kWbemFailed = static_cast<int32_t>(0x80041001);
constexpr jlong kAccessDenied = static_cast<int32_t>(0x80070005);
constexpr jint kListSystem = com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LIST_SYSTEM_PROPERTIES;

jlong Bits(double value)
{
    jlong bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

// Live objects of every kind, and COM initialisations.
std::vector<LONG> Alive()
{
    std::vector<LONG> counts;
    for (int kind = 0; kind < PAL_KIND_COUNT; ++kind) {
        counts.push_back(PalLiveCount(kind));
    }
    counts.push_back(PalApartmentDepthTotal());
    return counts;
}

class ExtensionExports : public ::testing::Test {
protected:
    void SetUp() override
    {
        PalWmiResetAll();
        m_before = Alive();
    }

    void TearDown() override
    {
        PalWmiResetAll();
        EXPECT_EQ(m_before, Alive()) << "live objects by kind, then COM initialisations";
        EXPECT_EQ(fake.framesOpen, 0);
    }

    JNIEnv* env() { return fake.env(); }
    jstring Text(const std::u16string& text) { return fake.NewString(text); }

    // The last value a holder received.
    std::optional<jlong> Received(jobject holder)
    {
        const auto& values = fake.HolderOf(holder).values;
        return values.empty() ? std::nullopt : std::optional<jlong>(values.back());
    }

    jlong Connect(const std::u16string& resource, jstring user = nullptr, jstring password = nullptr)
    {
        jobject holder = fake.NewHolder();
        EXPECT_EQ(0, CONNECTOR(WmiServiceConnectServer)(env(), nullptr, Text(resource), nullptr, user,
                                                        password, holder));
        return Received(holder).value_or(0);
    }

    jlong GetObject(jlong session, const std::u16string& path)
    {
        jobject holder = fake.NewHolder();
        EXPECT_EQ(0, CONNECTOR(WmiServiceGetObject)(env(), nullptr, session, Text(path), holder));
        return Received(holder).value_or(0);
    }

    std::optional<std::u16string> Property(jlong object, const std::u16string& name)
    {
        jstring text = CONNECTOR(WmiObjectGetProperty)(env(), nullptr, object, Text(name), fake.NewHolder());
        return fakejni::Env::OptionalText(text);
    }

    std::vector<std::optional<std::u16string>> PropertyValues(jlong object, const std::u16string& name)
    {
        jobject collection = fake.NewCollection();
        EXPECT_EQ(0, CONNECTOR(WmiObjectGetPropertyValues)(env(), nullptr, object, Text(name), collection));
        return fake.CollectionOf(collection).items;
    }

    // The listing, or nullopt with the code the holder received.
    std::optional<ListingView> List(jlong object, jint flags, jlong* code = nullptr)
    {
        jobject holder = fake.NewHolder();
        jobjectArray listing = EXTENSIONS(WmiObjectListProperties)(env(), nullptr, object, flags, holder);
        if (code != nullptr) {
            *code = Received(holder).value_or(0);
        }
        if (listing == nullptr) {
            EXPECT_TRUE(Received(holder).has_value()) << "a failed listing reports its code";
            return std::nullopt;
        }
        EXPECT_FALSE(Received(holder).has_value()) << "a listing that succeeds leaves the holder alone";
        return ViewOf(listing);
    }

    jlong Stream(jlong session, const std::u16string& query)
    {
        jobject holder = fake.NewHolder();
        EXPECT_EQ(0, EXTENSIONS(WmiServiceExecQueryStreaming)(env(), nullptr, session, Text(query), holder));
        return Received(holder).value_or(0);
    }

    jlong Subscribe(jlong session, const std::u16string& query)
    {
        jobject holder = fake.NewHolder();
        EXPECT_EQ(0,
                  EXTENSIONS(WmiServiceExecNotificationQuery)(env(), nullptr, session, Text(query), holder));
        return Received(holder).value_or(0);
    }

    // Raises a Test_Event in root\test; the number of subscriptions that received it.
    static LONG Raise(const char* message)
    {
        const char* names[] = {"Message"};
        const char* values[] = {message};
        LONG delivered = -1;
        EXPECT_EQ(S_OK, PalWmiRaiseEvent(".", "root\\test", "Test_Event", 1, names, values, &delivered));
        return delivered;
    }

    struct Batch {
        jlong code;
        std::vector<jlong> slots;
    };
    Batch Next(jlong stream, jint timeoutMs, jsize room)
    {
        auto handles =
            static_cast<jlongArray>(fake.NewArray<jlong>(std::vector<jlong>(static_cast<size_t>(room), -7)));
        const jlong code = EXTENSIONS(WmiObjectStreamNextBatch)(env(), nullptr, stream, timeoutMs, handles);
        return {code, fakejni::Env::ElementsOf<jlong>(handles)};
    }

    // The Id of every delivered object, which is freed; checks that slots after the first 0 stay 0.
    std::vector<std::u16string> IdsAndFree(const Batch& batch)
    {
        std::vector<std::u16string> ids;
        bool ended = false;
        for (jlong handle : batch.slots) {
            if (handle == 0) {
                ended = true;
                continue;
            }
            EXPECT_FALSE(ended) << "handles fill the slots from the first on";
            ids.push_back(Property(handle, u"Id").value_or(u"?"));
            CONNECTOR(WmiObjectDestroy)(env(), nullptr, handle);
        }
        return ids;
    }

    static void LoadMany(int count)
    {
        std::string mof = "class Test_Many { [key] uint32 Id; };\n";
        for (int id = 1; id <= count; ++id) {
            mof += "instance of Test_Many { Id = " + std::to_string(id) + "; };\n";
        }
        char error[256] = {};
        ASSERT_EQ(S_OK, PalWmiLoadHostMof(".", "root\\test", mof.c_str(), error, sizeof error)) << error;
    }

    fakejni::Env fake;

private:
    std::vector<LONG> m_before;
};

using Texts = std::vector<std::optional<std::u16string>>;

TEST_F(ExtensionExports, AListingAgreesWithThePropertyReadsForEveryCimType)
{
    const jlong session = Connect(u"root\\test");
    const jlong full = GetObject(session, u"Test_AllTypes.Name=\"full\"");
    const std::optional<ListingView> listing = List(full, 0);
    ASSERT_TRUE(listing.has_value());
    ASSERT_EQ(listing->names.size(), 34u);
    EXPECT_EQ(listing->names.front(), u"Name");
    for (size_t i = 0; i < listing->names.size(); ++i) {
        const std::u16string& name = listing->names[i];
        const jint type = listing->types[i];
        if ((type & (CIM_FLAG_ARRAY | kNullMarker)) == CIM_FLAG_ARRAY) {
            if ((type & ~CIM_FLAG_ARRAY) != CIM_OBJECT) {
                EXPECT_EQ(listing->Texts(name), PropertyValues(full, name))
                    << std::string(name.begin(), name.end());
            }
        } else if ((type & ~kNullMarker) != CIM_OBJECT) {
            EXPECT_EQ(listing->Text(name), Property(full, name)) << std::string(name.begin(), name.end());
        }
    }
    // A uint32 above 2^31 is a negative VT_I4: the type says how to read it.
    EXPECT_EQ(listing->Type(u"UInt32Value"), CIM_UINT32);
    EXPECT_EQ(listing->Text(u"UInt32Value"), u"-294967296");
    EXPECT_EQ(listing->Number(u"UInt32Value"), -294967296);
    EXPECT_EQ(listing->Number(u"UInt16Value"), 60000);
    EXPECT_EQ(listing->Number(u"SInt8Value"), -8);
    EXPECT_EQ(listing->Number(u"Real64Value"), Bits(-2.25e10));
    EXPECT_EQ(listing->Number(u"Real32Value"), Bits(1.5));
    EXPECT_EQ(listing->Number(u"BooleanValue"), 1);
    // 64-bit values come as text, so they have no number.
    EXPECT_EQ(listing->Text(u"SInt64Value"), u"-9000000000000000000");
    EXPECT_EQ(listing->Number(u"SInt64Value"), 0);
    EXPECT_EQ(listing->ElementNumbers(u"UInt32Array"), (std::vector<jlong>{0, -1}));
    EXPECT_EQ(listing->ElementNumbers(u"BooleanArray"), (std::vector<jlong>{1, 0, 1}));
    EXPECT_EQ(listing->ElementNumbers(u"Real64Array"), (std::vector<jlong>{Bits(1.0), Bits(2.5e-3)}));
    EXPECT_FALSE(listing->HasElementNumbers(u"StringArray"));
    EXPECT_EQ(listing->Texts(u"StringArray"), (Texts{u"one", u"", u"three"}));

    EXPECT_EQ(listing->Type(u"TypedObjectValue"), CIM_OBJECT | kNullMarker);
    EXPECT_EQ(listing->Text(u"TypedObjectValue"), u"");
    EXPECT_EQ(listing->Type(u"ObjectValue"), CIM_OBJECT);
    const ListingView embedded = ViewOf(listing->Value(u"ObjectValue"));
    EXPECT_EQ(embedded.names, (std::vector<std::u16string>{u"Name", u"Size", u"Label"}));
    EXPECT_EQ(embedded.Text(u"Name"), u"embedded");
    EXPECT_EQ(embedded.Number(u"Size"), 42);
    EXPECT_EQ(embedded.Type(u"Label"), CIM_STRING | kNullMarker);
    const auto& objects = fakejni::Env::ObjectArrayOf(listing->Value(u"ObjectArray")).elements;
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(ViewOf(objects[0]).Text(u"Name"), u"first");
    EXPECT_EQ(ViewOf(objects[1]).Text(u"Name"), u"second");
    EXPECT_TRUE(ViewOf(objects[1]).Has(u"Extra")) << "the element is listed as the subclass it is";

    CONNECTOR(WmiObjectDestroy)(env(), nullptr, full);
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

TEST_F(ExtensionExports, SystemPropertiesAreListedOnlyWhenAskedFor)
{
    const jlong session = Connect(u"root\\test");
    const jlong alpha = GetObject(session, u"Test_Keyed.Name=\"alpha\"");
    const std::optional<ListingView> own = List(alpha, 0);
    const std::optional<ListingView> all = List(alpha, kListSystem);
    ASSERT_TRUE(own && all);
    EXPECT_EQ(own->names, (std::vector<std::u16string>{u"Name", u"Size", u"Label"}));
    ASSERT_EQ(all->names.size(), 13u);
    EXPECT_EQ(all->names.front(), u"__GENUS");
    EXPECT_EQ(all->Number(u"__GENUS"), 2);
    EXPECT_EQ(all->Text(u"__PATH"), Property(alpha, u"__PATH"));
    EXPECT_EQ(all->Texts(u"__DERIVATION"), PropertyValues(alpha, u"__DERIVATION"));
    EXPECT_EQ(std::vector<std::u16string>(all->names.end() - 3, all->names.end()), own->names);

    const jlong empty = GetObject(session, u"Test_AllTypes.Name=\"empty\"");
    const std::optional<ListingView> nulls = List(empty, 0);
    ASSERT_TRUE(nulls.has_value());
    for (size_t i = 1; i < nulls->names.size(); ++i) {
        EXPECT_NE(nulls->types[i] & kNullMarker, 0);
        EXPECT_EQ(fakejni::Env::OptionalText(nulls->values[i]), u"");
        EXPECT_EQ(nulls->arrayNumbers[i], nullptr);
    }
    for (jlong object : {alpha, empty}) {
        CONNECTOR(WmiObjectDestroy)(env(), nullptr, object);
    }
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

TEST_F(ExtensionExports, ListingFailuresGoToTheHolder)
{
    jlong code = 0;
    EXPECT_FALSE(List(0, 0, &code).has_value());
    EXPECT_EQ(code, 87);
    EXPECT_EQ(EXTENSIONS(WmiObjectListProperties)(env(), nullptr, 0, 0, nullptr), nullptr);

    const jlong session = Connect(u"root\\test");
    const jlong alpha = GetObject(session, u"Test_Keyed.Name=\"alpha\"");
    EXPECT_FALSE(List(alpha, 2, &code).has_value());
    EXPECT_EQ(code, 87) << "unknown flags";
    // A holder without set(long): nothing to report to, the lookup's error stays pending.
    EXPECT_EQ(EXTENSIONS(WmiObjectListProperties)(env(), nullptr, alpha, 2, fake.NewHolder(false)), nullptr);
    EXPECT_EQ(fake.pending->className, "java/lang/NoSuchMethodError");
    fake.pending.reset();
    CONNECTOR(WmiObjectDestroy)(env(), nullptr, alpha);
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);

    using namespace wmibridge;
    {
        // Handles made here, as WMI never makes such objects.
        CRefPtr<CWmiObject> withoutObject;
        withoutObject = new CWmiObject(nullptr);
        const jlong handle = NewHandle(withoutObject);
        EXPECT_FALSE(List(handle, 0, &code).has_value());
        EXPECT_EQ(code, 4312);
        FreeHandle<CWmiObject>(handle);

        auto* failing = testsupport::ScriptedClassObject::Create();
        failing->failingNext = 0;
        failing->nextFailure = E_ACCESSDENIED;
        auto* looping = testsupport::ScriptedClassObject::Create();
        looping->AddSelf(u"Self");
        CRefPtr<CWmiObject> failingWrapper;
        CRefPtr<CWmiObject> loopingWrapper;
        ASSERT_TRUE(Wrap(failingWrapper, failing) && Wrap(loopingWrapper, looping));
        failing->Release();
        looping->Release();
        const jlong failingHandle = NewHandle(failingWrapper);
        const jlong loopingHandle = NewHandle(loopingWrapper);
        EXPECT_FALSE(List(failingHandle, 0, &code).has_value());
        EXPECT_EQ(code, 5);
        EXPECT_FALSE(List(loopingHandle, 0, &code).has_value());
        EXPECT_EQ(code, com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_ERROR_NESTING_TOO_DEEP);
        FreeHandle<CWmiObject>(failingHandle);
        FreeHandle<CWmiObject>(loopingHandle);
    }
    EXPECT_EQ(testsupport::ScriptedClassObject::Live(), 0);
}

TEST_F(ExtensionExports, AStreamDeliversBatchesThenTheEndMarker)
{
    LoadMany(25);
    const jlong session = Connect(u"root\\test");
    const jlong stream = Stream(session, u"SELECT * FROM Test_Many");
    ASSERT_NE(stream, 0);
    std::vector<std::u16string> ids;
    std::vector<jlong> codes;
    for (int call = 0; call < 4; ++call) {
        const Batch batch = Next(stream, 10000, 10);
        codes.push_back(batch.code);
        for (const std::u16string& id : IdsAndFree(batch)) {
            ids.push_back(id);
        }
    }
    EXPECT_EQ(codes, (std::vector<jlong>{0, 0, kWbemFalse, kWbemFalse}));
    ASSERT_EQ(ids.size(), 25u);
    EXPECT_EQ(ids.front(), u"1");
    EXPECT_EQ(ids.back(), u"25");
    // The start asks for the first object without waiting; then one Next per batch.
    EXPECT_EQ(PalWmiCallCount(PAL_WMI_ENUM_NEXT), 5);

    // One Next per call, capped at the largest batch, whatever room the array offers.
    const jlong again = Stream(session, u"SELECT * FROM Test_Many");
    const Batch all = Next(again, -1, 3000);
    EXPECT_EQ(all.code, kWbemFalse);
    EXPECT_EQ(IdsAndFree(all).size(), 25u);
    EXPECT_EQ(all.slots.size(), 3000u);
    EXPECT_EQ(PalWmiCallCount(PAL_WMI_ENUM_NEXT), 7);

    for (jlong handle : {stream, again}) {
        EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, handle);
    }
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

// The largest batch fills the library's buffer for it exactly; more room still gives that many.
TEST_F(ExtensionExports, StreamBatchesAtTheLargestSizeAndOnePast)
{
    constexpr jsize kLargest = com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_MAX_STREAM_BATCH;
    LoadMany(kLargest + 10);
    const jlong session = Connect(u"root\\test");
    for (const jsize room : {kLargest - 1, kLargest, kLargest + 1}) {
        const jlong stream = Stream(session, u"SELECT * FROM Test_Many");
        const Batch batch = Next(stream, -1, room);
        EXPECT_EQ(batch.code, 0) << room;
        const std::vector<std::u16string> ids = IdsAndFree(batch);
        ASSERT_EQ(ids.size(), static_cast<size_t>(std::min(room, kLargest))) << room;
        const std::string last = std::to_string(ids.size());
        EXPECT_EQ(ids.back(), std::u16string(last.begin(), last.end())) << room;
        const Batch rest = Next(stream, -1, kLargest);
        EXPECT_EQ(IdsAndFree(rest).size(), kLargest + 10 - ids.size()) << room;
        EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, stream);
    }
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

// A buffered query collects in batches of ten: results that fill the last batch exactly, or
// spill one object over, are collected whole.
TEST_F(ExtensionExports, BufferedQueriesAroundTheirBatchSize)
{
    for (const int count : {9, 10, 11, 20, 21}) {
        PalWmiResetAll();
        LoadMany(count);
        const jlong session = Connect(u"root\\test");
        jobject holder = fake.NewHolder();
        ASSERT_EQ(0, CONNECTOR(WmiServiceExecQuery)(env(), nullptr, session, Text(u"SELECT * FROM Test_Many"),
                                                    holder));
        const jlong set = Received(holder).value_or(0);
        EXPECT_EQ(count, CONNECTOR(WmiObjectEnumObjectCount)(env(), nullptr, set)) << count;
        CONNECTOR(WmiObjectEnumDestroy)(env(), nullptr, set);
        CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
    }
}

TEST_F(ExtensionExports, ASlowProviderTimesOutWithoutEndingTheStream)
{
    LoadMany(2);
    PalWmiSetClassDelay("Test_Many", 1000);
    const jlong session = Connect(u"root\\test");
    const jlong stream = Stream(session, u"SELECT * FROM Test_Many");
    const Batch early = Next(stream, 1, 5);
    EXPECT_EQ(early.code, kWbemTimedOut);
    EXPECT_EQ(early.slots, std::vector<jlong>(5, 0));
    const Batch rest = Next(stream, -1, 5);
    EXPECT_EQ(rest.code, kWbemFalse);
    EXPECT_EQ(IdsAndFree(rest), (std::vector<std::u16string>{u"1", u"2"}));
    EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, stream);
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

TEST_F(ExtensionExports, FailuresOfNextComeBackUnmapped)
{
    LoadMany(15);
    PalWmiFailProviderAfter("Test_Many", 12, WBEM_E_FAILED);
    const jlong session = Connect(u"root\\test");
    const jlong stream = Stream(session, u"SELECT * FROM Test_Many");
    EXPECT_EQ(IdsAndFree(Next(stream, -1, 10)).size(), 10u);
    const Batch failed = Next(stream, -1, 10);
    EXPECT_EQ(failed.code, kWbemFailed);
    EXPECT_EQ(failed.slots, std::vector<jlong>(10, 0));
    // A Win32-facility failure as well: 5 would read as a Win32 code.
    PalWmiSetCallResult(PAL_WMI_ENUM_NEXT, 1, E_ACCESSDENIED);
    EXPECT_EQ(Next(stream, -1, 10).code, kAccessDenied);
    EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, stream);
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

TEST_F(ExtensionExports, DestroyingAStreamMidwayCancelsItButDeliveredObjectsLive)
{
    LoadMany(25);
    const jlong session = Connect(u"root\\test");
    const jlong stream = Stream(session, u"SELECT * FROM Test_Many");
    const Batch first = Next(stream, -1, 3);
    EXPECT_EQ(first.code, 0);
    EXPECT_EQ(PalLiveCount(PAL_KIND_WBEM_ENUMERATOR), 1);
    EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, stream);
    EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, 0);
    EXPECT_EQ(PalLiveCount(PAL_KIND_WBEM_ENUMERATOR), 0);
    EXPECT_EQ(PalLiveCount(PAL_KIND_WBEM_INSTANCE), 3);
    EXPECT_EQ(IdsAndFree(first), (std::vector<std::u16string>{u"1", u"2", u"3"}));
    // The session outlives its stream, and the stream its session handle.
    const jlong second = Stream(session, u"SELECT * FROM Test_Many");
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
    EXPECT_EQ(PalLiveCount(PAL_KIND_WBEM_SERVICES), 1);
    EXPECT_EQ(IdsAndFree(Next(second, -1, 2)), (std::vector<std::u16string>{u"1", u"2"}));
    EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, second);
}

TEST_F(ExtensionExports, AStreamDestroyedBeforeItsFirstBatchReleasesWhatItFetchedAhead)
{
    LoadMany(3);
    const jlong session = Connect(u"root\\test");
    const jlong stream = Stream(session, u"SELECT * FROM Test_Many");
    EXPECT_EQ(PalWmiCallCount(PAL_WMI_ENUM_NEXT), 1);  // the start fetched the first object ahead
    EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, stream);
    EXPECT_EQ(PalLiveCount(PAL_KIND_WBEM_INSTANCE), 0);
    EXPECT_EQ(PalLiveCount(PAL_KIND_WBEM_ENUMERATOR), 0);
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

TEST_F(ExtensionExports, AFailureAfterTheObjectFetchedAheadHandsItOutAndFailsTheNextBatch)
{
    LoadMany(3);
    const jlong session = Connect(u"root\\test");
    const jlong stream = Stream(session, u"SELECT * FROM Test_Many");
    PalWmiSetCallResult(PAL_WMI_ENUM_NEXT, 1, WBEM_E_FAILED);
    const Batch first = Next(stream, -1, 4);
    EXPECT_EQ(first.code, kWbemTimedOut);  // short of the count, yet not the end
    EXPECT_EQ(IdsAndFree(first), (std::vector<std::u16string>{u"1"}));
    const Batch failed = Next(stream, -1, 4);
    EXPECT_EQ(failed.code, kWbemFailed);
    EXPECT_EQ(failed.slots, std::vector<jlong>(4, 0));
    // The failure is reported once; then the enumerator answers again.
    EXPECT_EQ(IdsAndFree(Next(stream, -1, 4)), (std::vector<std::u16string>{u"2", u"3"}));
    EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, stream);
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

TEST_F(ExtensionExports, StreamAndSubscriptionEnumeratorsAreSecuredLikeTheBufferedQuerys)
{
    PalWmiAddHost("SRV1");
    ASSERT_TRUE(PalWmiAddAccount("SRV1", "CORP", "alice", "s3cret", FALSE));
    const jlong session = Connect(u"\\\\SRV1\\root\\test", Text(u"CORP\\alice"), Text(u"s3cret"));
    jobject set = fake.NewHolder();
    ASSERT_EQ(
        0, CONNECTOR(WmiServiceExecQuery)(env(), nullptr, session, Text(u"SELECT * FROM Test_Keyed"), set));
    CONNECTOR(WmiObjectEnumDestroy)(env(), nullptr, Received(set).value_or(0));
    PalBlanket buffered{};
    ASSERT_TRUE(PalWmiLastBlanket(PAL_KIND_WBEM_ENUMERATOR, &buffered));
    for (const jlong stream : {Stream(session, u"SELECT * FROM Test_Keyed"),
                               Subscribe(session,
                                         u"SELECT * FROM __InstanceDeletionEvent WITHIN 10 "
                                         u"WHERE TargetInstance ISA 'Test_Keyed'")}) {
        ASSERT_NE(stream, 0);
        PalBlanket secured{};
        ASSERT_TRUE(PalWmiLastBlanket(PAL_KIND_WBEM_ENUMERATOR, &secured));
        EXPECT_TRUE(secured.wasSet);
        EXPECT_TRUE(secured.hasIdentity);
        EXPECT_EQ(std::u16string(secured.user), u"alice");
        EXPECT_EQ(std::u16string(secured.domain), u"CORP");
        EXPECT_EQ(std::u16string(secured.password), u"s3cret");
        EXPECT_EQ(secured.authnLevel, buffered.authnLevel);
        EXPECT_EQ(secured.impLevel, buffered.impLevel);
        EXPECT_EQ(secured.capabilities, buffered.capabilities);
        EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, stream);
    }
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

TEST_F(ExtensionExports, ASubscriptionDeliversItsEventsInBatchesAndNeverEnds)
{
    const jlong session = Connect(u"root\\test");
    const jlong events = Subscribe(session, u"SELECT * FROM Test_Event");
    ASSERT_NE(events, 0);
    const Batch none = Next(events, 0, 4);
    EXPECT_EQ(none.code, kWbemTimedOut);
    EXPECT_EQ(none.slots, std::vector<jlong>(4, 0));
    for (const char* message : {"one", "two", "three"}) {
        EXPECT_EQ(1, Raise(message));
    }
    const Batch two = Next(events, 10000, 2);
    EXPECT_EQ(two.code, 0) << "as many as asked for: more may come";
    const Batch rest = Next(events, 0, 4);
    EXPECT_EQ(rest.code, kWbemTimedOut) << "a subscription has no end";
    Texts messages;
    for (const Batch* batch : {&two, &rest}) {
        for (const jlong handle : batch->slots) {
            if (handle != 0) {
                messages.push_back(Property(handle, u"Message"));
                CONNECTOR(WmiObjectDestroy)(env(), nullptr, handle);
            }
        }
    }
    EXPECT_EQ(messages, (Texts{u"one", u"two", u"three"}));
    EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, events);
    EXPECT_EQ(0, Raise("after the end"));
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

TEST_F(ExtensionExports, IntrinsicEventsCarryTheInstanceAsAnEmbeddedObject)
{
    const jlong session = Connect(u"root\\test");
    const jlong events = Subscribe(
        session, u"SELECT * FROM __InstanceCreationEvent WITHIN 0.05 WHERE TargetInstance ISA 'Test_Keyed'");
    EXPECT_EQ(PalLiveCount(PAL_KIND_EVENT_POLLER), 1);
    char error[256] = {};
    ASSERT_EQ(S_OK,
              PalWmiLoadHostMof(".", "root\\test", "instance of Test_Keyed { Name = \"new\"; Size = 9; };",
                                error, sizeof error))
        << error;
    const Batch created = Next(events, -1, 1);
    ASSERT_EQ(created.code, 0);
    const jlong event = created.slots.at(0);
    EXPECT_EQ(Property(event, u"__CLASS"), u"__InstanceCreationEvent");
    jobject holder = fake.NewHolder();
    ASSERT_EQ(0,
              CONNECTOR(WmiObjectGetPropertyObject)(env(), nullptr, event, Text(u"TargetInstance"), holder));
    const jlong target = Received(holder).value_or(0);
    EXPECT_EQ(Property(target, u"Name"), u"new");
    EXPECT_EQ(Property(target, u"Size"), u"9");
    const std::optional<ListingView> listing = List(event, 0);
    ASSERT_TRUE(listing.has_value());
    ASSERT_TRUE(listing->Has(u"TargetInstance"));
    EXPECT_EQ(ViewOf(listing->Value(u"TargetInstance")).Text(u"Name"), u"new") << "a nested listing";
    for (const jlong handle : {target, event}) {
        CONNECTOR(WmiObjectDestroy)(env(), nullptr, handle);
    }
    EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, events);
    EXPECT_EQ(PalLiveCount(PAL_KIND_EVENT_POLLER), 0);
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

TEST_F(ExtensionExports, ASubscriptionDestroyedWhileAnotherThreadWaitsEndsWhenTheWaitDoes)
{
    const jlong session = Connect(u"root\\test");
    const jlong events = Subscribe(session, u"SELECT * FROM Test_Event");
    const LONG callsBefore = PalWmiCallCount(PAL_WMI_ENUM_NEXT);
    Batch waited{-1, {}};
    std::thread reader([&] { waited = Next(events, -1, 1); });
    while (PalWmiCallCount(PAL_WMI_ENUM_NEXT) == callsBefore) {
        std::this_thread::yield();
    }
    EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, events);
    // The waiting call holds the subscription: it still receives, and returns with the event.
    EXPECT_EQ(1, Raise("to the waiting reader"));
    reader.join();
    ASSERT_EQ(waited.code, 0);
    EXPECT_EQ(Property(waited.slots.at(0), u"Message"), u"to the waiting reader");
    CONNECTOR(WmiObjectDestroy)(env(), nullptr, waited.slots.at(0));
    EXPECT_EQ(0, Raise("nobody")) << "the subscription ended with the wait";
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

TEST_F(ExtensionExports, SubscriptionFailuresComeBackAsCodes)
{
    EXPECT_EQ(87, EXTENSIONS(WmiServiceExecNotificationQuery)(
                      env(), nullptr, 0, Text(u"SELECT * FROM Test_Event"), fake.NewHolder()));
    const jlong session = Connect(u"root\\test");
    EXPECT_EQ(
        87, EXTENSIONS(WmiServiceExecNotificationQuery)(env(), nullptr, session, nullptr, fake.NewHolder()));
    EXPECT_EQ(87, EXTENSIONS(WmiServiceExecNotificationQuery)(env(), nullptr, session, Text(u""),
                                                              fake.NewHolder()));
    EXPECT_EQ(0, PalWmiCallCount(PAL_WMI_EXEC_NOTIFICATION_QUERY));
    const auto code = [&](const std::u16string& query) {
        return EXTENSIONS(WmiServiceExecNotificationQuery)(env(), nullptr, session, Text(query),
                                                           fake.NewHolder());
    };
    EXPECT_EQ(code(u"SELECT * FROM __InstanceCreationEvent WHERE TargetInstance ISA 'Test_Keyed'"),
              static_cast<int32_t>(0x80042002));  // WBEMESS_E_REGISTRATION_TOO_PRECISE
    EXPECT_EQ(code(u"SELECT * FROM Nothing"), static_cast<int32_t>(0x80041010));
    EXPECT_EQ(code(u"SELECT * FROM Test_Keyed"), static_cast<int32_t>(0x80041059));  // not an event class
    PalWmiSetCallResult(PAL_WMI_EXEC_NOTIFICATION_QUERY, 1, E_ACCESSDENIED);
    EXPECT_EQ(code(u"SELECT * FROM Test_Event"), 5);
    // A holder without set(long): the subscription is made and cancelled again.
    EXPECT_EQ(
        127,
        EXTENSIONS(WmiServiceExecNotificationQuery)(
            env(), nullptr, session,
            Text(u"SELECT * FROM __InstanceCreationEvent WITHIN 1 WHERE TargetInstance ISA 'Test_Keyed'"),
            fake.NewHolder(false)));
    fake.pending.reset();
    EXPECT_EQ(PalLiveCount(PAL_KIND_WBEM_ENUMERATOR), 0);
    EXPECT_EQ(PalLiveCount(PAL_KIND_EVENT_POLLER), 0);
    // Failures of a batch come back unchanged, as a stream's do.
    const jlong events = Subscribe(session, u"SELECT * FROM Test_Event");
    PalWmiSetCallResult(PAL_WMI_ENUM_NEXT, 1, WBEM_E_FAILED);
    EXPECT_EQ(Next(events, 0, 1).code, kWbemFailed);
    EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, events);
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

TEST_F(ExtensionExports, StreamArgumentsAreCheckedBeforeWmiIsCalled)
{
    EXPECT_EQ(87, EXTENSIONS(WmiServiceExecQueryStreaming)(
                      env(), nullptr, 0, Text(u"SELECT * FROM Test_Keyed"), fake.NewHolder()));
    const jlong session = Connect(u"root\\test");
    EXPECT_EQ(87,
              EXTENSIONS(WmiServiceExecQueryStreaming)(env(), nullptr, session, nullptr, fake.NewHolder()));
    EXPECT_EQ(87,
              EXTENSIONS(WmiServiceExecQueryStreaming)(env(), nullptr, session, Text(u""), fake.NewHolder()));
    EXPECT_EQ(0, PalWmiCallCount(PAL_WMI_EXEC_QUERY));
    EXPECT_EQ(static_cast<int32_t>(0x80041010),
              EXTENSIONS(WmiServiceExecQueryStreaming)(env(), nullptr, session,
                                                       Text(u"SELECT * FROM Nothing"), fake.NewHolder()));
    // WMI takes a streamed query as it is and reports its faults from Next: the start reports them.
    EXPECT_EQ(static_cast<int32_t>(0x80041017),
              EXTENSIONS(WmiServiceExecQueryStreaming)(
                  env(), nullptr, session, Text(u"SELECT Missing FROM Test_Keyed"), fake.NewHolder()));
    EXPECT_EQ(static_cast<int32_t>(0x80041017),
              EXTENSIONS(WmiServiceExecQueryStreaming)(env(), nullptr, session,
                                                       Text(u"SELECT FROM Test_Keyed"), fake.NewHolder()));
    EXPECT_EQ(PalLiveCount(PAL_KIND_WBEM_ENUMERATOR), 0);
    // A holder without set(long): the stream is made and dropped again.
    EXPECT_EQ(127, EXTENSIONS(WmiServiceExecQueryStreaming)(
                       env(), nullptr, session, Text(u"SELECT * FROM Test_Keyed"), fake.NewHolder(false)));
    fake.pending.reset();
    EXPECT_EQ(PalLiveCount(PAL_KIND_WBEM_ENUMERATOR), 0);

    const jlong stream = Stream(session, u"SELECT * FROM Test_Keyed");
    const jint calls = PalWmiCallCount(PAL_WMI_ENUM_NEXT);
    auto empty = static_cast<jlongArray>(fake.NewArray<jlong>({}));
    auto one = static_cast<jlongArray>(fake.NewArray<jlong>({5}));
    EXPECT_EQ(87, EXTENSIONS(WmiObjectStreamNextBatch)(env(), nullptr, 0, 0, one));
    EXPECT_EQ(87, EXTENSIONS(WmiObjectStreamNextBatch)(env(), nullptr, stream, 0, nullptr));
    EXPECT_EQ(87, EXTENSIONS(WmiObjectStreamNextBatch)(env(), nullptr, stream, 0, empty));
    EXPECT_EQ(87, EXTENSIONS(WmiObjectStreamNextBatch)(env(), nullptr, stream, -2, one));
    EXPECT_EQ(fakejni::Env::ElementsOf<jlong>(one), std::vector<jlong>{5}) << "a refused call writes nothing";
    EXPECT_EQ(calls, PalWmiCallCount(PAL_WMI_ENUM_NEXT));
    EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, stream);
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

TEST_F(ExtensionExports, HandlesThatCannotBeAllocatedRaiseOutOfMemoryAndLeaveNothingBehind)
{
    LoadMany(25);
    const jlong session = Connect(u"root\\test");
    const LONG blocks = PalLiveCount(PAL_KIND_TASKMEM);
    const jlong stream = Stream(session, u"SELECT * FROM Test_Many");
    // The third handle of the batch fails: the two made before it are freed again.
    PalFailAfter(PAL_FAULT_TASKMEM_ALLOC, 2, 1);
    const Batch failed = Next(stream, -1, 10);
    EXPECT_EQ(failed.code, 14);
    EXPECT_EQ(failed.slots, std::vector<jlong>(10, 0));
    ASSERT_TRUE(fake.pending.has_value());
    EXPECT_EQ(fake.pending->message,
              "Raised from Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_WmiObjectStreamNextBatch "
              "@line 2002");
    fake.pending.reset();
    EXPECT_EQ(PalLiveCount(PAL_KIND_TASKMEM), blocks + 1) << "only the stream's own cell";
    EXPECT_EQ(PalLiveCount(PAL_KIND_WBEM_INSTANCE), 15) << "the batch's objects are released";
    EXPECT_EQ(IdsAndFree(Next(stream, -1, 1)), std::vector<std::u16string>{u"11"});
    EXTENSIONS(WmiObjectStreamDestroy)(env(), nullptr, stream);

    // The stream's own cell.
    PalFailNext(PAL_FAULT_TASKMEM_ALLOC, 1);
    jobject holder = fake.NewHolder();
    EXPECT_EQ(0, EXTENSIONS(WmiServiceExecQueryStreaming)(env(), nullptr, session,
                                                          Text(u"SELECT * FROM Test_Many"), holder));
    EXPECT_FALSE(Received(holder).has_value());
    ASSERT_TRUE(fake.pending.has_value());
    EXPECT_EQ(fake.pending->message,
              "Raised from "
              "Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_WmiServiceExecQueryStreaming @line "
              "2001");
    fake.pending.reset();
    EXPECT_EQ(PalLiveCount(PAL_KIND_WBEM_ENUMERATOR), 0);

    // A subscription's cell: the subscription is cancelled again.
    PalFailNext(PAL_FAULT_TASKMEM_ALLOC, 1);
    jobject subscribed = fake.NewHolder();
    EXPECT_EQ(
        0, EXTENSIONS(WmiServiceExecNotificationQuery)(
               env(), nullptr, session,
               Text(u"SELECT * FROM __InstanceCreationEvent WITHIN 1 WHERE TargetInstance ISA 'Test_Keyed'"),
               subscribed));
    EXPECT_FALSE(Received(subscribed).has_value());
    ASSERT_TRUE(fake.pending.has_value());
    EXPECT_EQ(
        fake.pending->message,
        "Raised from "
        "Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_WmiServiceExecNotificationQuery @line 2003");
    fake.pending.reset();
    EXPECT_EQ(PalLiveCount(PAL_KIND_WBEM_ENUMERATOR), 0);
    EXPECT_EQ(PalLiveCount(PAL_KIND_EVENT_POLLER), 0);
    CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
}

}  // namespace
