#include "live/processor_details.h"

#include <string>
#include <vector>

#include "base/host_files.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace pal::live {

namespace {

std::string Hex8(std::uint32_t value)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = kDigits[value & 0xFU];
        value >>= 4;
    }
    return text;
}

}  // namespace

bool HasCpuFlag(std::string_view block, std::string_view flag)
{
    std::optional<std::string> flags = FieldOf(block, "flags");
    if (!flags) {
        flags = FieldOf(block, "Features");
    }
    if (!flags) {
        return false;
    }
    for (const std::string_view word : SplitBlanks(*flags)) {
        if (word == flag) {
            return true;
        }
    }
    return false;
}

std::optional<std::u16string> ProcessorId()
{
#if defined(__x86_64__) || defined(__i386__)
    unsigned int eax = 0;
    unsigned int ebx = 0;
    unsigned int ecx = 0;
    unsigned int edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) {
        return std::nullopt;
    }
    return Utf16(Hex8(edx) + Hex8(eax));
#else
    return std::nullopt;
#endif
}

std::optional<std::uint64_t> CacheSizeKb(int level)
{
    const std::string cpu0 = "/sys/devices/system/cpu/cpu0/cache/index";
    for (int index = 0; index < 16; ++index) {
        const std::string dir = cpu0 + std::to_string(index) + "/";
        const std::optional<std::string> found = ReadFirstLine(dir + "level");
        if (!found) {
            break;
        }
        const std::optional<std::string> type = ReadFirstLine(dir + "type");
        if (LeadingNumber(*found) != static_cast<std::uint64_t>(level) || !type || *type == "Instruction") {
            continue;
        }
        const std::optional<std::string> size = ReadFirstLine(dir + "size");  // "1024K"
        return size ? LeadingNumber(*size) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::u16string> ProcessorDescription(std::string_view block)
{
    const std::optional<std::string> family = FieldOf(block, "cpu family");
    const std::optional<std::string> model = FieldOf(block, "model");
    const std::optional<std::string> stepping = FieldOf(block, "stepping");
    if (!family || !model || !stepping) {
        return std::nullopt;
    }
    const std::optional<std::string> vendor = FieldOf(block, "vendor_id");
    const std::string architecture = vendor == "AuthenticAMD" ? "AMD64" : "Intel64";
    return Utf16(architecture + " Family " + *family + " Model " + *model + " Stepping " + *stepping);
}

}  // namespace pal::live
