// Win32_PerfFormattedData_PerfOS_Processor and _Memory against /proc/stat and /proc/meminfo as
// the test reads them, and the shares of time computed from two readings.
#include <sys/sysinfo.h>

#include "host_listing.h"
#include "live/cpu_times.h"
#include "live_test.h"

namespace live_test {
namespace {

using pal::live::CpuTicks;
using pal::live::ParseCpuTicks;
using pal::live::ParseInterrupts;
using pal::live::SharesBetween;

TEST(CpuTimesTest, SharesAreThePartsOfTheTicksBetweenTwoReadings)
{
    const std::vector<CpuTicks> before =
        ParseCpuTicks("cpu  100 0 50 800 50 0 0 0 0 0\ncpu0 100 0 50 800 50 0 0 0 0 0\nintr 5 1 2\n");
    const std::vector<CpuTicks> after =
        ParseCpuTicks("cpu  160 20 70 880 60 10 10 0 0 0\ncpu0 160 20 70 880 60 10 10 0 0 0\nintr 9 1 2\n");
    ASSERT_EQ(2u, before.size());
    ASSERT_EQ(2u, after.size());
    EXPECT_EQ("_Total", after[0].name);
    EXPECT_EQ("0", after[1].name);
    // 80 user (nice counted), 20 system, 10 irq, 10 softirq, 90 idle (iowait counted) of 210.
    CpuTicks earlier = before[0];
    CpuTicks later = after[0];
    earlier.interrupts = 100;
    later.interrupts = 300;
    const pal::live::CpuShares shares = SharesBetween(earlier, later, 500);
    EXPECT_EQ(400u, shares.interruptsPerSecond);
    EXPECT_EQ(38u, shares.user);        // 80/210
    EXPECT_EQ(19u, shares.privileged);  // 40/210
    EXPECT_EQ(5u, shares.interrupt);
    EXPECT_EQ(5u, shares.dpc);
    EXPECT_EQ(43u, shares.idle);  // 90/210
    EXPECT_EQ(57u, shares.processor);
    // No time between the readings: the processor counts as idle.
    const pal::live::CpuShares none = SharesBetween(after[0], after[0], 0);
    EXPECT_EQ(0u, none.interruptsPerSecond);
    EXPECT_EQ(100u, none.idle);
    EXPECT_EQ(0u, none.processor);
}

TEST(CpuTimesTest, InterruptsAreSummedPerProcessorColumn)
{
    const auto counts = ParseInterrupts(
        "           CPU0       CPU1\n"
        "  0:         10          5   IO-APIC   2-edge      timer\n"
        "  8:          1          2   IO-APIC   8-edge      rtc0\n"
        "NMI:          3          4   Non-maskable interrupts\n"
        "ERR:          7\n");
    ASSERT_EQ(2u, counts.size());
    EXPECT_EQ("0", counts[0].first);
    EXPECT_EQ(21u, counts[0].second);
    EXPECT_EQ("1", counts[1].first);
    EXPECT_EQ(11u, counts[1].second);
}

using PerformanceTest = LiveTest;

TEST_F(PerformanceTest, ProcessorDataHasOneInstancePerProcessorAndATotal)
{
    std::vector<std::string> expected;
    std::istringstream lines(WholeFile("/proc/stat"));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("cpu", 0) == 0 && line.size() > 3 && line[3] != ' ') {
            expected.push_back(line.substr(3, line.find(' ') - 3));
        }
    }
    expected.push_back("_Total");
    const auto processors = Select(u"SELECT * FROM Win32_PerfFormattedData_PerfOS_Processor");
    ASSERT_EQ(expected.size(), processors.size());
    for (std::size_t i = 0; i < processors.size(); ++i) {
        IWbemClassObject* processor = processors[i].Get();
        EXPECT_EQ(expected[i], TextOf(processor, u"Name"));
        EXPECT_EQ(CIM_UINT64, TypeOf(processor, u"PercentProcessorTime"));
        EXPECT_EQ(CIM_UINT32, TypeOf(processor, u"InterruptsPersec"));
        const unsigned long long busy = NumberOf(processor, u"PercentProcessorTime");
        EXPECT_LE(busy, 100u);
        EXPECT_EQ(100u, busy + NumberOf(processor, u"PercentIdleTime"));
        EXPECT_LE(NumberOf(processor, u"PercentUserTime"), 100u);
        EXPECT_LE(NumberOf(processor, u"PercentPrivilegedTime"), 100u);
        if (Exists("/proc/interrupts")) {
            OwnedVariant rate;
            ASSERT_EQ(S_OK, processor->Get(u"InterruptsPersec", 0, rate.Address(), nullptr, nullptr));
            EXPECT_EQ(VT_I4, rate.Type()) << expected[i];  // a uint32, not NULL
        }
    }
    HRESULT hr = E_FAIL;
    GetAt(u"Win32_PerfFormattedData_PerfOS_Processor.Name=\"_Total\"", hr);
    EXPECT_EQ(S_OK, hr);
}

TEST_F(PerformanceTest, MemoryDataIsTheKernelsMemoryInBytes)
{
    HRESULT hr = E_FAIL;
    const ComPtr<IWbemClassObject> memory = GetAt(u"Win32_PerfFormattedData_PerfOS_Memory=@", hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(CIM_UINT64, TypeOf(memory.Get(), u"AvailableBytes"));
    EXPECT_EQ(CIM_UINT32, TypeOf(memory.Get(), u"PercentCommittedBytesInUse"));
    EXPECT_EQ(CIM_UINT32, TypeOf(memory.Get(), u"PageFaultsPersec"));
    struct sysinfo info {};
    ASSERT_EQ(0, sysinfo(&info));
    const unsigned long long available = NumberOf(memory.Get(), u"AvailableBytes");
    EXPECT_LE(available, static_cast<unsigned long long>(info.totalram) * info.mem_unit);
    EXPECT_EQ(available / 1024, NumberOf(memory.Get(), u"AvailableKBytes"));
    EXPECT_EQ(available / (1024 * 1024), NumberOf(memory.Get(), u"AvailableMBytes"));
    EXPECT_LE(NumberOf(memory.Get(), u"PercentCommittedBytesInUse"), 100u);
    if (WholeFile("/proc/vmstat").find("\npgfault ") != std::string::npos) {
        OwnedVariant rate;
        ASSERT_EQ(S_OK, memory->Get(u"PageFaultsPersec", 0, rate.Address(), nullptr, nullptr));
        EXPECT_EQ(VT_I4, rate.Type());  // a uint32, not NULL
    }

    // The commit limit only changes with the swap and the overcommit settings.
    std::istringstream lines(WholeFile("/proc/meminfo"));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("CommitLimit:", 0) == 0) {
            EXPECT_EQ(std::stoull(line.substr(12)) * 1024, NumberOf(memory.Get(), u"CommitLimit"));
        }
    }
    EXPECT_EQ(1u, Select(u"SELECT * FROM Win32_PerfFormattedData_PerfOS_Memory").size());
}

}  // namespace
}  // namespace live_test
