// Win32_DiskDrive and Win32_DiskPartition: the disks of /sys/block and their partitions, named
// as Windows names them (\\.\PHYSICALDRIVE0, "Disk #0, Partition #0"). Sizes are in bytes, the
// kernel's 512-byte sectors converted.
#include <string>

#include "base/host_files.h"
#include "live/block_devices.h"
#include "live/instance_builder.h"
#include "live/live_classes.h"

namespace pal::live {

namespace {

constexpr std::uint64_t kKernelSector = 512;

std::u16string Decimal(std::uint64_t number)
{
    return Utf16(std::to_string(number));
}

std::optional<std::u16string> Utf16Of(const std::optional<std::string>& text)
{
    return text ? std::optional<std::u16string>(Utf16(*text)) : std::nullopt;
}

}  // namespace

HRESULT DiskDrives(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    for (const BlockDisk& disk : BlockDisks()) {
        const std::u16string deviceId = u"\\\\.\\PHYSICALDRIVE" + Decimal(disk.index);
        const std::u16string model = Utf16(disk.model.value_or(disk.name));
        InstanceBuilder builder(request);
        builder.Text(u"DeviceID", deviceId);
        builder.Text(u"Name", deviceId);
        builder.Text(u"Caption", model);
        builder.Text(u"Model", model);
        builder.Text(u"Description", u"Disk drive");
        builder.Text(u"Manufacturer", Utf16Of(disk.vendor));
        builder.Text(u"SerialNumber", Utf16Of(disk.serial));
        builder.Text(u"FirmwareRevision", Utf16Of(disk.firmware));
        builder.Text(u"PNPDeviceID", Utf16("/sys/block/" + disk.name));
        builder.Text(u"CreationClassName", u"Win32_DiskDrive");
        builder.Text(u"SystemCreationClassName", u"Win32_ComputerSystem");
        builder.Text(u"SystemName", request.repository.ServerName());
        builder.Unsigned32(u"Index", disk.index);
        builder.Text(u"InterfaceType", disk.usb ? u"USB" : u"SCSI");
        builder.Text(u"MediaType", disk.removable ? u"Removable Media" : u"Fixed hard disk media");
        builder.Boolean(u"MediaLoaded", disk.sectors > 0);
        builder.Unsigned32(u"BytesPerSector", disk.logicalBlockSize);
        builder.Unsigned64(u"Size", disk.sectors * kKernelSector);
        builder.Unsigned64(u"TotalSectors", disk.sectors * kKernelSector / disk.logicalBlockSize);
        builder.Unsigned32(u"Partitions", disk.partitions.size());
        builder.Text(u"Status", u"OK");
        const HRESULT hr = builder.FinishInto(instances);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return WBEM_S_NO_ERROR;
}

HRESULT DiskPartitions(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    for (const BlockDisk& disk : BlockDisks()) {
        std::uint64_t index = 0;
        for (const BlockPartition& partition : disk.partitions) {
            const std::u16string deviceId =
                u"Disk #" + Decimal(disk.index) + u", Partition #" + Decimal(index);
            InstanceBuilder builder(request);
            builder.Text(u"DeviceID", deviceId);
            builder.Text(u"Name", deviceId);
            builder.Text(u"Caption", deviceId);
            builder.Text(u"Description", Utf16(partition.name));
            builder.Text(u"PNPDeviceID", Utf16("/sys/block/" + disk.name + "/" + partition.name));
            builder.Text(u"CreationClassName", u"Win32_DiskPartition");
            builder.Text(u"SystemCreationClassName", u"Win32_ComputerSystem");
            builder.Text(u"SystemName", request.repository.ServerName());
            builder.Unsigned32(u"DiskIndex", disk.index);
            builder.Unsigned32(u"Index", index);
            builder.Unsigned64(u"BlockSize", disk.logicalBlockSize);
            builder.Unsigned64(u"NumberOfBlocks", partition.sectors * kKernelSector / disk.logicalBlockSize);
            builder.Unsigned64(u"Size", partition.sectors * kKernelSector);
            builder.Unsigned64(u"StartingOffset", partition.startSector * kKernelSector);
            builder.Boolean(u"PrimaryPartition", partition.number <= 4);
            builder.Text(u"Status", u"OK");
            const HRESULT hr = builder.FinishInto(instances);
            if (FAILED(hr)) {
                return hr;
            }
            ++index;
        }
    }
    return WBEM_S_NO_ERROR;
}

}  // namespace pal::live
