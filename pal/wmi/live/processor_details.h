// What /proc/cpuinfo, the CPUID instruction and /sys/devices/system/cpu tell about a processor
// beyond its name and clocks, in the forms Win32_Processor gives them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "repository/internal_api.h"

namespace pal::live {

// Whether the "flags" line (x86) or "Features" line (ARM) of a cpuinfo block names `flag`.
PAL_INTERNAL_API bool HasCpuFlag(std::string_view block, std::string_view flag);
// The feature bits and the signature of CPUID leaf 1 as 16 hexadecimal digits (EDX then EAX);
// nullopt on a machine without CPUID.
std::optional<std::u16string> ProcessorId();
// The size in kilobytes of the level-`level` unified or data cache of processor 0.
std::optional<std::uint64_t> CacheSizeKb(int level);
// "Intel64 Family 6 Model 158 Stepping 10", as Windows describes an x86 processor; nullopt
// when the block has no family.
std::optional<std::u16string> ProcessorDescription(std::string_view block);

}  // namespace pal::live
