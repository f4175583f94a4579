#include "live/cpu_times.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "base/host_files.h"

namespace pal::live {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kSampleGap = std::chrono::milliseconds(100);
constexpr auto kShortestInterval = std::chrono::milliseconds(50);

std::uint64_t Percent(std::uint64_t part, std::uint64_t whole)
{
    const std::uint64_t share = whole == 0 ? 0 : (part * 100 + whole / 2) / whole;
    return share > 100 ? 100 : share;
}

std::uint64_t Delta(std::uint64_t before, std::uint64_t after)
{
    return after > before ? after - before : 0;
}

std::uint64_t PerSecond(std::uint64_t count, std::uint64_t milliseconds)
{
    return milliseconds == 0 ? 0 : (count * 1000 + milliseconds / 2) / milliseconds;
}

struct Reading {
    Clock::time_point taken;
    std::vector<CpuTicks> ticks;
    std::optional<std::uint64_t> pageFaults, swappedPages;
};

std::optional<std::uint64_t> VmstatCounter(const std::optional<std::string>& vmstat, std::string_view name)
{
    const std::optional<std::string> field = vmstat ? FieldOf(*vmstat, name) : std::nullopt;
    return field ? LeadingNumber(*field) : std::nullopt;
}

std::optional<Reading> Read()
{
    const std::optional<std::string> stat = ReadHostFile("/proc/stat");
    if (!stat) {
        return std::nullopt;
    }
    Reading reading{Clock::now(), ParseCpuTicks(*stat), std::nullopt, std::nullopt};
    if (const std::optional<std::string> interrupts = ReadHostFile("/proc/interrupts")) {
        for (const auto& [name, count] : ParseInterrupts(*interrupts)) {
            for (CpuTicks& ticks : reading.ticks) {
                if (ticks.name == name || ticks.name == "_Total") {
                    ticks.interrupts += count;
                }
            }
        }
    }
    const std::optional<std::string> vmstat = ReadHostFile("/proc/vmstat");
    reading.pageFaults = VmstatCounter(vmstat, "pgfault");
    const std::optional<std::uint64_t> in = VmstatCounter(vmstat, "pswpin");
    const std::optional<std::uint64_t> out = VmstatCounter(vmstat, "pswpout");
    if (in && out) {
        reading.swappedPages = *in + *out;
    }
    return reading;
}

// Two readings: the previous one of this process when it is old enough to measure, else one
// taken now and another a tenth of a second later.
std::optional<std::pair<Reading, Reading>> Interval()
{
    static std::mutex lock;
    static std::optional<Reading> previous;
    std::optional<Reading> before;
    {
        const std::lock_guard<std::mutex> guard(lock);
        before = previous;
    }
    if (!before || Clock::now() - before->taken < kShortestInterval) {
        before = Read();
        std::this_thread::sleep_for(kSampleGap);
    }
    std::optional<Reading> after = Read();
    if (!before || !after) {
        return std::nullopt;
    }
    {
        const std::lock_guard<std::mutex> guard(lock);
        previous = after;
    }
    return std::make_pair(std::move(*before), std::move(*after));
}

std::uint64_t Milliseconds(const std::pair<Reading, Reading>& interval)
{
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(interval.second.taken - interval.first.taken);
    return elapsed.count() > 0 ? static_cast<std::uint64_t>(elapsed.count()) : 0;
}

}  // namespace

std::vector<CpuTicks> ParseCpuTicks(std::string_view stat)
{
    std::vector<CpuTicks> all;
    std::size_t start = 0;
    while (start < stat.size()) {
        std::size_t end = stat.find('\n', start);
        if (end == std::string_view::npos) {
            end = stat.size();
        }
        const std::vector<std::string_view> fields = SplitBlanks(stat.substr(start, end - start));
        start = end + 1;
        if (fields.size() < 5 || fields[0].substr(0, 3) != "cpu") {
            continue;
        }
        CpuTicks ticks;
        ticks.name = fields[0] == "cpu" ? std::string("_Total") : std::string(fields[0].substr(3));
        std::uint64_t* const slots[] = {&ticks.user,   &ticks.nice, &ticks.system,  &ticks.idle,
                                        &ticks.iowait, &ticks.irq,  &ticks.softirq, &ticks.steal};
        for (std::size_t i = 0; i < std::size(slots) && i + 1 < fields.size(); ++i) {
            *slots[i] = LeadingNumber(fields[i + 1]).value_or(0);
        }
        all.push_back(ticks);
    }
    return all;
}

std::vector<std::pair<std::string, std::uint64_t>> ParseInterrupts(std::string_view text)
{
    std::vector<std::pair<std::string, std::uint64_t>> counts;
    std::size_t start = 0;
    bool header = true;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::vector<std::string_view> fields = SplitBlanks(text.substr(start, end - start));
        start = end + 1;
        if (header) {
            // "CPU0 CPU1 ...": the processors of the columns.
            for (const std::string_view field : fields) {
                counts.emplace_back(std::string(field.substr(field.rfind("CPU", 0) == 0 ? 3 : 0)), 0);
            }
            header = false;
            continue;
        }
        // "NAME: count count ... description"; lines such as "ERR: 0" have a single count.
        for (std::size_t i = 0; i < counts.size() && i + 1 < fields.size(); ++i) {
            const std::optional<std::uint64_t> count = LeadingNumber(fields[i + 1]);
            if (!count || fields[i + 1].find_first_not_of("0123456789") != std::string_view::npos) {
                break;
            }
            counts[i].second += *count;
        }
    }
    return counts;
}

CpuShares SharesBetween(const CpuTicks& before, const CpuTicks& after, std::uint64_t milliseconds)
{
    const std::uint64_t user = Delta(before.user, after.user) + Delta(before.nice, after.nice);
    const std::uint64_t system = Delta(before.system, after.system);
    const std::uint64_t irq = Delta(before.irq, after.irq);
    const std::uint64_t softirq = Delta(before.softirq, after.softirq);
    const std::uint64_t idle = Delta(before.idle, after.idle) + Delta(before.iowait, after.iowait);
    const std::uint64_t steal = Delta(before.steal, after.steal);
    const std::uint64_t total = user + system + irq + softirq + idle + steal;
    CpuShares shares;
    shares.name = after.name;
    shares.interruptsPerSecond = PerSecond(Delta(before.interrupts, after.interrupts), milliseconds);
    if (total == 0) {
        shares.idle = 100;
        return shares;
    }
    shares.idle = Percent(idle, total);
    shares.processor = 100 - shares.idle;
    shares.user = Percent(user, total);
    shares.privileged = Percent(system + irq + softirq, total);
    shares.interrupt = Percent(irq, total);
    shares.dpc = Percent(softirq, total);
    return shares;
}

std::vector<CpuShares> CurrentCpuShares()
{
    const std::optional<std::pair<Reading, Reading>> interval = Interval();
    if (!interval) {
        return {};
    }
    const std::uint64_t milliseconds = Milliseconds(*interval);
    std::vector<CpuShares> shares;
    for (const CpuTicks& now : interval->second.ticks) {
        for (const CpuTicks& then : interval->first.ticks) {
            if (then.name == now.name) {
                shares.push_back(SharesBetween(then, now, milliseconds));
            }
        }
    }
    // The total, read first, is listed last.
    if (!shares.empty() && shares.front().name == "_Total") {
        std::rotate(shares.begin(), shares.begin() + 1, shares.end());
    }
    return shares;
}

MemoryRates CurrentMemoryRates()
{
    MemoryRates rates;
    const std::optional<std::pair<Reading, Reading>> interval = Interval();
    if (!interval) {
        return rates;
    }
    const std::uint64_t milliseconds = Milliseconds(*interval);
    const auto rate = [&](const std::optional<std::uint64_t>& before,
                          const std::optional<std::uint64_t>& after) -> std::optional<std::uint64_t> {
        return before && after ? std::optional<std::uint64_t>(PerSecond(Delta(*before, *after), milliseconds))
                               : std::nullopt;
    };
    rates.pageFaults = rate(interval->first.pageFaults, interval->second.pageFaults);
    rates.pages = rate(interval->first.swappedPages, interval->second.swappedPages);
    return rates;
}

}  // namespace pal::live
