// Hands the standard classes of root\cimv2 to the providers that read the host, and the methods
// of StdRegProv to the emulated registry.
#include "live/live_classes.h"
#include "live/provider_guard.h"
#include "live/registry_provider.h"

namespace pal::live {

namespace {

constexpr char16_t kCimv2[] = u"root\\cimv2";

}  // namespace

void RegisterLiveProviders()
{
    services::RegisterInstanceProvider(kCimv2, u"Win32_OperatingSystem", {OperatingSystems, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_ComputerSystem", {ComputerSystems, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_Processor", {Processors, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_LogicalDisk", {LogicalDisks, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_Process", {Processes, ProcessByKey});
    services::RegisterInstanceProvider(kCimv2, u"Win32_SystemProcesses", {SystemProcesses, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_SystemOperatingSystem",
                                       {SystemOperatingSystems, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_ComputerSystemProcessor",
                                       {ComputerSystemProcessors, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_BIOS", {Bioses, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_ComputerSystemProduct",
                                       {ComputerSystemProducts, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_BaseBoard", {BaseBoards, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_PhysicalMemory", {PhysicalMemories, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_DiskDrive", {DiskDrives, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_DiskPartition", {DiskPartitions, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_VideoController", {VideoControllers, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_NetworkAdapter", {NetworkAdapters, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_NetworkAdapterConfiguration",
                                       {NetworkAdapterConfigurations, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_Service", {Services, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_DiskDriveToDiskPartition",
                                       {DiskDriveToDiskPartitions, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_LogicalDiskToPartition",
                                       {LogicalDiskToPartitions, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_NetworkAdapterSetting",
                                       {NetworkAdapterSettings, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_PerfFormattedData_PerfOS_Processor",
                                       {ProcessorPerformance, nullptr});
    services::RegisterInstanceProvider(kCimv2, u"Win32_PerfFormattedData_PerfOS_Memory",
                                       {MemoryPerformance, nullptr});
    services::RegisterMethodProvider(u"Win32_Process", u"GetOwner", Guarded<GetProcessOwner>);
    services::RegisterMethodProvider(u"Win32_Process", u"Create", Guarded<CreateProcessMethod>);

    for (const RegistryMethod& method : RegistryMethods()) {
        services::RegisterMethodProvider(u"StdRegProv", method.name, method.provider);
    }
}

}  // namespace pal::live
