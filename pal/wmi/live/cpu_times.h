// The processors' time counters of /proc/stat and the shares of time between two readings of
// them, as the formatted performance data reports them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "repository/internal_api.h"

namespace pal::live {

// The ticks of one "cpu" line of /proc/stat.
struct CpuTicks {
    std::string name;  // "_Total" for the line of all processors, else the processor's number
    std::uint64_t user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    std::uint64_t interrupts = 0;  // handled so far, from /proc/interrupts
};

// The shares of each kind of time in percent, each within 0 to 100.
struct CpuShares {
    std::string name;
    std::uint64_t processor = 0, user = 0, privileged = 0, interrupt = 0, dpc = 0, idle = 0;
    std::uint64_t interruptsPerSecond = 0;
};

// Paging between two readings of /proc/vmstat, per second.
struct MemoryRates {
    std::optional<std::uint64_t> pageFaults;  // pgfault
    std::optional<std::uint64_t> pages;       // pages swapped in and out (pswpin, pswpout)
};

// The "cpu" lines of the text of /proc/stat, the total first.
PAL_INTERNAL_API std::vector<CpuTicks> ParseCpuTicks(std::string_view stat);
// The interrupts each processor has handled, from the text of /proc/interrupts, by the
// processor's number ("0", "1", ...).
PAL_INTERNAL_API std::vector<std::pair<std::string, std::uint64_t>> ParseInterrupts(std::string_view text);
// The shares between two readings of the same processor `milliseconds` apart; all 0 but idle
// (100) when no time passed.
PAL_INTERNAL_API CpuShares SharesBetween(const CpuTicks& before, const CpuTicks& after,
                                         std::uint64_t milliseconds);

// The shares of every processor and of all of them ("_Total", last, as Windows lists it),
// between the previous reading of this process and now; when there is none recent enough,
// between two readings a tenth of a second apart.
std::vector<CpuShares> CurrentCpuShares();
// The paging rates, measured as the shares are.
MemoryRates CurrentMemoryRates();

}  // namespace pal::live
