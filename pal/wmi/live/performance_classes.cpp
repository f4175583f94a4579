// Win32_PerfFormattedData_PerfOS_Processor and Win32_PerfFormattedData_PerfOS_Memory: the
// processors' shares of time from /proc/stat and the memory figures of /proc/meminfo, in bytes.
#include <time.h>

#include <string>

#include "base/host_files.h"
#include "live/cpu_times.h"
#include "live/instance_builder.h"
#include "live/live_classes.h"

namespace pal::live {

namespace {

constexpr std::uint64_t kHundredNanoseconds = 10000000;
constexpr std::uint64_t kNanoseconds = 1000000000;
constexpr std::uint64_t kUnixEpochAsFiletime = 116444736000000000ULL;

// The time stamps every performance object carries: the system time in 100-nanosecond units
// since 1601, and a monotonic counter in nanoseconds.
void Stamp(InstanceBuilder& builder)
{
    timespec now{};
    if (clock_gettime(CLOCK_REALTIME, &now) == 0) {
        builder.Unsigned64(u"Timestamp_Sys100NS",
                           kUnixEpochAsFiletime +
                               static_cast<std::uint64_t>(now.tv_sec) * kHundredNanoseconds +
                               static_cast<std::uint64_t>(now.tv_nsec) / 100);
        builder.Unsigned64(u"Frequency_Sys100NS", kHundredNanoseconds);
    }
    if (clock_gettime(CLOCK_MONOTONIC, &now) == 0) {
        builder.Unsigned64(u"Timestamp_PerfTime", static_cast<std::uint64_t>(now.tv_sec) * kNanoseconds +
                                                      static_cast<std::uint64_t>(now.tv_nsec));
        builder.Unsigned64(u"Frequency_PerfTime", kNanoseconds);
    }
}

}  // namespace

HRESULT ProcessorPerformance(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    for (const CpuShares& shares : CurrentCpuShares()) {
        InstanceBuilder builder(request);
        builder.Text(u"Name", Utf16(shares.name));
        builder.Unsigned64(u"PercentProcessorTime", shares.processor);
        builder.Unsigned64(u"PercentIdleTime", shares.idle);
        builder.Unsigned64(u"PercentUserTime", shares.user);
        builder.Unsigned64(u"PercentPrivilegedTime", shares.privileged);
        builder.Unsigned64(u"PercentInterruptTime", shares.interrupt);
        builder.Unsigned64(u"PercentDPCTime", shares.dpc);
        builder.Unsigned32(u"InterruptsPersec", shares.interruptsPerSecond);
        Stamp(builder);
        const HRESULT hr = builder.FinishInto(instances);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return WBEM_S_NO_ERROR;
}

HRESULT MemoryPerformance(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    const std::optional<std::string> info = ReadHostFile("/proc/meminfo");
    const auto bytes = [&](std::string_view name) -> std::optional<std::uint64_t> {
        const std::optional<std::string> field = info ? FieldOf(*info, name) : std::nullopt;
        const std::optional<std::uint64_t> kilobytes = field ? LeadingNumber(*field) : std::nullopt;
        return kilobytes ? std::optional<std::uint64_t>(*kilobytes * 1024) : std::nullopt;
    };
    std::optional<std::uint64_t> available = bytes("MemAvailable");
    if (!available) {
        available = bytes("MemFree");
    }
    const std::optional<std::uint64_t> committed = bytes("Committed_AS");
    const std::optional<std::uint64_t> limit = bytes("CommitLimit");

    InstanceBuilder builder(request);
    builder.Unsigned64(u"AvailableBytes", available);
    builder.Unsigned64(u"AvailableKBytes",
                       available ? std::optional<std::uint64_t>(*available / 1024) : std::nullopt);
    builder.Unsigned64(u"AvailableMBytes",
                       available ? std::optional<std::uint64_t>(*available / (1024 * 1024)) : std::nullopt);
    builder.Unsigned64(u"CacheBytes", bytes("Cached"));
    builder.Unsigned64(u"CommittedBytes", committed);
    builder.Unsigned64(u"CommitLimit", limit);
    if (committed && limit && *limit > 0) {
        // Linux may commit more than its limit; Windows cannot, and counts to 100 at most.
        const std::uint64_t percent = *committed * 100 / *limit;
        builder.Unsigned32(u"PercentCommittedBytesInUse", percent > 100 ? 100 : percent);
    }
    builder.Unsigned64(u"PoolNonpagedBytes", bytes("SUnreclaim"));
    builder.Unsigned64(u"PoolPagedBytes", bytes("SReclaimable"));
    const MemoryRates rates = CurrentMemoryRates();
    builder.Unsigned32(u"PageFaultsPersec", rates.pageFaults);
    builder.Unsigned64(u"PagesPersec", rates.pages);
    Stamp(builder);
    return builder.FinishInto(instances);
}

}  // namespace pal::live
