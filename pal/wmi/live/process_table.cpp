#include "live/process_table.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "base/host_files.h"

namespace pal::live {

namespace {

struct CloseDirectory {
    void operator()(DIR* directory) const { closedir(directory); }
};

std::optional<pid_t> PidOfName(const char* name)
{
    const std::optional<std::uint64_t> number = LeadingNumber(name);
    if (!number || std::to_string(*number) != name) {
        return std::nullopt;
    }
    return static_cast<pid_t>(*number);
}

// Clock ticks as 100-nanosecond units.
std::uint64_t TicksTo100ns(std::uint64_t ticks)
{
    static const std::uint64_t ticksPerSecond = static_cast<std::uint64_t>(sysconf(_SC_CLK_TCK));
    return ticks * 10'000'000 / ticksPerSecond;
}

std::uint64_t NumberAt(const std::vector<std::string_view>& fields, std::size_t index)
{
    return index < fields.size() ? LeadingNumber(fields[index]).value_or(0) : 0;
}

std::int64_t SignedAt(const std::vector<std::string_view>& fields, std::size_t index)
{
    if (index >= fields.size() || fields[index].empty()) {
        return 0;
    }
    const std::string_view field = fields[index];
    if (field.front() == '-') {
        return -static_cast<std::int64_t>(LeadingNumber(field.substr(1)).value_or(0));
    }
    return static_cast<std::int64_t>(LeadingNumber(field).value_or(0));
}

std::optional<std::string> CommandLineOf(const std::string& directory)
{
    std::optional<std::string> arguments = ReadHostFile(directory + "/cmdline");
    if (!arguments || arguments->empty()) {
        return std::nullopt;
    }
    while (!arguments->empty() && arguments->back() == '\0') {
        arguments->pop_back();
    }
    std::replace(arguments->begin(), arguments->end(), '\0', ' ');
    return arguments;
}

}  // namespace

std::vector<pid_t> ProcessIds()
{
    std::vector<pid_t> pids;
    const std::unique_ptr<DIR, CloseDirectory> proc(opendir("/proc"));
    if (proc == nullptr) {
        return pids;
    }
    while (const dirent* entry = readdir(proc.get())) {
        if (const std::optional<pid_t> pid = PidOfName(entry->d_name)) {
            pids.push_back(*pid);
        }
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}

static std::optional<std::int64_t> ReadBootTime()
{
    const std::optional<std::string> stat = ReadHostFile("/proc/stat");
    if (!stat) {
        return std::nullopt;
    }
    const std::optional<std::string> bootTime = FieldOf(*stat, "btime");
    if (!bootTime) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> seconds = LeadingNumber(*bootTime);
    return seconds ? std::optional<std::int64_t>(static_cast<std::int64_t>(*seconds)) : std::nullopt;
}

std::optional<std::int64_t> BootTimeSeconds()
{
    // The boot time does not change while the system runs.
    static const std::optional<std::int64_t> bootTime = ReadBootTime();
    return bootTime;
}

std::optional<ProcessInfo> ReadProcess(pid_t pid)
{
    const std::string directory = "/proc/" + std::to_string(pid);
    const std::optional<std::string> stat = ReadHostFile(directory + "/stat");
    if (!stat) {
        return std::nullopt;
    }
    // "pid (comm) state ppid ...": the name may hold blanks and parentheses, so it ends at the
    // last closing parenthesis.
    const std::size_t open = stat->find('(');
    const std::size_t close = stat->rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return std::nullopt;
    }
    // fields[0] is the state (field 3 of proc(5)); field N is at index N - 3.
    const std::vector<std::string_view> fields = SplitBlanks(std::string_view(*stat).substr(close + 1));
    if (fields.size() < 22) {
        return std::nullopt;
    }
    ProcessInfo info;
    info.pid = pid;
    info.parentPid = static_cast<pid_t>(NumberAt(fields, 1));
    info.sessionId = SignedAt(fields, 3);
    info.userTime100ns = TicksTo100ns(NumberAt(fields, 11));
    info.kernelTime100ns = TicksTo100ns(NumberAt(fields, 12));
    info.priority = SignedAt(fields, 15);
    info.threadCount = NumberAt(fields, 17);
    info.virtualBytes = NumberAt(fields, 20);
    static const std::uint64_t pageSize = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    info.workingSetBytes = NumberAt(fields, 21) * pageSize;
    static const std::uint64_t ticksPerSecond = static_cast<std::uint64_t>(sysconf(_SC_CLK_TCK));
    if (const std::optional<std::int64_t> boot = BootTimeSeconds()) {
        const std::uint64_t startTicks = NumberAt(fields, 19);
        info.startMicroseconds =
            *boot * 1'000'000 + static_cast<std::int64_t>(startTicks * 1'000'000 / ticksPerSecond);
    }

    info.executablePath = ReadLink(directory + "/exe");
    if (info.executablePath && info.executablePath->ends_with(" (deleted)")) {
        info.executablePath->resize(info.executablePath->size() - 10);
    }
    if (info.executablePath) {
        info.name = info.executablePath->substr(info.executablePath->rfind('/') + 1);
    } else {
        info.name = stat->substr(open + 1, close - open - 1);
    }
    info.commandLine = CommandLineOf(directory);
    struct stat owner {};
    if (::stat(directory.c_str(), &owner) != 0) {
        return std::nullopt;
    }
    info.ownerUid = owner.st_uid;
    return info;
}

std::optional<std::string> UserName(uid_t uid)
{
    passwd entry{};
    passwd* found = nullptr;
    std::string buffer(16384, '\0');
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    return std::string(found->pw_name);
}

}  // namespace pal::live
