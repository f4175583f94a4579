// The processes of the host as /proc describes them, in the units WMI uses.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pal::live {

struct ProcessInfo {
    pid_t pid = 0;
    pid_t parentPid = 0;
    std::string name;                           // the executable's file name, else the kernel's name
    std::optional<std::string> executablePath;  // unreadable for other users' processes
    std::optional<std::string> commandLine;     // arguments joined by blanks; none for kernel threads
    std::uint64_t threadCount = 0;
    std::uint64_t workingSetBytes = 0;
    std::uint64_t virtualBytes = 0;
    std::uint64_t kernelTime100ns = 0;
    std::uint64_t userTime100ns = 0;
    std::int64_t priority = 0;
    std::int64_t sessionId = 0;
    // Seconds and microseconds since the epoch; nullopt when the boot time is unknown.
    std::optional<std::int64_t> startMicroseconds;
    uid_t ownerUid = 0;
};

// The ids of the running processes, ascending.
std::vector<pid_t> ProcessIds();
// One process; nullopt when it has exited or cannot be read.
std::optional<ProcessInfo> ReadProcess(pid_t pid);
// The boot time in seconds since the epoch (`btime` of /proc/stat).
std::optional<std::int64_t> BootTimeSeconds();
// The account name of a user id; nullopt when it has none.
std::optional<std::string> UserName(uid_t uid);

}  // namespace pal::live
