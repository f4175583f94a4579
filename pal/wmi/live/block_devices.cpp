#include "live/block_devices.h"

#include <algorithm>

#include "base/host_files.h"
#include "live/host_directories.h"

namespace pal::live {

namespace {

std::optional<std::uint64_t> NumberIn(const std::string& path)
{
    const std::optional<std::string> line = ReadFirstLine(path);
    return line ? LeadingNumber(*line) : std::nullopt;
}

std::optional<std::string> TextIn(const std::string& path)
{
    std::optional<std::string> line = ReadFirstLine(path);
    return line && !line->empty() ? line : std::nullopt;
}

std::vector<BlockPartition> PartitionsOf(const std::string& dir)
{
    std::vector<BlockPartition> partitions;
    for (const std::string& name : DirectoryEntries(dir)) {
        const std::string sub = dir + "/" + name;
        const std::optional<std::uint64_t> number = NumberIn(sub + "/partition");
        if (!number) {
            continue;
        }
        BlockPartition partition;
        partition.name = name;
        partition.number = *number;
        partition.startSector = NumberIn(sub + "/start").value_or(0);
        partition.sectors = NumberIn(sub + "/size").value_or(0);
        partitions.push_back(partition);
    }
    std::sort(partitions.begin(), partitions.end(),
              [](const BlockPartition& a, const BlockPartition& b) { return a.number < b.number; });
    return partitions;
}

}  // namespace

std::vector<BlockDisk> BlockDisks()
{
    std::vector<BlockDisk> disks;
    for (const std::string& name : DirectoryEntries("/sys/block")) {
        const std::string dir = "/sys/block/" + name;
        if (!PathExists(dir + "/device")) {
            continue;
        }
        BlockDisk disk;
        disk.index = disks.size();
        disk.name = name;
        disk.sectors = NumberIn(dir + "/size").value_or(0);
        disk.logicalBlockSize = NumberIn(dir + "/queue/logical_block_size").value_or(512);
        disk.removable = NumberIn(dir + "/removable").value_or(0) != 0;
        const std::optional<std::string> devicePath = ReadLink(dir + "/device");
        disk.usb = devicePath && devicePath->find("/usb") != std::string::npos;
        disk.model = TextIn(dir + "/device/model");
        disk.vendor = TextIn(dir + "/device/vendor");
        disk.serial = TextIn(dir + "/device/serial");
        disk.firmware = TextIn(dir + "/device/firmware_rev");
        if (!disk.firmware) {
            disk.firmware = TextIn(dir + "/device/rev");
        }
        disk.partitions = PartitionsOf(dir);
        disks.push_back(std::move(disk));
    }
    return disks;
}

}  // namespace pal::live
