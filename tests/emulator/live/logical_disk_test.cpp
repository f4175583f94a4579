// Win32_LogicalDisk: the root file system as statvfs sees it.
#include <sys/statvfs.h>

#include "live_test.h"

namespace live_test {
namespace {

using LogicalDiskTest = LiveTest;

TEST_F(LogicalDiskTest, RootAgreesWithStatvfs)
{
    HRESULT hr = E_FAIL;
    const ComPtr<IWbemClassObject> root = GetAt(u"Win32_LogicalDisk.DeviceID=\"/\"", hr);
    ASSERT_EQ(S_OK, hr);
    struct statvfs usage {};
    ASSERT_EQ(0, statvfs("/", &usage));
    const unsigned long long blockSize = usage.f_frsize;
    EXPECT_EQ(static_cast<unsigned long long>(usage.f_blocks) * blockSize, NumberOf(root.Get(), u"Size"));
    // Free space moves while other programs write; it stays within a few percent of statvfs's.
    const long double free = static_cast<long double>(NumberOf(root.Get(), u"FreeSpace"));
    const long double expected = static_cast<long double>(usage.f_bavail) * blockSize;
    const long double slack = static_cast<long double>(usage.f_blocks) * blockSize / 50;
    EXPECT_NEAR(expected, free, slack);
    EXPECT_LE(NumberOf(root.Get(), u"FreeSpace"), NumberOf(root.Get(), u"Size"));
    EXPECT_EQ(3U, NumberOf(root.Get(), u"DriveType"));
    EXPECT_FALSE(TextOf(root.Get(), u"FileSystem").empty());
    EXPECT_EQ(CIM_UINT64, TypeOf(root.Get(), u"Size"));
}

TEST_F(LogicalDiskTest, TheRootFileSystemIsAlsoDriveC)
{
    HRESULT hr = E_FAIL;
    const ComPtr<IWbemClassObject> drive = GetAt(u"Win32_LogicalDisk.DeviceID=\"C:\"", hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ("C:", TextOf(drive.Get(), u"Name"));
    struct statvfs usage {};
    ASSERT_EQ(0, statvfs("/", &usage));
    EXPECT_EQ(static_cast<unsigned long long>(usage.f_blocks) * usage.f_frsize,
              NumberOf(drive.Get(), u"Size"));
    const auto selected = Select(u"SELECT DeviceID FROM Win32_LogicalDisk WHERE DeviceID = 'c:'");
    ASSERT_EQ(1u, selected.size());
    EXPECT_EQ("C:", TextOf(selected.front().Get(), u"DeviceID"));
}

TEST_F(LogicalDiskTest, QueriesSelectDisksByLiveValues)
{
    const auto disks =
        Select(u"SELECT DeviceID, Size FROM Win32_LogicalDisk WHERE DriveType = 3 AND Size > 0");
    bool listsRoot = false;
    for (const auto& disk : disks) {
        listsRoot = listsRoot || TextOf(disk.Get(), u"DeviceID") == "/";
        EXPECT_GT(NumberOf(disk.Get(), u"Size"), 0U);
    }
    EXPECT_TRUE(listsRoot);
    EXPECT_TRUE(Select(u"SELECT DeviceID FROM Win32_LogicalDisk WHERE DeviceID = '/no/such/mount'").empty());
}

}  // namespace
}  // namespace live_test
