// Win32_OperatingSystem, Win32_ComputerSystem and Win32_Processor: the host's kernel, memory
// and processors.
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cmath>
#include <ctime>
#include <map>
#include <string>

#include "base/host_files.h"
#include "live/cim_datetime.h"
#include "live/instance_builder.h"
#include "live/live_classes.h"
#include "live/process_table.h"
#include "live/processor_details.h"
#include "live/user_sessions.h"

namespace pal::live {

namespace {

constexpr std::uint16_t kOsTypeLinux = 36;
constexpr std::uint16_t kArchitectureX64 = 9;
constexpr std::uint16_t kArchitectureArm64 = 12;
constexpr std::uint32_t kProductTypeWorkstation = 1;
constexpr std::uint16_t kProcessorFamilyUnknown = 2;
constexpr std::uint16_t kCentralProcessor = 3;
constexpr std::uint16_t kCpuEnabled = 1;
constexpr std::uint16_t kRunningOrFullPower = 3;
// The user address space of a 64-bit process (47 bits), in kilobytes.
constexpr std::uint64_t kUserAddressSpaceKb = (std::uint64_t{1} << 47) / 1024;

struct MemoryFigures {
    std::optional<std::uint64_t> totalKb, availableKb, swapTotalKb, swapFreeKb;
};

MemoryFigures ReadMemory()
{
    MemoryFigures memory;
    const std::optional<std::string> info = ReadHostFile("/proc/meminfo");
    if (!info) {
        return memory;
    }
    const auto kilobytes = [&](std::string_view name) -> std::optional<std::uint64_t> {
        const std::optional<std::string> field = FieldOf(*info, name);
        return field ? LeadingNumber(*field) : std::nullopt;
    };
    memory.totalKb = kilobytes("MemTotal");
    memory.availableKb = kilobytes("MemAvailable");
    if (!memory.availableKb) {
        memory.availableKb = kilobytes("MemFree");
    }
    memory.swapTotalKb = kilobytes("SwapTotal");
    memory.swapFreeKb = kilobytes("SwapFree");
    return memory;
}

std::optional<std::uint64_t> Sum(std::optional<std::uint64_t> a, std::optional<std::uint64_t> b)
{
    return a && b ? std::optional<std::uint64_t>(*a + *b) : std::nullopt;
}

std::optional<std::u16string> Utf16Of(const std::optional<std::string>& text)
{
    return text && !text->empty() ? std::optional<std::u16string>(Utf16(*text)) : std::nullopt;
}

bool Is64Bit(std::string_view machine)
{
    return machine == "x86_64" || machine == "aarch64" || machine == "ppc64le" || machine == "s390x" ||
           machine == "riscv64";
}

HRESULT AppendOne(InstanceBuilder& builder, std::vector<wmi::ObjectPtr>& instances)
{
    wmi::ObjectPtr instance;
    const HRESULT hr = builder.Finish(instance);
    if (SUCCEEDED(hr)) {
        instances.push_back(std::move(instance));
    }
    return hr;
}

// The processor packages of /proc/cpuinfo: per physical id, its description block and the number
// of logical processors in it. A machine that reports no physical ids has one package.
struct Package {
    std::string block;
    std::uint64_t logicalProcessors = 0;
};

std::map<std::uint64_t, Package> ProcessorPackages()
{
    std::map<std::uint64_t, Package> packages;
    const std::optional<std::string> info = ReadHostFile("/proc/cpuinfo");
    if (!info) {
        return packages;
    }
    std::size_t start = 0;
    while (start < info->size()) {
        std::size_t end = info->find("\n\n", start);
        if (end == std::string::npos) {
            end = info->size();
        }
        const std::string block = info->substr(start, end - start);
        start = end + 2;
        if (!FieldOf(block, "processor")) {
            continue;
        }
        const std::optional<std::string> physicalId = FieldOf(block, "physical id");
        Package& package = packages[physicalId ? LeadingNumber(*physicalId).value_or(0) : 0];
        if (package.block.empty()) {
            package.block = block;
        }
        ++package.logicalProcessors;
    }
    return packages;
}

// The first block of /proc/cpuinfo.
std::string FirstCpuBlock()
{
    const std::optional<std::string> info = ReadHostFile("/proc/cpuinfo");
    return info ? info->substr(0, info->find("\n\n")) : std::string();
}

std::optional<std::uint64_t> NumberField(std::string_view block, std::string_view name)
{
    const std::optional<std::string> field = FieldOf(block, name);
    return field ? LeadingNumber(*field) : std::nullopt;
}

// Win32_ComputerSystem.PCSystemType of the firmware's chassis type: desktop 1, mobile 2,
// enterprise server 4, unspecified 0; NULL when the firmware does not say.
std::optional<std::uint64_t> PcSystemType()
{
    const std::optional<std::string> line = ReadFirstLine("/sys/class/dmi/id/chassis_type");
    const std::optional<std::uint64_t> chassis = line ? LeadingNumber(*line) : std::nullopt;
    if (!chassis) {
        return std::nullopt;
    }
    switch (*chassis) {
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 13:
    case 15:
    case 16:
    case 24:
    case 35:
    case 36: return 1;
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 14:
    case 30:
    case 31:
    case 32: return 2;
    case 17:
    case 23:
    case 28:
    case 29: return 4;
    default: return 0;
    }
}

std::optional<std::uint64_t> MaxClockMhz()
{
    const std::optional<std::string> khz =
        ReadFirstLine("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
    const std::optional<std::uint64_t> value = khz ? LeadingNumber(*khz) : std::nullopt;
    return value ? std::optional<std::uint64_t>(*value / 1000) : std::nullopt;
}

// The share of the processors in use, from the one-minute load average, capped at 100.
std::optional<std::uint64_t> LoadPercentage()
{
    const std::optional<std::string> loadavg = ReadFirstLine("/proc/loadavg");
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    if (!loadavg || online <= 0) {
        return std::nullopt;
    }
    const std::vector<std::string_view> fields = SplitBlanks(*loadavg);
    if (fields.empty()) {
        return std::nullopt;
    }
    const std::string first(fields.front());
    const std::size_t dot = first.find('.');
    const std::uint64_t whole = LeadingNumber(first).value_or(0);
    const std::uint64_t hundredths =
        dot == std::string::npos ? 0 : LeadingNumber(first.substr(dot + 1, 2)).value_or(0);
    const std::uint64_t percent = (whole * 100 + hundredths) / static_cast<std::uint64_t>(online);
    return percent > 100 ? 100 : percent;
}

}  // namespace

HRESULT OperatingSystems(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    utsname kernel{};
    const bool haveKernel = uname(&kernel) == 0;
    const std::optional<std::string> osRelease = ReadHostFile("/etc/os-release");
    std::optional<std::string> caption = osRelease ? OsReleaseField(*osRelease, "PRETTY_NAME") : std::nullopt;
    if (!caption) {
        caption = haveKernel ? std::optional<std::string>(std::string(kernel.sysname)) : std::nullopt;
    }
    const std::u16string captionText = Utf16(caption.value_or("Linux"));
    const MemoryFigures memory = ReadMemory();

    InstanceBuilder builder(request);
    builder.Text(u"Name", captionText + u"|/|/");
    builder.Text(u"Caption", captionText);
    builder.Text(u"Manufacturer", Utf16Of(osRelease ? OsReleaseField(*osRelease, "NAME") : std::nullopt));
    builder.Unsigned32(u"OSType", kOsTypeLinux);
    if (haveKernel) {
        builder.Text(u"Version", Utf16(kernel.release));
        builder.Text(u"BuildNumber", Utf16(kernel.version));
        builder.Text(u"OSArchitecture", Is64Bit(kernel.machine) ? u"64-bit" : u"32-bit");
    }
    builder.Text(u"CSName", request.repository.ServerName());
    if (const std::optional<std::int64_t> boot = BootTimeSeconds()) {
        builder.Text(u"LastBootUpTime", CimDatetime(static_cast<std::time_t>(*boot), 0));
    }
    builder.Text(u"LocalDateTime", CimDatetimeNow());
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) {
        builder.Signed32(u"CurrentTimeZone", local.tm_gmtoff / 60);
    }
    builder.Unsigned64(u"TotalVisibleMemorySize", memory.totalKb);
    builder.Unsigned64(u"FreePhysicalMemory", memory.availableKb);
    builder.Unsigned64(u"TotalVirtualMemorySize", Sum(memory.totalKb, memory.swapTotalKb));
    builder.Unsigned64(u"FreeVirtualMemory", Sum(memory.availableKb, memory.swapFreeKb));
    builder.Unsigned64(u"SizeStoredInPagingFiles", memory.swapTotalKb);
    builder.Unsigned64(u"FreeSpaceInPagingFiles", memory.swapFreeKb);
    builder.Unsigned32(u"NumberOfProcesses", ProcessIds().size());
    builder.Boolean(u"Primary", true);
    builder.Text(u"SystemDirectory", u"/usr/bin");
    builder.Text(u"WindowsDirectory", u"/");
    builder.Text(u"Status", u"OK");
    builder.Text(u"CreationClassName", u"Win32_OperatingSystem");
    builder.Text(u"CSCreationClassName", u"Win32_ComputerSystem");
    // The root file system is also the disk C: (see Win32_LogicalDisk).
    builder.Text(u"SystemDrive", u"C:");
    builder.Unsigned32(u"ProductType", kProductTypeWorkstation);
    builder.Unsigned32(u"OperatingSystemSKU", 0);  // undefined
    builder.Unsigned32(u"SuiteMask", 0);
    builder.Unsigned32(u"OSProductSuite", 0);
    builder.Unsigned32(u"ServicePackMajorVersion", 0);
    builder.Unsigned32(u"ServicePackMinorVersion", 0);
    builder.Text(u"BuildType",
                 Utf16(sysconf(_SC_NPROCESSORS_CONF) > 1 ? "Multiprocessor Free" : "Uniprocessor Free"));
    const std::string cpu = FirstCpuBlock();
    const bool noExecute = HasCpuFlag(cpu, "nx");
    builder.Boolean(u"DataExecutionPrevention_Available", noExecute);
    builder.Boolean(u"DataExecutionPrevention_32BitApplications", noExecute);
    builder.Boolean(u"DataExecutionPrevention_Drivers", noExecute);
    builder.Boolean(u"PAEEnabled", HasCpuFlag(cpu, "pae"));
    builder.Boolean(u"Debug", false);
    builder.Boolean(u"Distributed", false);
    builder.Boolean(u"PortableOperatingSystem", false);
    const std::optional<std::string> pidMax = ReadFirstLine("/proc/sys/kernel/pid_max");
    builder.Unsigned32(u"MaxNumberOfProcesses", pidMax ? LeadingNumber(*pidMax) : std::nullopt);
    if (haveKernel && Is64Bit(kernel.machine)) {
        builder.Unsigned64(u"MaxProcessMemorySize", kUserAddressSpaceKb);
    }
    builder.Unsigned64(u"TotalSwapSpaceSize", memory.swapTotalKb);
    builder.Unsigned32(u"NumberOfUsers", ReadUserSessions().users);
    // The machine's identity is written when the system is installed, as the registry's
    // InstallDate tells too.
    struct stat machineId {};
    if (stat("/etc/machine-id", &machineId) == 0) {
        builder.Text(u"InstallDate", CimDatetime(machineId.st_mtime, 0));
    }
    return AppendOne(builder, instances);
}

HRESULT ComputerSystems(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    const MemoryFigures memory = ReadMemory();
    const std::size_t packages = ProcessorPackages().size();
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    std::optional<std::string> domain = ReadFirstLine("/proc/sys/kernel/domainname");
    if (domain && (domain->empty() || *domain == "(none)")) {
        domain.reset();
    }
    utsname kernel{};
    const bool haveKernel = uname(&kernel) == 0;

    InstanceBuilder builder(request);
    builder.Text(u"Name", request.repository.ServerName());
    builder.Text(u"Caption", request.repository.ServerName());
    builder.Text(u"Domain", domain ? Utf16(*domain) : std::u16string(u"WORKGROUP"));
    builder.Boolean(u"PartOfDomain", domain.has_value());
    builder.Text(u"Manufacturer", Utf16Of(ReadFirstLine("/sys/class/dmi/id/sys_vendor")));
    builder.Text(u"Model", Utf16Of(ReadFirstLine("/sys/class/dmi/id/product_name")));
    builder.Unsigned32(u"NumberOfProcessors",
                       packages == 0 ? std::nullopt : std::optional<std::uint64_t>(packages));
    builder.Unsigned32(
        u"NumberOfLogicalProcessors",
        online > 0 ? std::optional<std::uint64_t>(static_cast<std::uint64_t>(online)) : std::nullopt);
    builder.Unsigned64(u"TotalPhysicalMemory",
                       memory.totalKb ? std::optional<std::uint64_t>(*memory.totalKb * 1024) : std::nullopt);
    if (haveKernel) {
        const std::string_view machine = kernel.machine;
        builder.Text(u"SystemType",
                     machine == "x86_64" ? u"x64-based PC" : Utf16(std::string(machine) + "-based PC"));
    }
    builder.Text(u"Status", u"OK");
    builder.Text(u"CreationClassName", u"Win32_ComputerSystem");
    builder.Text(u"DNSHostName",
                 haveKernel ? std::optional<std::u16string>(Utf16(kernel.nodename)) : std::nullopt);
    if (!domain) {
        builder.Text(u"Workgroup", u"WORKGROUP");
    }
    builder.Unsigned32(u"DomainRole", domain ? 1 : 0);  // member or standalone workstation
    builder.Text(u"BootupState", u"Normal boot");
    builder.Boolean(u"AutomaticManagedPagefile", false);
    builder.Boolean(u"HypervisorPresent", HasCpuFlag(FirstCpuBlock(), "hypervisor"));
    builder.Text(u"SystemFamily", Utf16Of(ReadFirstLine("/sys/class/dmi/id/product_family")));
    builder.Unsigned32(u"PCSystemType", PcSystemType());
    builder.Text(u"SystemSKUNumber", Utf16Of(ReadFirstLine("/sys/class/dmi/id/product_sku")));
    // The user of the console session as DOMAIN\user, the computer's name standing for the
    // domain of a local account; NULL when nobody is logged on.
    if (const std::optional<std::string> user = ReadUserSessions().consoleUser) {
        builder.Text(u"UserName", request.repository.ServerName() + u"\\" + Utf16(*user));
    }
    return AppendOne(builder, instances);
}

HRESULT Processors(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    utsname kernel{};
    const bool haveKernel = uname(&kernel) == 0;
    const std::optional<std::uint64_t> maxClock = MaxClockMhz();
    const std::optional<std::uint64_t> load = LoadPercentage();
    const std::optional<std::u16string> processorId = ProcessorId();
    const std::optional<std::uint64_t> level2 = CacheSizeKb(2);
    const std::optional<std::uint64_t> level3 = CacheSizeKb(3);
    std::uint64_t index = 0;
    for (const auto& [physicalId, package] : ProcessorPackages()) {
        const std::string& block = package.block;
        std::optional<std::string> name = FieldOf(block, "model name");
        const std::optional<std::string> cores = FieldOf(block, "cpu cores");
        const std::optional<std::string> mhz = FieldOf(block, "cpu MHz");
        const std::optional<std::uint64_t> currentClock = mhz ? LeadingNumber(*mhz) : std::nullopt;

        InstanceBuilder builder(request);
        const std::u16string deviceId = u"CPU" + Utf16(std::to_string(index++));
        builder.Text(u"DeviceID", deviceId);
        builder.Text(u"Name", Utf16Of(name));
        const std::optional<std::u16string> description = ProcessorDescription(block);
        builder.Text(u"Caption", description ? description : Utf16Of(name));
        builder.Text(u"Description", description ? description : Utf16Of(name));
        builder.Text(u"Manufacturer", Utf16Of(FieldOf(block, "vendor_id")));
        builder.Text(u"SocketDesignation", Utf16("CPU " + std::to_string(physicalId)));
        builder.Unsigned32(u"NumberOfCores", cores ? LeadingNumber(*cores)
                                                   : std::optional<std::uint64_t>(package.logicalProcessors));
        builder.Unsigned32(u"NumberOfLogicalProcessors", package.logicalProcessors);
        builder.Unsigned32(u"MaxClockSpeed", maxClock ? maxClock : currentClock);
        builder.Unsigned32(u"CurrentClockSpeed", currentClock);
        builder.Unsigned32(u"LoadPercentage", load);
        builder.Text(u"SystemName", request.repository.ServerName());
        if (haveKernel) {
            const std::string_view machine = kernel.machine;
            builder.Unsigned32(u"AddressWidth", Is64Bit(machine) ? 64 : 32);
            builder.Unsigned32(u"DataWidth", Is64Bit(machine) ? 64 : 32);
            if (machine == "x86_64") {
                builder.Unsigned32(u"Architecture", kArchitectureX64);
            } else if (machine == "aarch64") {
                builder.Unsigned32(u"Architecture", kArchitectureArm64);
            }
        }
        builder.Text(u"Status", u"OK");
        builder.Text(u"CreationClassName", u"Win32_Processor");
        builder.Text(u"SystemCreationClassName", u"Win32_ComputerSystem");
        builder.Text(u"Role", u"CPU");
        builder.Unsigned32(u"Availability", kRunningOrFullPower);
        builder.Unsigned32(u"CpuStatus", kCpuEnabled);
        builder.Unsigned32(u"ProcessorType", kCentralProcessor);
        builder.Unsigned32(u"Family", kProcessorFamilyUnknown);  // the firmware's table is root's
        builder.Text(u"ProcessorId", processorId);
        const std::optional<std::uint64_t> family = NumberField(block, "cpu family");
        const std::optional<std::uint64_t> model = NumberField(block, "model");
        const std::optional<std::uint64_t> stepping = NumberField(block, "stepping");
        builder.Unsigned32(u"Level", family);
        if (model && stepping) {
            builder.Unsigned32(u"Revision", (*model & 0xFFU) << 8 | (*stepping & 0xFFU));
        }
        builder.Text(u"Stepping", stepping ? std::optional<std::u16string>(Utf16(std::to_string(*stepping)))
                                           : std::nullopt);
        builder.Text(u"Version", u"");
        builder.Unsigned32(u"L2CacheSize", level2);
        builder.Unsigned32(u"L3CacheSize", level3);
        builder.Unsigned32(
            u"NumberOfEnabledCore",
            cores ? LeadingNumber(*cores) : std::optional<std::uint64_t>(package.logicalProcessors));
        builder.Unsigned32(u"ThreadCount", package.logicalProcessors);
        builder.Boolean(u"VMMonitorModeExtensions", HasCpuFlag(block, "vmx") || HasCpuFlag(block, "svm"));
        builder.Boolean(u"SecondLevelAddressTranslationExtensions",
                        HasCpuFlag(block, "ept") || HasCpuFlag(block, "npt"));
        const HRESULT hr = AppendOne(builder, instances);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return WBEM_S_NO_ERROR;
}

}  // namespace pal::live
