// Hands the standard classes of root\cimv2 to the providers that read the host, and the methods
// of StdRegProv to the emulated registry.
#include <new>

#include "live/live_classes.h"
#include "live/registry_provider.h"

namespace pal::live {

namespace {

constexpr char16_t kCimv2[] = u"root\\cimv2";

// No C++ exception may leave a method provider: the service answers with the HRESULT.
template <services::MethodProvider provider>
HRESULT Guarded(const services::MethodCall& call)
{
    try {
        return provider(call);
    } catch (const std::bad_alloc&) {
        return WBEM_E_OUT_OF_MEMORY;
    } catch (...) {
        return WBEM_E_PROVIDER_FAILURE;
    }
}

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

    services::RegisterMethodProvider(u"StdRegProv", u"CreateKey", Guarded<RegistryCreateKey>);
    services::RegisterMethodProvider(u"StdRegProv", u"DeleteKey", Guarded<RegistryDeleteKey>);
    services::RegisterMethodProvider(u"StdRegProv", u"EnumKey", Guarded<RegistryEnumKey>);
    services::RegisterMethodProvider(u"StdRegProv", u"EnumValues", Guarded<RegistryEnumValues>);
    services::RegisterMethodProvider(u"StdRegProv", u"GetStringValue", Guarded<RegistryGetStringValue>);
    services::RegisterMethodProvider(u"StdRegProv", u"SetStringValue", Guarded<RegistrySetStringValue>);
    services::RegisterMethodProvider(u"StdRegProv", u"GetDWORDValue", Guarded<RegistryGetDWORDValue>);
    services::RegisterMethodProvider(u"StdRegProv", u"SetDWORDValue", Guarded<RegistrySetDWORDValue>);
    services::RegisterMethodProvider(u"StdRegProv", u"DeleteValue", Guarded<RegistryDeleteValue>);
    services::RegisterMethodProvider(u"StdRegProv", u"GetExpandedStringValue",
                                     Guarded<RegistryGetExpandedStringValue>);
    services::RegisterMethodProvider(u"StdRegProv", u"SetExpandedStringValue",
                                     Guarded<RegistrySetExpandedStringValue>);
    services::RegisterMethodProvider(u"StdRegProv", u"GetMultiStringValue",
                                     Guarded<RegistryGetMultiStringValue>);
    services::RegisterMethodProvider(u"StdRegProv", u"SetMultiStringValue",
                                     Guarded<RegistrySetMultiStringValue>);
    services::RegisterMethodProvider(u"StdRegProv", u"GetQWORDValue", Guarded<RegistryGetQWORDValue>);
    services::RegisterMethodProvider(u"StdRegProv", u"SetQWORDValue", Guarded<RegistrySetQWORDValue>);
    services::RegisterMethodProvider(u"StdRegProv", u"GetBinaryValue", Guarded<RegistryGetBinaryValue>);
    services::RegisterMethodProvider(u"StdRegProv", u"SetBinaryValue", Guarded<RegistrySetBinaryValue>);
    services::RegisterMethodProvider(u"StdRegProv", u"CheckAccess", Guarded<RegistryCheckAccess>);
}

}  // namespace pal::live
