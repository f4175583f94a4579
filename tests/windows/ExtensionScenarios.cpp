// The natives of WmiExtensions against the system's WMI: listings agree with the property reads,
// and a streamed query delivers what the buffered one does, batch by batch.
#include <windows.h>

#include <cstdio>
#include <set>

#include <ListingView.h>

#include "Scenario.h"

using namespace scenario;
using testsupport::kNullMarker;
using testsupport::ListingView;

namespace {

constexpr jlong kWbemFalse = 1;
constexpr jlong kWbemTimedOut = 0x40004;
constexpr jint kListSystem = com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LIST_SYSTEM_PROPERTIES;
constexpr jint kCimObject = 13;
constexpr jint kCimFlagArray = com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_CIM_FLAG_ARRAY;

std::optional<ListingView> List(Context& context, jlong object, jint flags)
{
    jobject holder = context.NewHolder();
    jobjectArray listing = context.api.WmiObjectListProperties(context.env(), nullptr, object, flags, holder);
    if (listing == nullptr) {
        Fail(__FILE__, __LINE__, "listing failed with " + Describe(context.Received(holder).value_or(0)));
        return std::nullopt;
    }
    CHECK(!context.Received(holder).has_value());
    return testsupport::ViewOf(listing);
}

// Every property of the listing reads the same through WmiObjectGetProperty (scalars) or
// WmiObjectGetPropertyValues (arrays); NULLs read as "".
void CheckAgainstReads(Context& context, jlong object, const ListingView& listing)
{
    for (size_t i = 0; i < listing.names.size(); ++i) {
        const std::u16string& name = listing.names[i];
        const jint type = listing.types[i];
        const bool isNull = (type & kNullMarker) != 0;
        const bool isArray = (type & kCimFlagArray) != 0;
        const jint element = type & 0xFFF;
        if (isNull) {
            if (!CHECK_EQ(listing.Text(name), std::optional<std::u16string>(u""))) {
                Fail(__FILE__, __LINE__, "NULL property " + Printable(name));
            }
            CHECK_EQ(context.Property(object, name).value_or(u"?"), std::u16string(u""));
        } else if (isArray && element != kCimObject) {
            jlong code = 0;
            const auto read = context.Values(object, name, code);
            if (listing.Value(name) == nullptr) {
                CHECK_EQ(code, 1804);  // elements without text on both sides
            } else if (!CHECK(listing.Texts(name) == read)) {
                Fail(__FILE__, __LINE__, "array " + Printable(name));
            }
        } else if (element != kCimObject) {
            if (!CHECK_EQ(listing.Text(name), context.Property(object, name))) {
                Fail(__FILE__, __LINE__, "property " + Printable(name));
            }
        }
    }
}

size_t SystemNames(const ListingView& listing)
{
    size_t count = 0;
    for (const auto& name : listing.names) {
        count += name.rfind(u"__", 0) == 0 ? 1 : 0;
    }
    return count;
}

void ListFirstObject(Context& context, jlong session, const std::u16string& query)
{
    const jlong set = context.Query(session, query);
    const std::vector<jlong> objects = context.Walk(set);
    context.api.WmiObjectEnumDestroy(context.env(), nullptr, set);
    if (!CHECK(!objects.empty())) {
        return;
    }
    const std::optional<ListingView> own = List(context, objects[0], 0);
    const std::optional<ListingView> all = List(context, objects[0], kListSystem);
    if (own && all) {
        std::printf("%s: %d properties, %d with the system ones (%d named __)\n", Printable(query).c_str(),
                    static_cast<int>(own->names.size()), static_cast<int>(all->names.size()),
                    static_cast<int>(SystemNames(*all)));
        // Windows walks the system properties first when asked for all; Wine's WMI leaves them out
        // of every walk. The count printed above records which of the two ran; what both agree on
        // is checked: none without the flag, and every other property with it.
        CHECK(!own->names.empty());
        CHECK_EQ(static_cast<int>(SystemNames(*own)), 0);
        CheckAgainstReads(context, objects[0], *own);
        CheckAgainstReads(context, objects[0], *all);
        for (const auto& name : own->names) {
            CHECK(all->Has(name));
        }
    }
    for (jlong object : objects) {
        context.api.WmiObjectDestroy(context.env(), nullptr, object);
    }
}

struct Batch {
    jlong code;
    std::vector<jlong> slots;
};

Batch Next(Context& context, jlong stream, jint timeoutMs, jsize room)
{
    auto handles = static_cast<jlongArray>(context.jni.NewArray<jlong>(std::vector<jlong>(room, -7)));
    const jlong code =
        context.api.WmiObjectStreamNextBatch(context.env(), nullptr, stream, timeoutMs, handles);
    return {code, fakejni::Env::ElementsOf<jlong>(handles)};
}

}  // namespace

SCENARIO(extensions)
{
    const jlong session = context.ConnectLocal();
    const auto& api = context.api;

    ListFirstObject(context, session, u"SELECT * FROM Win32_OperatingSystem");
    const std::string pid = std::to_string(GetCurrentProcessId());
    ListFirstObject(
        context, session,
        u"SELECT * FROM Win32_Process WHERE ProcessId = " + std::u16string(pid.begin(), pid.end()));
    jobject zeroHolder = context.NewHolder();
    CHECK(api.WmiObjectListProperties(context.env(), nullptr, 0, 0, zeroHolder) == nullptr);
    CHECK_EQ(context.Received(zeroHolder).value_or(0), kInvalidParameter);

    // The buffered query says how many services there are; the stream delivers the same ones in
    // batches of four.
    const jlong buffered = context.Query(session, u"SELECT Name FROM Win32_Service");
    std::set<std::u16string> expected;
    for (jlong object : context.Walk(buffered)) {
        expected.insert(context.Property(object, u"Name").value_or(u""));
        api.WmiObjectDestroy(context.env(), nullptr, object);
    }
    api.WmiObjectEnumDestroy(context.env(), nullptr, buffered);

    jobject holder = context.NewHolder();
    CHECK_EQ(api.WmiServiceExecQueryStreaming(context.env(), nullptr, session,
                                              context.Text(u"SELECT * FROM Win32_Service"), holder),
             0);
    const jlong stream = context.Received(holder).value_or(0);
    std::set<std::u16string> streamed;
    int batches = 0;
    int fullBatches = 0;
    int timeouts = 0;
    for (jlong code = 0; code != kWbemFalse && batches < 1000; ++batches) {
        const Batch batch = Next(context, stream, 5000, 4);
        code = batch.code;
        if (!CHECK(code == 0 || code == kWbemFalse || code == kWbemTimedOut)) {
            Fail(__FILE__, __LINE__, "batch result " + Describe(code));
            break;
        }
        fullBatches += code == 0 ? 1 : 0;
        timeouts += code == kWbemTimedOut ? 1 : 0;
        bool ended = false;
        int delivered = 0;
        for (jlong handle : batch.slots) {
            if (handle == 0) {
                ended = true;
                continue;
            }
            CHECK(!ended);
            ++delivered;
            streamed.insert(context.Property(handle, u"Name").value_or(u""));
            api.WmiObjectDestroy(context.env(), nullptr, handle);
        }
        if (code == 0) {
            CHECK_EQ(delivered, 4);
        }
    }
    std::printf("Win32_Service streamed: %d objects in %d batches (%d full, %d timed out)\n",
                static_cast<int>(streamed.size()), batches, fullBatches, timeouts);
    CHECK(fullBatches >= 2);
    CHECK(streamed == expected);
    // After the end, the end again, with nothing delivered.
    const Batch after = Next(context, stream, 0, 2);
    CHECK_EQ(after.code, kWbemFalse);
    CHECK(after.slots == std::vector<jlong>(2, 0));
    api.WmiObjectStreamDestroy(context.env(), nullptr, stream);

    // A stream destroyed midway: the objects it delivered stay usable.
    jobject second = context.NewHolder();
    CHECK_EQ(api.WmiServiceExecQueryStreaming(context.env(), nullptr, session,
                                              context.Text(u"SELECT Name FROM Win32_Service"), second),
             0);
    const jlong unfinished = context.Received(second).value_or(0);
    const Batch first = Next(context, unfinished, -1, 2);
    CHECK_EQ(first.code, 0);
    api.WmiObjectStreamDestroy(context.env(), nullptr, unfinished);
    for (jlong handle : first.slots) {
        CHECK(expected.count(context.Property(handle, u"Name").value_or(u"?")) == 1);
        api.WmiObjectDestroy(context.env(), nullptr, handle);
    }
    CHECK_EQ(api.WmiObjectStreamNextBatch(context.env(), nullptr, 0, 0, nullptr), kInvalidParameter);

    api.WmiServiceDisconnectServer(context.env(), nullptr, session);
}
