// The associations of root\cimv2 between the computer and what it holds: Win32_SystemProcesses,
// Win32_SystemOperatingSystem and Win32_ComputerSystemProcessor. Each links the one
// Win32_ComputerSystem (GroupComponent) with every instance of its part class (PartComponent),
// by their full paths, as WMI writes references.
#include "live/association_support.h"
#include "live/instance_builder.h"
#include "live/live_classes.h"

namespace pal::live {

namespace {

// One association per part, each from the computer to the part; `primary` sets PrimaryOS.
HRESULT ComputerTo(const InstanceRequest& request, const char16_t* partClass, Enumerate parts,
                   std::vector<wmi::ObjectPtr>& instances, bool primary = false)
{
    std::vector<wmi::ObjectPtr> computers;
    std::vector<wmi::ObjectPtr> found;
    HRESULT hr = InstancesOf(request, u"Win32_ComputerSystem", ComputerSystems, computers);
    if (SUCCEEDED(hr)) {
        hr = InstancesOf(request, partClass, parts, found);
    }
    if (FAILED(hr)) {
        return hr;
    }
    for (const wmi::ObjectPtr& computer : computers) {
        const std::u16string group = PathOf(computer.Get());
        for (const wmi::ObjectPtr& part : found) {
            InstanceBuilder builder(request);
            builder.Text(u"GroupComponent", group);
            builder.Text(u"PartComponent", PathOf(part.Get()));
            if (primary) {
                builder.Boolean(u"PrimaryOS", true);
            }
            wmi::ObjectPtr instance;
            hr = builder.Finish(instance);
            if (FAILED(hr)) {
                return hr;
            }
            instances.push_back(std::move(instance));
        }
    }
    return WBEM_S_NO_ERROR;
}

}  // namespace

HRESULT SystemProcesses(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    return ComputerTo(request, u"Win32_Process", Processes, instances);
}

HRESULT SystemOperatingSystems(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    return ComputerTo(request, u"Win32_OperatingSystem", OperatingSystems, instances, true);
}

HRESULT ComputerSystemProcessors(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    return ComputerTo(request, u"Win32_Processor", Processors, instances);
}

}  // namespace pal::live
