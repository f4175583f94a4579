// Win32_DiskDriveToDiskPartition, Win32_LogicalDiskToPartition and Win32_NetworkAdapterSetting:
// each disk with its partitions (by the disk's Index and the partition's DiskIndex), each
// mounted file system with the partition it is mounted from (its VolumeName, /dev/vda1, names
// the partition), each network adapter with its configuration (by their common Index).
#include "live/association_support.h"
#include "live/instance_builder.h"
#include "owners.h"

namespace pal::live {

namespace {

struct Side {
    const char16_t* className;
    Enumerate enumerate;
    const char16_t* number;  // the property both sides are matched by
    const char16_t* role;    // the reference property of the association
};

std::optional<std::u16string> TextOf(IWbemClassObject* object, const char16_t* name)
{
    OwnedVariant value;
    if (FAILED(object->Get(name, 0, value.Address(), nullptr, nullptr)) || value.Type() != VT_BSTR ||
        V_BSTR(value.Address()) == nullptr) {
        return std::nullopt;
    }
    return std::u16string(V_BSTR(value.Address()));
}

std::optional<LONG> NumberOf(IWbemClassObject* object, const char16_t* name)
{
    OwnedVariant value;
    if (FAILED(object->Get(name, 0, value.Address(), nullptr, nullptr)) || value.Type() != VT_I4) {
        return std::nullopt;
    }
    return V_I4(value.Address());
}

HRESULT Link(const InstanceRequest& request, const Side& left, const Side& right,
             std::vector<wmi::ObjectPtr>& instances)
{
    std::vector<wmi::ObjectPtr> lefts;
    std::vector<wmi::ObjectPtr> rights;
    HRESULT hr = InstancesOf(request, left.className, left.enumerate, lefts);
    if (SUCCEEDED(hr)) {
        hr = InstancesOf(request, right.className, right.enumerate, rights);
    }
    if (FAILED(hr)) {
        return hr;
    }
    for (const wmi::ObjectPtr& a : lefts) {
        const std::optional<LONG> number = NumberOf(a.Get(), left.number);
        for (const wmi::ObjectPtr& b : rights) {
            if (!number || NumberOf(b.Get(), right.number) != number) {
                continue;
            }
            InstanceBuilder builder(request);
            builder.Text(left.role, PathOf(a.Get()));
            builder.Text(right.role, PathOf(b.Get()));
            hr = builder.FinishInto(instances);
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
    return WBEM_S_NO_ERROR;
}

}  // namespace

HRESULT DiskDriveToDiskPartitions(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    return Link(request, {u"Win32_DiskDrive", DiskDrives, u"Index", u"Antecedent"},
                {u"Win32_DiskPartition", DiskPartitions, u"DiskIndex", u"Dependent"}, instances);
}

HRESULT LogicalDiskToPartitions(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    std::vector<wmi::ObjectPtr> disks;
    std::vector<wmi::ObjectPtr> partitions;
    HRESULT hr = InstancesOf(request, u"Win32_LogicalDisk", LogicalDisks, disks);
    if (SUCCEEDED(hr)) {
        hr = InstancesOf(request, u"Win32_DiskPartition", DiskPartitions, partitions);
    }
    if (FAILED(hr)) {
        return hr;
    }
    for (const wmi::ObjectPtr& disk : disks) {
        const std::optional<std::u16string> source = TextOf(disk.Get(), u"VolumeName");
        for (const wmi::ObjectPtr& partition : partitions) {
            const std::optional<std::u16string> name = TextOf(partition.Get(), u"Description");
            if (!source || !name || *source != u"/dev/" + *name) {
                continue;
            }
            InstanceBuilder builder(request);
            builder.Text(u"Antecedent", PathOf(partition.Get()));
            builder.Text(u"Dependent", PathOf(disk.Get()));
            hr = builder.FinishInto(instances);
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
    return WBEM_S_NO_ERROR;
}

HRESULT NetworkAdapterSettings(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    return Link(request, {u"Win32_NetworkAdapter", NetworkAdapters, u"Index", u"Element"},
                {u"Win32_NetworkAdapterConfiguration", NetworkAdapterConfigurations, u"Index", u"Setting"},
                instances);
}

}  // namespace pal::live
