// Win32_PhysicalMemory: the memory the kernel manages as one module. The firmware's table of
// memory devices is readable by root alone, so the capacity is that of the online memory blocks
// of /sys/devices/system/memory (installed memory, the firmware's reservations included), else
// the total of /proc/meminfo; slot, maker, part number and speed are NULL.
#include <string>

#include "base/host_files.h"
#include "live/host_directories.h"
#include "live/instance_builder.h"
#include "live/live_classes.h"

namespace pal::live {

namespace {

constexpr char kMemoryBlocks[] = "/sys/devices/system/memory";

std::optional<std::uint64_t> BlockBytes()
{
    const std::optional<std::string> size = ReadFirstLine(std::string(kMemoryBlocks) + "/block_size_bytes");
    if (!size) {
        return std::nullopt;
    }
    std::uint64_t bytes = 0;
    for (const char c : *size) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        bytes = bytes * 16 + static_cast<std::uint64_t>(digit);
    }
    return bytes;
}

std::optional<std::uint64_t> InstalledBytes()
{
    if (const std::optional<std::uint64_t> blockBytes = BlockBytes()) {
        std::uint64_t online = 0;
        for (const std::string& name : DirectoryEntries(kMemoryBlocks)) {
            const std::optional<std::string> state =
                name.rfind("memory", 0) == 0
                    ? ReadFirstLine(std::string(kMemoryBlocks) + "/" + name + "/state")
                    : std::nullopt;
            online += state == "online" ? 1 : 0;
        }
        if (online > 0) {
            return online * *blockBytes;
        }
    }
    const std::optional<std::string> info = ReadHostFile("/proc/meminfo");
    const std::optional<std::string> total = info ? FieldOf(*info, "MemTotal") : std::nullopt;
    const std::optional<std::uint64_t> kilobytes = total ? LeadingNumber(*total) : std::nullopt;
    return kilobytes ? std::optional<std::uint64_t>(*kilobytes * 1024) : std::nullopt;
}

}  // namespace

HRESULT PhysicalMemories(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    const std::optional<std::uint64_t> capacity = InstalledBytes();
    if (!capacity) {
        return WBEM_S_NO_ERROR;
    }
    InstanceBuilder builder(request);
    builder.Text(u"CreationClassName", u"Win32_PhysicalMemory");
    builder.Text(u"Tag", u"Physical Memory 0");
    builder.Text(u"Name", u"Physical Memory");
    builder.Text(u"Caption", u"Physical Memory");
    builder.Text(u"Description", u"Physical Memory");
    builder.Unsigned64(u"Capacity", capacity);
    builder.Unsigned32(u"FormFactor", 0);        // unknown
    builder.Unsigned32(u"MemoryType", 0);        // unknown
    builder.Unsigned32(u"SMBIOSMemoryType", 2);  // unknown
    builder.Boolean(u"PoweredOn", true);
    builder.Boolean(u"HotSwappable", false);
    return builder.FinishInto(instances);
}

}  // namespace pal::live
