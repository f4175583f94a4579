// Events of Win32_Process: a child process that this test starts and stops raises a creation and a
// deletion, found by polling the host's process table.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "live_test.h"

extern char** environ;

namespace live_test {
namespace {

class ProcessEventTest : public LiveTest {
protected:
    ComPtr<IEnumWbemClassObject> Subscribe(const std::u16string& wql)
    {
        OwnedBstr language(u"WQL"), text(wql.c_str());
        ComPtr<IEnumWbemClassObject> events;
        EXPECT_EQ(S_OK, services_->ExecNotificationQuery(
                            language.Get(), text.Get(), WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY,
                            nullptr, events.Put()));
        return events;
    }

    // The next creation or deletion event of the process; its changes in between are passed over.
    static ComPtr<IWbemClassObject> NextComingOrGoing(IEnumWbemClassObject* events, pid_t pid,
                                                      std::string& kind)
    {
        for (;;) {
            IWbemClassObject* raw = nullptr;
            ULONG returned = 0;
            const HRESULT hr = events->Next(static_cast<LONG>(WBEM_INFINITE), 1, &raw, &returned);
            if (hr != WBEM_S_NO_ERROR || returned != 1) {
                ADD_FAILURE() << "Next gave " << std::hex << hr;
                return {};
            }
            ComPtr<IWbemClassObject> event = ComPtr<IWbemClassObject>::Adopt(raw);
            OwnedVariant target;
            EXPECT_EQ(S_OK, event->Get(u"TargetInstance", 0, target.Address(), nullptr, nullptr));
            ComPtr<IWbemClassObject> process;
            EXPECT_EQ(S_OK,
                      V_UNKNOWN(target.Address())
                          ->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(process.Put())));
            kind = TextOf(event.Get(), u"__CLASS");
            EXPECT_EQ(static_cast<unsigned long long>(pid), NumberOf(process.Get(), u"ProcessId"))
                << "only the test's own child is asked for";
            if (kind != "__InstanceModificationEvent") {
                return process;
            }
        }
    }
};

TEST_F(ProcessEventTest, AChildProcessRaisesCreationThenDeletion)
{
    ComPtr<IEnumWbemClassObject> events = Subscribe(
        u"SELECT * FROM __InstanceOperationEvent WITHIN 0.05 WHERE TargetInstance ISA 'Win32_Process' "
        u"AND TargetInstance.ParentProcessId = " +
        Wide(std::to_string(getpid())));
    ASSERT_TRUE(events);
    char sleepPath[] = "/bin/sleep";
    char seconds[] = "60";
    char* const arguments[] = {sleepPath, seconds, nullptr};
    pid_t child = 0;
    ASSERT_EQ(0, posix_spawn(&child, sleepPath, nullptr, nullptr, arguments, environ));

    std::string kind;
    ComPtr<IWbemClassObject> started = NextComingOrGoing(events.Get(), child, kind);
    ASSERT_TRUE(started);
    EXPECT_EQ("__InstanceCreationEvent", kind);
    EXPECT_EQ("sleep", TextOf(started.Get(), u"Name"));
    EXPECT_EQ(std::to_string(child), TextOf(started.Get(), u"Handle"));

    ASSERT_EQ(0, kill(child, SIGKILL));
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ComPtr<IWbemClassObject> ended = NextComingOrGoing(events.Get(), child, kind);
    ASSERT_TRUE(ended);
    EXPECT_EQ("__InstanceDeletionEvent", kind);
    EXPECT_EQ("sleep", TextOf(ended.Get(), u"Name"));
}

}  // namespace
}  // namespace live_test
