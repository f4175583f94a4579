// Win32_OperatingSystem, Win32_ComputerSystem and Win32_Processor compared with the kernel's own
// figures.
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "live_test.h"

namespace live_test {
namespace {

unsigned long long TotalMemoryBytes()
{
    struct sysinfo info {};
    EXPECT_EQ(0, sysinfo(&info));
    return static_cast<unsigned long long>(info.totalram) * info.mem_unit;
}

unsigned long long OnlineProcessors()
{
    return static_cast<unsigned long long>(sysconf(_SC_NPROCESSORS_ONLN));
}

using SystemTest = LiveTest;

TEST_F(SystemTest, OperatingSystemDescribesThisKernelAndItsMemory)
{
    const auto systems = Select(u"SELECT * FROM Win32_OperatingSystem");
    ASSERT_EQ(1U, systems.size());
    IWbemClassObject* os = systems.front().Get();
    utsname kernel{};
    ASSERT_EQ(0, uname(&kernel));
    EXPECT_EQ(std::string(kernel.release), TextOf(os, u"Version"));
    EXPECT_EQ(std::string(PalWmiLocalHostName()), TextOf(os, u"CSName"));
    EXPECT_FALSE(TextOf(os, u"Caption").empty());

    // Kilobytes, as WMI counts them; what is free lies within the total.
    const unsigned long long totalKb = NumberOf(os, u"TotalVisibleMemorySize");
    EXPECT_EQ(TotalMemoryBytes() / 1024, totalKb);
    EXPECT_GT(NumberOf(os, u"FreePhysicalMemory"), 0U);
    EXPECT_LE(NumberOf(os, u"FreePhysicalMemory"), totalKb);
    EXPECT_GE(NumberOf(os, u"TotalVirtualMemorySize"), totalKb);
    EXPECT_GT(NumberOf(os, u"NumberOfProcesses"), 1U);

    // The boot was before now; both are local CIM datetimes.
    const std::string booted = TextOf(os, u"LastBootUpTime");
    const std::string now = TextOf(os, u"LocalDateTime");
    ASSERT_EQ(25U, booted.size());
    ASSERT_EQ(25U, now.size());
    EXPECT_EQ(booted.substr(21), now.substr(21));  // same offset from UTC
    EXPECT_LT(booted.substr(0, 21), now.substr(0, 21));
    OwnedVariant primary;
    ASSERT_EQ(S_OK, os->Get(u"Primary", 0, primary.Address(), nullptr, nullptr));
    EXPECT_EQ(VT_BOOL, primary.Type());
    EXPECT_EQ(VARIANT_TRUE, V_BOOL(primary.Address()));
}

TEST_F(SystemTest, ComputerSystemCountsProcessorsAndMemoryInBytes)
{
    const auto computers = Select(u"SELECT * FROM Win32_ComputerSystem");
    ASSERT_EQ(1U, computers.size());
    IWbemClassObject* computer = computers.front().Get();
    EXPECT_EQ(std::string(PalWmiLocalHostName()), TextOf(computer, u"Name"));
    EXPECT_EQ(TotalMemoryBytes() / 1024 * 1024, NumberOf(computer, u"TotalPhysicalMemory"));
    EXPECT_EQ(OnlineProcessors(), NumberOf(computer, u"NumberOfLogicalProcessors"));
    EXPECT_GE(NumberOf(computer, u"NumberOfProcessors"), 1U);
    EXPECT_LE(NumberOf(computer, u"NumberOfProcessors"), OnlineProcessors());
    EXPECT_FALSE(TextOf(computer, u"Domain").empty());

    HRESULT hr = E_FAIL;
    const ComPtr<IWbemClassObject> byName =
        GetAt(u"Win32_ComputerSystem.Name=\"" + Wide(PalWmiLocalHostName()) + u"\"", hr);
    EXPECT_EQ(S_OK, hr);
    GetAt(u"Win32_ComputerSystem.Name=\"SOME-OTHER-NAME\"", hr);
    EXPECT_EQ(WBEM_E_NOT_FOUND, hr);
}

TEST_F(SystemTest, ProcessorsShareTheOnlineLogicalProcessors)
{
    const auto processors = Select(
        u"SELECT DeviceID, NumberOfCores, NumberOfLogicalProcessors, LoadPercentage "
        u"FROM Win32_Processor");
    ASSERT_GE(processors.size(), 1U);
    unsigned long long logical = 0;
    for (const auto& processor : processors) {
        EXPECT_EQ(0U, TextOf(processor.Get(), u"DeviceID").rfind("CPU", 0));
        const unsigned long long cores = NumberOf(processor.Get(), u"NumberOfCores");
        const unsigned long long threads = NumberOf(processor.Get(), u"NumberOfLogicalProcessors");
        EXPECT_GE(cores, 1U);
        EXPECT_LE(cores, threads);
        EXPECT_LE(NumberOf(processor.Get(), u"LoadPercentage"), 100U);
        logical += threads;
    }
    EXPECT_EQ(OnlineProcessors(), logical);
}

TEST_F(SystemTest, WhereComparesWithTheCurrentFigures)
{
    const std::u16string count = Wide(std::to_string(OnlineProcessors()));
    EXPECT_EQ(
        1U,
        Select(u"SELECT Name FROM Win32_ComputerSystem WHERE NumberOfLogicalProcessors = " + count).size());
    EXPECT_EQ(
        0U,
        Select(u"SELECT Name FROM Win32_ComputerSystem WHERE NumberOfLogicalProcessors > " + count).size());
    EXPECT_EQ(1U, Select(u"SELECT Caption FROM Win32_OperatingSystem WHERE TotalVisibleMemorySize = " +
                         Wide(std::to_string(TotalMemoryBytes() / 1024)))
                      .size());
}

}  // namespace
}  // namespace live_test
