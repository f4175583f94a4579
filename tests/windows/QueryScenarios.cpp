// Queries: collecting more than one batch, walking twice, counting and freeing in either order.
#include <windows.h>

#include <cstdio>
#include <set>

#include "Scenario.h"

using namespace scenario;

namespace {

std::u16string Decimal(unsigned long value)
{
    const std::string text = std::to_string(value);
    return std::u16string(text.begin(), text.end());
}

}  // namespace

SCENARIO(query)
{
    const jlong session = context.ConnectLocal();
    const auto& api = context.api;

    // More than one batch of ten: every service of the system.
    const jlong services = context.Query(session, u"SELECT * FROM Win32_Service");
    const jint count = api.WmiObjectEnumObjectCount(context.env(), nullptr, services);
    CHECK(count > 10);
    std::printf("Win32_Service: %d objects\n", static_cast<int>(count));
    const std::vector<jlong> firstPass = context.Walk(services);
    CHECK_EQ(static_cast<jint>(firstPass.size()), count);
    std::vector<std::u16string> namesInOrder;
    for (jlong object : firstPass) {
        namesInOrder.push_back(context.Property(object, u"Name").value_or(u""));
    }
    const std::set<std::u16string> names(namesInOrder.begin(), namesInOrder.end());
    CHECK_EQ(static_cast<jint>(names.size()), count);  // distinct objects, none skipped or repeated
    CHECK(api.WmiObjectEnumHasMoreObjects(context.env(), nullptr, services) == JNI_FALSE);
    jobject atEnd = context.NewHolder();
    CHECK_EQ(api.WmiObjectEnumNextObject(context.env(), nullptr, services, atEnd), kEndOfResults);
    CHECK(!context.Received(atEnd).has_value());

    // The second pass after Reset hands out the same objects in the same order.
    api.WmiObjectEnumReset(context.env(), nullptr, services);
    const std::vector<jlong> secondPass = context.Walk(services);
    CHECK_EQ(static_cast<jint>(secondPass.size()), count);
    for (size_t i = 0; i < secondPass.size() && i < firstPass.size(); ++i) {
        CHECK_EQ(context.Property(secondPass[i], u"Name").value_or(u"?"),
                 context.Property(firstPass[i], u"Name").value_or(u"!"));
    }
    CHECK_EQ(api.WmiObjectEnumObjectCount(context.env(), nullptr, services), count);

    // Objects first, then the result set: the set still holds its objects and walks again.
    for (jlong object : secondPass) {
        api.WmiObjectDestroy(context.env(), nullptr, object);
    }
    api.WmiObjectEnumReset(context.env(), nullptr, services);
    const std::vector<jlong> thirdPass = context.Walk(services);
    CHECK_EQ(static_cast<jint>(thirdPass.size()), count);
    for (jlong object : thirdPass) {
        api.WmiObjectDestroy(context.env(), nullptr, object);
    }

    // Result set first, then its objects: the objects stay readable after the set is gone.
    api.WmiObjectEnumDestroy(context.env(), nullptr, services);
    for (size_t i = 0; i < firstPass.size(); ++i) {
        CHECK_EQ(context.Property(firstPass[i], u"Name").value_or(u"(null)"), namesInOrder[i]);
        api.WmiObjectDestroy(context.env(), nullptr, firstPass[i]);
    }

    // A property list and a WHERE: exactly this process, with only the selected properties.
    const std::u16string pid = Decimal(GetCurrentProcessId());
    const jlong own =
        context.Query(session, u"SELECT Name, ProcessId FROM Win32_Process WHERE ProcessId = " + pid);
    CHECK_EQ(api.WmiObjectEnumObjectCount(context.env(), nullptr, own), 1);
    const std::vector<jlong> mine = context.Walk(own);
    api.WmiObjectEnumDestroy(context.env(), nullptr, own);
    if (CHECK_EQ(static_cast<int>(mine.size()), 1)) {
        CHECK_EQ(context.Property(mine[0], u"ProcessId").value_or(u""), pid);
        CHECK_EQ(context.Property(mine[0], u"Name").value_or(u""), std::u16string(u"scenario_host.exe"));
        jlong unselectedCode = 0;
        CHECK(!context.Property(mine[0], u"ThreadCount", &unselectedCode).has_value());
        CHECK_EQ(unselectedCode, kWbemNotFound);
        api.WmiObjectDestroy(context.env(), nullptr, mine[0]);
    }

    // A WHERE that matches nothing still gives a result set, an empty one.
    const jlong none =
        context.Query(session, u"SELECT * FROM Win32_Process WHERE ProcessId = 0 AND ProcessId = 1");
    CHECK(none != 0);
    CHECK_EQ(api.WmiObjectEnumObjectCount(context.env(), nullptr, none), 0);
    CHECK(api.WmiObjectEnumHasMoreObjects(context.env(), nullptr, none) == JNI_FALSE);
    CHECK_EQ(api.WmiObjectEnumNextObject(context.env(), nullptr, none, context.NewHolder()), kEndOfResults);
    api.WmiObjectEnumDestroy(context.env(), nullptr, none);

    // The empty query is refused before WMI sees it.
    CHECK_EQ(api.WmiServiceExecQuery(context.env(), nullptr, session, context.Text(u""), context.NewHolder()),
             kInvalidParameter);

    api.WmiServiceDisconnectServer(context.env(), nullptr, session);
}
