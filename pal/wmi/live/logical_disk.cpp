// Win32_LogicalDisk: the host's mounted file systems that hold files, keyed by mount point.
#include <sys/statfs.h>
#include <sys/statvfs.h>

#include <set>
#include <string>

#include "base/host_files.h"
#include "live/instance_builder.h"
#include "live/live_classes.h"

namespace pal::live {

namespace {

constexpr std::uint32_t kLocalDisk = 3;
constexpr std::uint32_t kNetworkDrive = 4;

struct Mount {
    std::string source;
    std::string mountPoint;
    std::string fileSystem;
};

// /proc/self/mounts writes blanks and backslashes in names as octal escapes (\040).
std::string Unescape(std::string_view text)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const std::string_view digits = text.substr(i + 1, 3);
            if (digits.size() == 3 && digits.find_first_not_of("01234567") == std::string_view::npos) {
                plain +=
                    static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0'));
                i += 3;
                continue;
            }
        }
        plain += text[i];
    }
    return plain;
}

bool IsNetworkFileSystem(std::string_view type)
{
    return type == "nfs" || type == "nfs4" || type == "cifs" || type == "smb3" || type == "9p";
}

// A disk in the sense of WMI: the root, file systems on block devices and network shares;
// not the kernel's virtual file systems.
bool IsDisk(const Mount& mount)
{
    return mount.mountPoint == "/" || mount.source.starts_with("/dev/") ||
           IsNetworkFileSystem(mount.fileSystem);
}

// The type of the file system that holds the root, from its magic number.
std::string RootFileSystemType()
{
    struct statfs info {};
    if (statfs("/", &info) != 0) {
        return "unknown";
    }
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53: return "ext4";
    case 0x58465342: return "xfs";
    case 0x9123683E: return "btrfs";
    case 0x01021994: return "tmpfs";
    case 0x794C7630: return "overlay";
    default: return "unknown";
    }
}

std::vector<Mount> DiskMounts()
{
    std::vector<Mount> mounts;
    const std::optional<std::string> table = ReadHostFile("/proc/self/mounts");
    if (!table) {
        return mounts;
    }
    std::set<std::string> seen;
    std::size_t start = 0;
    while (start < table->size()) {
        std::size_t end = table->find('\n', start);
        if (end == std::string::npos) {
            end = table->size();
        }
        const std::vector<std::string_view> fields =
            SplitBlanks(std::string_view(*table).substr(start, end - start));
        start = end + 1;
        if (fields.size() < 3) {
            continue;
        }
        Mount mount{Unescape(fields[0]), Unescape(fields[1]), std::string(fields[2])};
        // A file system mounted twice on the same point shows once, as the later mount hides the
        // earlier one.
        if (IsDisk(mount) && seen.insert(mount.mountPoint).second) {
            mounts.push_back(std::move(mount));
        }
    }
    // Inside a chroot the process's root is not a mount point of its own and the table does not
    // list it; the root is a disk all the same.
    if (!seen.contains("/")) {
        mounts.insert(mounts.begin(), Mount{"/", "/", RootFileSystemType()});
    }
    return mounts;
}

HRESULT AppendDisk(const InstanceRequest& request, const Mount& mount, const struct statvfs& usage,
                   const std::u16string& deviceId, std::vector<wmi::ObjectPtr>& instances)
{
    const std::uint64_t blockSize = usage.f_frsize != 0 ? usage.f_frsize : usage.f_bsize;
    InstanceBuilder builder(request);
    builder.Text(u"DeviceID", deviceId);
    builder.Text(u"Name", deviceId);
    builder.Text(u"Caption", deviceId);
    builder.Text(u"FileSystem", Utf16(mount.fileSystem));
    builder.Text(u"VolumeName", Utf16(mount.source));
    if (IsNetworkFileSystem(mount.fileSystem)) {
        builder.Text(u"ProviderName", Utf16(mount.source));
    }
    builder.Unsigned32(u"DriveType", IsNetworkFileSystem(mount.fileSystem) ? kNetworkDrive : kLocalDisk);
    builder.Unsigned32(u"MediaType", 12);  // fixed hard disk
    builder.Unsigned64(u"Size", static_cast<std::uint64_t>(usage.f_blocks) * blockSize);
    builder.Unsigned64(u"FreeSpace", static_cast<std::uint64_t>(usage.f_bavail) * blockSize);
    builder.Unsigned32(u"MaximumComponentLength", usage.f_namemax);
    builder.Text(u"SystemName", request.repository.ServerName());
    return builder.FinishInto(instances);
}

}  // namespace

// Every disk under its mount path; the root file system also as drive C:, the system drive that
// code written for Windows asks for.
HRESULT LogicalDisks(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    for (const Mount& mount : DiskMounts()) {
        struct statvfs usage {};
        if (statvfs(mount.mountPoint.c_str(), &usage) != 0) {
            continue;  // unmounted meanwhile or not ours to look at
        }
        HRESULT hr = AppendDisk(request, mount, usage, Utf16(mount.mountPoint), instances);
        if (SUCCEEDED(hr) && mount.mountPoint == "/") {
            hr = AppendDisk(request, mount, usage, u"C:", instances);
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
    return WBEM_S_NO_ERROR;
}

}  // namespace pal::live
