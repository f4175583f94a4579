#include "live/cpu_times.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "live/host_files.h"

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

struct Reading {
    Clock::time_point taken;
    std::vector<CpuTicks> ticks;
};

std::optional<Reading> Read()
{
    const std::optional<std::string> stat = ReadHostFile("/proc/stat");
    if (!stat) {
        return std::nullopt;
    }
    return Reading{Clock::now(), ParseCpuTicks(*stat)};
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

CpuShares SharesBetween(const CpuTicks& before, const CpuTicks& after)
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
    const std::optional<Reading> after = Read();
    if (!before || !after) {
        return {};
    }
    {
        const std::lock_guard<std::mutex> guard(lock);
        previous = after;
    }
    std::vector<CpuShares> shares;
    for (const CpuTicks& now : after->ticks) {
        for (const CpuTicks& then : before->ticks) {
            if (then.name == now.name) {
                shares.push_back(SharesBetween(then, now));
            }
        }
    }
    // The total, read first, is listed last.
    if (!shares.empty() && shares.front().name == "_Total") {
        std::rotate(shares.begin(), shares.begin() + 1, shares.end());
    }
    return shares;
}

}  // namespace pal::live
