// Event subscriptions and association queries against the system's WMI. Under Wine these record
// what Wine's WMI answers, which differs from Windows where the comments say so.
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "Scenario.h"

using namespace scenario;

namespace {

constexpr jlong kWbemFailed = WbemCode(0x80041001);
constexpr jlong kWbemInvalidQuery = WbemCode(0x80041017);

struct Opened {
    jlong code;
    std::optional<jlong> handle;
};

Opened Subscribe(Context& context, jlong session, const std::u16string& query)
{
    jobject holder = context.NewHolder();
    const jlong code = context.api.WmiServiceExecNotificationQuery(context.env(), nullptr, session,
                                                                   context.Text(query), holder);
    return {code, context.Received(holder)};
}

// The code of a buffered query and the relative paths of what it delivered.
struct Answer {
    jlong code = 0;
    std::set<std::u16string> paths;
    std::set<std::u16string> genera;
};

Answer Ask(Context& context, jlong session, const std::u16string& query)
{
    Answer answer;
    jobject holder = context.NewHolder();
    answer.code =
        context.api.WmiServiceExecQuery(context.env(), nullptr, session, context.Text(query), holder);
    const std::optional<jlong> set = context.Received(holder);
    if (answer.code != 0 || !set.has_value()) {
        return answer;
    }
    for (jlong object : context.Walk(*set)) {
        answer.paths.insert(context.Property(object, u"__RELPATH").value_or(u"?"));
        answer.genera.insert(context.Property(object, u"__GENUS").value_or(u"?"));
        context.api.WmiObjectDestroy(context.env(), nullptr, object);
    }
    context.api.WmiObjectEnumDestroy(context.env(), nullptr, *set);
    return answer;
}

bool AllOfClass(const std::set<std::u16string>& paths, const std::u16string& className)
{
    for (const auto& path : paths) {
        if (path.rfind(className + u".", 0) != 0) {
            return false;
        }
    }
    return !paths.empty();
}

}  // namespace

SCENARIO(events)
{
    const jlong session = context.ConnectLocal();
    // The arguments are checked before WMI is asked.
    CHECK_EQ(context.api.WmiServiceExecNotificationQuery(context.env(), nullptr, session, nullptr,
                                                         context.NewHolder()),
             kInvalidParameter);
    CHECK_EQ(context.api.WmiServiceExecNotificationQuery(
                 context.env(), nullptr, 0, context.Text(u"SELECT * FROM __InstanceCreationEvent"),
                 context.NewHolder()),
             kInvalidParameter);
    // Wine's WMI has no event subscriptions: ExecNotificationQuery answers WBEM_E_FAILED to every
    // query, one that Windows serves (the first), one it refuses for want of WITHIN
    // (WBEMESS_E_REGISTRATION_TOO_PRECISE on Windows), one of a class that is no event class
    // (WBEM_E_NOT_EVENT_CLASS) and one of no class at all (WBEM_E_INVALID_CLASS). No subscription
    // is handed out for any of them.
    for (const char16_t* query :
         {u"SELECT * FROM __InstanceCreationEvent WITHIN 1 WHERE TargetInstance ISA 'Win32_Process'",
          u"SELECT * FROM __InstanceDeletionEvent WHERE TargetInstance ISA 'Win32_Process'",
          u"SELECT * FROM Win32_Process", u"SELECT * FROM No_Such_Event"}) {
        const Opened opened = Subscribe(context, session, query);
        std::printf("subscribe %s: %s\n", Printable(query).c_str(), Describe(opened.code).c_str());
        CHECK_EQ(opened.code, kWbemFailed);
        CHECK(!opened.handle.has_value());
    }
    context.api.WmiServiceDisconnectServer(context.env(), nullptr, session);
}

SCENARIO(associations)
{
    const jlong session = context.ConnectLocal();
    const std::u16string disk = u"{Win32_LogicalDisk.DeviceID=\"C:\"}";
    const Answer partitions = Ask(context, session, u"ASSOCIATORS OF " + disk);
    CHECK_EQ(partitions.code, 0);
    CHECK(AllOfClass(partitions.paths, u"Win32_DiskPartition"));
    CHECK(partitions.genera == std::set<std::u16string>{u"2"});
    // From a partition to its drive.
    if (!partitions.paths.empty()) {
        const Answer drive = Ask(context, session, u"ASSOCIATORS OF {" + *partitions.paths.begin() + u"}");
        CHECK_EQ(drive.code, 0);
        CHECK(AllOfClass(drive.paths, u"Win32_DiskDrive"));
    }
    // Wine reads the keywords of ASSOCIATORS OF but narrows nothing by them: every one of these
    // gives the partitions again, where Windows gives nothing for the classes and roles that do
    // not fit, the classes (genus 1) for ClassDefsOnly and only the keys for KeysOnly.
    for (const char16_t* keywords :
         {u"AssocClass = Win32_LogicalDiskToPartition", u"ResultClass = Win32_DiskPartition",
          u"AssocClass = Win32_DiskDriveToDiskPartition", u"AssocClass = No_Such_Class",
          u"ResultClass = Win32_DiskDrive", u"Role = Antecedent", u"ClassDefsOnly", u"KeysOnly"}) {
        const Answer narrowed = Ask(context, session, u"ASSOCIATORS OF " + disk + u" WHERE " + keywords);
        if (!CHECK_EQ(narrowed.code, 0) || !CHECK(narrowed.paths == partitions.paths) ||
            !CHECK(narrowed.genera == std::set<std::u16string>{u"2"})) {
            Fail(__FILE__, __LINE__, "with " + Printable(keywords));
        }
    }
    // Wine's WQL has no REFERENCES OF: WBEM_E_INVALID_QUERY, as for a path without braces.
    CHECK_EQ(Ask(context, session, u"REFERENCES OF " + disk).code, kWbemInvalidQuery);
    CHECK_EQ(Ask(context, session, u"ASSOCIATORS OF Win32_LogicalDisk").code, kWbemInvalidQuery);
    // An object that does not exist has no associators on Wine; Windows answers WBEM_E_NOT_FOUND.
    const Answer missing = Ask(context, session, u"ASSOCIATORS OF {Win32_LogicalDisk.DeviceID=\"Q:\"}");
    CHECK_EQ(missing.code, 0);
    CHECK(missing.paths.empty());
    std::printf("ASSOCIATORS OF %s: %d partition(s)\n", Printable(disk).c_str(),
                static_cast<int>(partitions.paths.size()));
    context.api.WmiServiceDisconnectServer(context.env(), nullptr, session);
}
