// The processors' time counters of /proc/stat and the shares of time between two readings of
// them, as the formatted performance data reports them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "repository/internal_api.h"

namespace pal::live {

// The ticks of one "cpu" line of /proc/stat.
struct CpuTicks {
    std::string name;  // "_Total" for the line of all processors, else the processor's number
    std::uint64_t user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
};

// The shares of each kind of time in percent, each within 0 to 100.
struct CpuShares {
    std::string name;
    std::uint64_t processor = 0, user = 0, privileged = 0, interrupt = 0, dpc = 0, idle = 0;
};

// The "cpu" lines of the text of /proc/stat, the total first.
PAL_INTERNAL_API std::vector<CpuTicks> ParseCpuTicks(std::string_view stat);
// The shares between two readings of the same processor; all 0 but idle (100) when no time
// passed.
PAL_INTERNAL_API CpuShares SharesBetween(const CpuTicks& before, const CpuTicks& after);

// The shares of every processor and of all of them ("_Total", last, as Windows lists it),
// between the previous reading of this process and now; when there is none recent enough,
// between two readings a tenth of a second apart.
std::vector<CpuShares> CurrentCpuShares();

}  // namespace pal::live
