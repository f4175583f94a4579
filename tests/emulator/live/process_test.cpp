// Win32_Process: the test's own process, read through queries, GetObject and GetOwner, compared
// with what the system says about it.
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include <climits>
#include <ctime>

#include "live_test.h"

namespace live_test {
namespace {

std::string OwnExecutableName()
{
    char path[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    EXPECT_GT(length, 0);
    const std::string text(path, length > 0 ? static_cast<std::size_t>(length) : 0);
    return text.substr(text.rfind('/') + 1);
}

std::u16string OwnHandlePath()
{
    return u"Win32_Process.Handle=\"" + Wide(std::to_string(getpid())) + u"\"";
}

using ProcessTest = LiveTest;

TEST_F(ProcessTest, OwnProcessIsListedWithItsIdNameAndParent)
{
    const auto processes = Select(u"SELECT * FROM Win32_Process");
    ASSERT_GT(processes.size(), 1U);
    int found = 0;
    for (const auto& process : processes) {
        if (NumberOf(process.Get(), u"ProcessId") != static_cast<unsigned long long>(getpid())) {
            continue;
        }
        ++found;
        EXPECT_EQ(std::to_string(getpid()), TextOf(process.Get(), u"Handle"));
        EXPECT_EQ(static_cast<unsigned long long>(getppid()), NumberOf(process.Get(), u"ParentProcessId"));
        EXPECT_EQ(OwnExecutableName(), TextOf(process.Get(), u"Name"));
        EXPECT_NE(std::string::npos, TextOf(process.Get(), u"CommandLine").find("live_tests"));
        EXPECT_GE(NumberOf(process.Get(), u"ThreadCount"), 1U);
        EXPECT_GT(NumberOf(process.Get(), u"WorkingSetSize"), 0U);
    }
    EXPECT_EQ(1, found);
}

TEST_F(ProcessTest, ValuesHaveTheClassTypesAndWmiFormats)
{
    const unsigned long long cpuTicksBefore =
        static_cast<unsigned long long>(clock()) * 10'000'000ULL / CLOCKS_PER_SEC;
    HRESULT hr = E_FAIL;
    const ComPtr<IWbemClassObject> process = GetAt(OwnHandlePath(), hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(CIM_UINT64, TypeOf(process.Get(), u"WorkingSetSize"));
    EXPECT_EQ(CIM_UINT64, TypeOf(process.Get(), u"UserModeTime"));
    EXPECT_EQ(CIM_DATETIME, TypeOf(process.Get(), u"CreationDate"));
    // Kernel and user time are 100 ns units that add up to the CPU time the process has used
    // (clock ticks are 10 ms, hence the margin).
    const unsigned long long usedTicks =
        NumberOf(process.Get(), u"UserModeTime") + NumberOf(process.Get(), u"KernelModeTime");
    const unsigned long long cpuTicks =
        static_cast<unsigned long long>(clock()) * 10'000'000ULL / CLOCKS_PER_SEC;
    EXPECT_LE(usedTicks, cpuTicks + 200'000ULL);
    EXPECT_GE(usedTicks + 200'000ULL, cpuTicksBefore);

    // The creation date lies between the boot and now, in yyyymmddHHMMSS.mmmmmm+UUU.
    const std::string created = TextOf(process.Get(), u"CreationDate");
    ASSERT_EQ(25U, created.size()) << created;
    EXPECT_EQ('.', created[14]);
    EXPECT_TRUE(created[21] == '+' || created[21] == '-') << created;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char today[16];
    std::strftime(today, sizeof today, "%Y%m%d%H%M%S", &local);
    EXPECT_LE(created.substr(0, 14), std::string(today)) << created;
}

TEST_F(ProcessTest, GetObjectReadsOneProcessByHandle)
{
    HRESULT hr = E_FAIL;
    const ComPtr<IWbemClassObject> process = GetAt(OwnHandlePath(), hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(static_cast<unsigned long long>(getpid()), NumberOf(process.Get(), u"ProcessId"));
    EXPECT_EQ(OwnExecutableName(), TextOf(process.Get(), u"Name"));
    // The instance has its place, so that its path can be used for methods.
    EXPECT_EQ(Narrow(OwnHandlePath()), TextOf(process.Get(), u"__RELPATH"));
    EXPECT_EQ("\\\\" + std::string(PalWmiLocalHostName()) + "\\root\\cimv2:" + Narrow(OwnHandlePath()),
              TextOf(process.Get(), u"__PATH"));

    // An unquoted number names the same process; an id no process has is not found.
    const ComPtr<IWbemClassObject> same =
        GetAt(u"Win32_Process.Handle=" + Wide(std::to_string(getpid())), hr);
    EXPECT_EQ(S_OK, hr);
    GetAt(u"Win32_Process.Handle=\"2147483646\"", hr);
    EXPECT_EQ(WBEM_E_NOT_FOUND, hr);
    GetAt(u"Win32_Process.Handle=\"not-a-pid\"", hr);
    EXPECT_EQ(WBEM_E_NOT_FOUND, hr);
}

TEST_F(ProcessTest, WhereIsEvaluatedOnTheLiveValues)
{
    const std::u16string pid = Wide(std::to_string(getpid()));
    const auto own = Select(u"SELECT Name, ProcessId FROM Win32_Process WHERE ProcessId = " + pid);
    ASSERT_EQ(1U, own.size());
    EXPECT_EQ(OwnExecutableName(), TextOf(own.front().Get(), u"Name"));
    // Only the selected properties come back.
    OwnedVariant value;
    EXPECT_EQ(WBEM_E_NOT_FOUND, own.front()->Get(u"CommandLine", 0, value.Address(), nullptr, nullptr));

    const auto children = Select(u"SELECT ProcessId FROM Win32_Process WHERE ParentProcessId = " +
                                 Wide(std::to_string(getppid())));
    bool listsSelf = false;
    for (const auto& child : children) {
        listsSelf =
            listsSelf || NumberOf(child.Get(), u"ProcessId") == static_cast<unsigned long long>(getpid());
    }
    EXPECT_TRUE(listsSelf);

    const auto byName = Select(u"SELECT ProcessId FROM Win32_Process WHERE Name = '" +
                               Wide(OwnExecutableName()) + u"' AND WorkingSetSize > 0");
    EXPECT_GE(byName.size(), 1U);
    EXPECT_TRUE(Select(u"SELECT * FROM Win32_Process WHERE ProcessId = 2147483646").empty());
}

TEST_F(ProcessTest, GetOwnerGivesTheCurrentUserAndHost)
{
    OwnedBstr path(OwnHandlePath().c_str());
    OwnedBstr method(u"GetOwner");
    ComPtr<IWbemClassObject> output;
    ASSERT_EQ(S_OK,
              services_->ExecMethod(path.Get(), method.Get(), 0, nullptr, nullptr, output.Put(), nullptr));
    ASSERT_TRUE(output);
    const passwd* user = getpwuid(geteuid());
    ASSERT_NE(nullptr, user);
    EXPECT_EQ(std::string(user->pw_name), TextOf(output.Get(), u"User"));
    EXPECT_EQ(std::string(PalWmiLocalHostName()), TextOf(output.Get(), u"Domain"));
    EXPECT_EQ(0U, NumberOf(output.Get(), u"ReturnValue"));
}

// Starts and reaps short-lived processes until stopped, so that queries meet processes that
// exit while they are read.
class ProcessChurn {
public:
    ProcessChurn()
        : thread_([this] {
              while (!stop_.load()) {
                  pid_t child = 0;
                  char program[] = "/bin/true";
                  char* arguments[] = {program, nullptr};
                  if (posix_spawn(&child, program, nullptr, nullptr, arguments, environ) == 0) {
                      waitpid(child, nullptr, 0);
                      lastExited_.store(child);
                  }
              }
          })
    {
    }
    ~ProcessChurn()
    {
        stop_.store(true);
        thread_.join();
    }
    ProcessChurn(const ProcessChurn&) = delete;
    ProcessChurn& operator=(const ProcessChurn&) = delete;

    pid_t LastExited() const { return lastExited_.load(); }

private:
    std::atomic<bool> stop_{false};
    std::atomic<pid_t> lastExited_{0};
    std::thread thread_;
};

TEST_F(ProcessTest, ProcessesThatExitDuringQueriesDoNotFailThem)
{
    pid_t exited = 0;
    {
        const ProcessChurn churn;
        for (int round = 0; round < 10; ++round) {
            const auto processes =
                Select(u"SELECT Handle, Name, CommandLine, WorkingSetSize FROM Win32_Process");
            EXPECT_GT(processes.size(), 1U);
        }
        exited = churn.LastExited();
    }
    ASSERT_NE(0, exited);
    HRESULT hr = S_OK;
    GetAt(u"Win32_Process.Handle=\"" + Wide(std::to_string(exited)) + u"\"", hr);
    EXPECT_EQ(WBEM_E_NOT_FOUND, hr);
}

TEST_F(ProcessTest, RepeatedQueriesLeaveNothingBehind)
{
    for (int round = 0; round < 20; ++round) {
        const auto processes = Select(u"SELECT Name, WorkingSetSize FROM Win32_Process");
        ASSERT_FALSE(processes.empty());
    }
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_WBEM_ENUMERATOR));
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_WBEM_INSTANCE));
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_BSTR));
}

}  // namespace
}  // namespace live_test
