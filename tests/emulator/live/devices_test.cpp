// Win32_PhysicalMemory, Win32_DiskDrive, Win32_DiskPartition, Win32_VideoController and
// Win32_QuickFixEngineering against what the test reads from /sys itself.
#include <sys/sysinfo.h>

#include <algorithm>
#include <map>

#include "host_listing.h"
#include "live_test.h"

namespace live_test {
namespace {

struct Disk {
    std::string name;
    unsigned long long bytes = 0;
    std::vector<unsigned long long> partitionBytes;  // in the order of their numbers
};

// The block devices backed by a device, as Windows' physical drives are numbered.
std::vector<Disk> Disks()
{
    std::vector<Disk> disks;
    for (const std::string& name : NamesIn("/sys/block")) {
        const std::string dir = "/sys/block/" + name;
        if (!Exists(dir + "/device")) {
            continue;
        }
        Disk disk;
        disk.name = name;
        disk.bytes = std::stoull(FirstLineOf(dir + "/size").value_or("0")) * 512;
        std::map<unsigned long long, unsigned long long> partitions;
        for (const std::string& sub : NamesIn(dir)) {
            if (const std::optional<std::string> number = FirstLineOf(dir + "/" + sub + "/partition")) {
                partitions[std::stoull(*number)] =
                    std::stoull(FirstLineOf(dir + "/" + sub + "/size").value_or("0")) * 512;
            }
        }
        for (const auto& [number, bytes] : partitions) {
            disk.partitionBytes.push_back(bytes);
        }
        disks.push_back(disk);
    }
    return disks;
}

class DevicesTest : public LiveTest {
protected:
    void ExpectTypes(IWbemClassObject* object, const std::vector<std::pair<const char16_t*, CIMTYPE>>& types)
    {
        for (const auto& [name, type] : types) {
            EXPECT_EQ(type, TypeOf(object, name)) << Narrow(name);
        }
    }
    void ExpectDerivesFrom(const char16_t* win32, const char16_t* cim)
    {
        HRESULT hr = E_FAIL;
        const ComPtr<IWbemClassObject> cls = GetAt(win32, hr);
        ASSERT_EQ(S_OK, hr) << Narrow(win32);
        EXPECT_EQ(WBEM_S_NO_ERROR, cls->InheritsFrom(cim)) << Narrow(win32);
    }
};

TEST_F(DevicesTest, PhysicalMemoryHoldsAtLeastWhatTheKernelManages)
{
    ExpectDerivesFrom(u"Win32_PhysicalMemory", u"CIM_PhysicalMemory");
    const auto modules = Select(u"SELECT * FROM Win32_PhysicalMemory");
    ASSERT_FALSE(modules.empty());
    struct sysinfo info {};
    ASSERT_EQ(0, sysinfo(&info));
    unsigned long long capacity = 0;
    for (const auto& module : modules) {
        ExpectTypes(module.Get(), {{u"Capacity", CIM_UINT64},
                                   {u"Speed", CIM_UINT32},
                                   {u"FormFactor", CIM_UINT16},
                                   {u"MemoryType", CIM_UINT16},
                                   {u"SMBIOSMemoryType", CIM_UINT32},
                                   {u"DeviceLocator", CIM_STRING}});
        capacity += NumberOf(module.Get(), u"Capacity");
        EXPECT_EQ("Win32_PhysicalMemory", TextOf(module.Get(), u"CreationClassName"));
    }
    EXPECT_GE(capacity, static_cast<unsigned long long>(info.totalram) * info.mem_unit);
}

TEST_F(DevicesTest, DiskDrivesAreTheBlockDevicesOfTheMachine)
{
    ExpectDerivesFrom(u"Win32_DiskDrive", u"CIM_DiskDrive");
    const std::vector<Disk> disks = Disks();
    const auto drives = Select(u"SELECT * FROM Win32_DiskDrive");
    ASSERT_EQ(disks.size(), drives.size());
    for (const auto& drive : drives) {
        ExpectTypes(drive.Get(), {{u"Size", CIM_UINT64},
                                  {u"Index", CIM_UINT32},
                                  {u"Partitions", CIM_UINT32},
                                  {u"BytesPerSector", CIM_UINT32},
                                  {u"MediaLoaded", CIM_BOOLEAN}});
        const unsigned long long index = NumberOf(drive.Get(), u"Index");
        ASSERT_LT(index, disks.size());
        const Disk& disk = disks[index];
        EXPECT_EQ("\\\\.\\PHYSICALDRIVE" + std::to_string(index), TextOf(drive.Get(), u"DeviceID"));
        EXPECT_EQ(disk.bytes, NumberOf(drive.Get(), u"Size")) << disk.name;
        EXPECT_EQ(disk.partitionBytes.size(), NumberOf(drive.Get(), u"Partitions")) << disk.name;
    }
    if (!disks.empty()) {
        HRESULT hr = E_FAIL;
        GetAt(u"Win32_DiskDrive.DeviceID=\"\\\\\\\\.\\\\PHYSICALDRIVE0\"", hr);
        EXPECT_EQ(S_OK, hr);
    }
}

TEST_F(DevicesTest, DiskPartitionsAreThePartitionsOfEachDisk)
{
    ExpectDerivesFrom(u"Win32_DiskPartition", u"CIM_DiskPartition");
    const std::vector<Disk> disks = Disks();
    std::size_t expected = 0;
    for (const Disk& disk : disks) {
        expected += disk.partitionBytes.size();
    }
    const auto partitions = Select(u"SELECT * FROM Win32_DiskPartition");
    ASSERT_EQ(expected, partitions.size());
    for (const auto& partition : partitions) {
        ExpectTypes(partition.Get(), {{u"Size", CIM_UINT64},
                                      {u"StartingOffset", CIM_UINT64},
                                      {u"DiskIndex", CIM_UINT32},
                                      {u"Index", CIM_UINT32},
                                      {u"PrimaryPartition", CIM_BOOLEAN}});
        const unsigned long long disk = NumberOf(partition.Get(), u"DiskIndex");
        const unsigned long long index = NumberOf(partition.Get(), u"Index");
        ASSERT_LT(disk, disks.size());
        ASSERT_LT(index, disks[disk].partitionBytes.size());
        EXPECT_EQ("Disk #" + std::to_string(disk) + ", Partition #" + std::to_string(index),
                  TextOf(partition.Get(), u"DeviceID"));
        EXPECT_EQ(disks[disk].partitionBytes[index], NumberOf(partition.Get(), u"Size"));
        EXPECT_LE(NumberOf(partition.Get(), u"StartingOffset") + NumberOf(partition.Get(), u"Size"),
                  disks[disk].bytes);
    }
}

TEST_F(DevicesTest, EachDiskIsAssociatedWithItsPartitions)
{
    const std::vector<Disk> disks = Disks();
    std::size_t links = 0;
    for (std::size_t index = 0; index < disks.size(); ++index) {
        const std::u16string disk =
            u"Win32_DiskDrive.DeviceID=\"\\\\\\\\.\\\\PHYSICALDRIVE" + Wide(std::to_string(index)) + u"\"";
        const auto partitions =
            Select(u"ASSOCIATORS OF {" + disk + u"} WHERE AssocClass = Win32_DiskDriveToDiskPartition");
        ASSERT_EQ(disks[index].partitionBytes.size(), partitions.size()) << disks[index].name;
        for (const auto& partition : partitions) {
            EXPECT_EQ("Win32_DiskPartition", TextOf(partition.Get(), u"__CLASS"));
            EXPECT_EQ(index, NumberOf(partition.Get(), u"DiskIndex"));
        }
        links += partitions.size();
    }
    EXPECT_EQ(links, Select(u"SELECT * FROM Win32_DiskDriveToDiskPartition").size());
}

TEST_F(DevicesTest, AFileSystemIsAssociatedWithThePartitionItIsMountedFrom)
{
    std::size_t links = 0;
    for (const auto& disk : Select(u"SELECT DeviceID, VolumeName FROM Win32_LogicalDisk")) {
        std::string path;
        for (const char c : TextOf(disk.Get(), u"DeviceID")) {
            path += c == '\\' || c == '"' ? std::string("\\") + c : std::string(1, c);
        }
        const auto partitions = Select(u"ASSOCIATORS OF {Win32_LogicalDisk.DeviceID=\"" + Wide(path) +
                                       u"\"} WHERE AssocClass = Win32_LogicalDiskToPartition");
        OwnedVariant volume;
        ASSERT_EQ(S_OK, disk->Get(u"VolumeName", 0, volume.Address(), nullptr, nullptr));
        const std::string source =
            volume.Type() == VT_BSTR ? Narrow(V_BSTR(volume.Address())) : std::string();
        const std::string name = source.rfind("/dev/", 0) == 0 ? source.substr(5) : std::string();
        const bool fromPartition = !name.empty() && Exists("/sys/class/block/" + name + "/partition");
        ASSERT_EQ(fromPartition ? 1u : 0u, partitions.size()) << path << " from " << source;
        if (fromPartition) {
            EXPECT_EQ(name, TextOf(partitions.front().Get(), u"Description"));
            EXPECT_EQ("Win32_DiskPartition", TextOf(partitions.front().Get(), u"__CLASS"));
        }
        links += partitions.size();
    }
    EXPECT_EQ(links, Select(u"SELECT * FROM Win32_LogicalDiskToPartition").size());
}

TEST_F(DevicesTest, VideoControllersAreTheDisplayCards)
{
    ExpectDerivesFrom(u"Win32_VideoController", u"CIM_PCVideoController");
    std::size_t cards = 0;
    for (const std::string& name : NamesIn("/sys/class/drm")) {
        const bool card = name.size() > 4 && name.rfind("card", 0) == 0 &&
                          name.find_first_not_of("0123456789", 4) == std::string::npos;
        cards += card && Exists("/sys/class/drm/" + name + "/device") ? 1 : 0;
    }
    const auto controllers = Select(u"SELECT * FROM Win32_VideoController");
    ASSERT_EQ(cards, controllers.size());
    for (std::size_t i = 0; i < controllers.size(); ++i) {
        EXPECT_EQ(0u, TextOf(controllers[i].Get(), u"DeviceID").rfind("VideoController", 0));
        EXPECT_EQ(CIM_UINT32, TypeOf(controllers[i].Get(), u"AdapterRAM"));
    }
}

TEST_F(DevicesTest, QuickFixEngineeringIsServedAndEmpty)
{
    ExpectDerivesFrom(u"Win32_QuickFixEngineering", u"CIM_LogicalElement");
    HRESULT hr = E_FAIL;
    const ComPtr<IWbemClassObject> cls = GetAt(u"Win32_QuickFixEngineering", hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(CIM_STRING, TypeOf(cls.Get(), u"HotFixID"));
    EXPECT_EQ(CIM_STRING, TypeOf(cls.Get(), u"InstalledOn"));
    EXPECT_TRUE(Select(u"SELECT HotFixID FROM Win32_QuickFixEngineering").empty());
}

}  // namespace
}  // namespace live_test
