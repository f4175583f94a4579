// The providers of the standard classes of root\cimv2 that describe the host.
#pragma once

#include "services/instance_providers.h"
#include "services/method_providers.h"

namespace pal::live {

// Registers the providers that fill the standard classes from the host, and the methods of
// StdRegProv (installed in the service side as its built-in providers).
void RegisterLiveProviders();

using services::InstanceRequest;

HRESULT OperatingSystems(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT ComputerSystems(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT Processors(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT LogicalDisks(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT Bioses(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT ComputerSystemProducts(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT BaseBoards(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT PhysicalMemories(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT DiskDrives(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT DiskPartitions(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT VideoControllers(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT NetworkAdapters(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT NetworkAdapterConfigurations(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT Services(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT ProcessorPerformance(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT MemoryPerformance(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);

HRESULT Processes(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
// Reads only the process of the Handle key.
HRESULT ProcessByKey(const InstanceRequest& request, const std::vector<wmi::KeyBinding>& keys,
                     IWbemClassObject** instance);
// Associations of the computer with its processes, its operating system and its processors.
HRESULT SystemProcesses(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT SystemOperatingSystems(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT ComputerSystemProcessors(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
// Associations of the disks with their partitions, and of the network adapters with their
// configurations.
HRESULT DiskDriveToDiskPartitions(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
HRESULT NetworkAdapterSettings(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
// The file systems mounted from the partitions.
HRESULT LogicalDiskToPartitions(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);
// Win32_Process.GetOwner: the account that owns the process.
HRESULT GetProcessOwner(const services::MethodCall& call);
// Win32_Process.Create: runs the command line as a child process.
HRESULT CreateProcessMethod(const services::MethodCall& call);

}  // namespace pal::live
