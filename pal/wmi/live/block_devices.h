// The disks of the host as /sys/block shows them: the block devices backed by a device (loop,
// RAM and device-mapper devices have none), numbered as Windows numbers its physical drives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pal::live {

struct BlockPartition {
    std::string name;               // "vda1"
    std::uint64_t number = 0;       // the kernel's partition number
    std::uint64_t startSector = 0;  // in 512-byte sectors, as the kernel counts
    std::uint64_t sectors = 0;
};

struct BlockDisk {
    std::uint64_t index = 0;  // \\.\PHYSICALDRIVE<index>
    std::string name;         // "vda"
    std::uint64_t sectors = 0;
    std::uint64_t logicalBlockSize = 512;
    bool removable = false;
    bool usb = false;
    std::optional<std::string> model, vendor, serial, firmware;
    std::vector<BlockPartition> partitions;  // in the order of their numbers
};

std::vector<BlockDisk> BlockDisks();

}  // namespace pal::live
