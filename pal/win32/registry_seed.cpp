// The keys and values every Windows machine has and that clients read: the product and its
// version, build and install date, the system paths, the computer name, the environment, the
// processor and firmware description. What describes the hardware comes from this Linux host
// where it tells (/proc/cpuinfo, /sys/class/dmi/id, /etc/machine-id); a value the host cannot
// give is left out, as a missing value reads on Windows.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "base/host_files.h"
#include "base/text.h"
#include "repository/repository.h"
#include "win32/registry.h"

namespace pal::win32 {

namespace {

constexpr RegistryRoot kMachine = RegistryRoot::LocalMachine;
constexpr char16_t kCurrentVersionNt[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char16_t kCurrentVersion[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char16_t kEnvironment[] = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr char16_t kProcessor[] = u"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
constexpr char16_t kBios[] = u"HARDWARE\\DESCRIPTION\\System\\BIOS";

// Writes values into one key, creating it first.
class KeyWriter {
public:
    KeyWriter(Registry& registry, RegistryRoot root, std::u16string path)
        : registry_(registry), root_(root), path_(std::move(path))
    {
        registry_.CreateKey(root_, path_);
    }

    KeyWriter& Text(std::u16string_view name, std::u16string text, DWORD type = REG_SZ)
    {
        RegistryValue value;
        value.type = type;
        value.text = std::move(text);
        return Put(name, std::move(value));
    }
    KeyWriter& Expandable(std::u16string_view name, std::u16string text)
    {
        return Text(name, std::move(text), REG_EXPAND_SZ);
    }
    // A host text, left out when the host has none.
    KeyWriter& HostText(std::u16string_view name, const std::optional<std::string>& text)
    {
        return text && !text->empty() ? Text(name, pal::Utf16(*text)) : *this;
    }
    KeyWriter& Number(std::u16string_view name, DWORD number)
    {
        RegistryValue value;
        value.type = REG_DWORD;
        value.number = number;
        return Put(name, std::move(value));
    }
    KeyWriter& Quad(std::u16string_view name, std::uint64_t number)
    {
        RegistryValue value;
        value.type = REG_QWORD;
        value.quad = number;
        return Put(name, std::move(value));
    }
    KeyWriter& Texts(std::u16string_view name, std::vector<std::u16string> texts)
    {
        RegistryValue value;
        value.type = REG_MULTI_SZ;
        value.texts = std::move(texts);
        return Put(name, std::move(value));
    }

private:
    KeyWriter& Put(std::u16string_view name, RegistryValue value)
    {
        registry_.SetValue(root_, path_, name, std::move(value));
        return *this;
    }

    Registry& registry_;
    RegistryRoot root_;
    std::u16string path_;
};

std::optional<std::string> DmiField(const char* name)
{
    return pal::ReadFirstLine(std::string("/sys/class/dmi/id/") + name);
}

std::optional<std::string> CpuField(const std::optional<std::string>& cpuinfo, const char* name)
{
    return cpuinfo ? pal::FieldOf(*cpuinfo, name, true) : std::nullopt;
}

// /etc/machine-id (32 hex digits) as a GUID text, the way Windows names its machine.
std::optional<std::string> MachineGuid()
{
    const std::optional<std::string> id = pal::ReadFirstLine("/etc/machine-id");
    if (!id || id->size() != 32) {
        return std::nullopt;
    }
    return id->substr(0, 8) + "-" + id->substr(8, 4) + "-" + id->substr(12, 4) + "-" + id->substr(16, 4) +
           "-" + id->substr(20);
}

// When the system was installed: when its machine id was written, as seconds since 1970.
std::optional<std::uint64_t> InstallSeconds()
{
    struct stat status {};
    if (stat("/etc/machine-id", &status) != 0 || status.st_mtime < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(status.st_mtime);
}

void SeedProduct(Registry& registry)
{
    KeyWriter product(registry, kMachine, kCurrentVersionNt);
    product.Text(u"ProductName", u"Windows 10 Pro")
        .Text(u"EditionID", u"Professional")
        .Text(u"InstallationType", u"Client")
        .Text(u"CurrentVersion", u"6.3")
        .Number(u"CurrentMajorVersionNumber", 10)
        .Number(u"CurrentMinorVersionNumber", 0)
        .Text(u"CurrentBuild", u"19045")
        .Text(u"CurrentBuildNumber", u"19045")
        .Number(u"UBR", 0)
        .Text(u"DisplayVersion", u"22H2")
        .Text(u"ReleaseId", u"2009")
        .Text(u"BuildLab", u"19041.vb_release.191206-1406")
        .Text(u"CurrentType", u"Multiprocessor Free")
        .Text(u"SoftwareType", u"System")
        .Text(u"SystemRoot", u"C:\\Windows")
        .Text(u"PathName", u"C:\\Windows")
        .Text(u"RegisteredOwner", u"")
        .Text(u"RegisteredOrganization", u"")
        .Text(u"CSDVersion", u"");
    if (const std::optional<std::uint64_t> installed = InstallSeconds()) {
        product.Number(u"InstallDate", static_cast<DWORD>(*installed))
            .Quad(u"InstallTime", (*installed + 11644473600ULL) * 10000000ULL);  // FILETIME units
    }
    KeyWriter(registry, kMachine, kCurrentVersionNt + std::u16string(u"\\Winlogon"))
        .Text(u"Shell", u"explorer.exe")
        .Text(u"Userinit", u"C:\\Windows\\system32\\userinit.exe,");
}

void SeedPaths(Registry& registry)
{
    KeyWriter(registry, kMachine, kCurrentVersion)
        .Text(u"ProgramFilesDir", u"C:\\Program Files")
        .Text(u"ProgramFilesDir (x86)", u"C:\\Program Files (x86)")
        .Text(u"ProgramW6432Dir", u"C:\\Program Files")
        .Text(u"CommonFilesDir", u"C:\\Program Files\\Common Files")
        .Expandable(u"ProgramFilesPath", u"%ProgramFiles%")
        .Text(u"DevicePath", u"%SystemRoot%\\inf", REG_EXPAND_SZ);
    for (const char16_t* sub : {u"\\Run", u"\\RunOnce", u"\\Uninstall", u"\\App Paths"}) {
        KeyWriter(registry, kMachine, kCurrentVersion + std::u16string(sub));
    }
    KeyWriter(registry, kMachine, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList")
        .Expandable(u"ProfilesDirectory", u"%SystemDrive%\\Users")
        .Expandable(u"Default", u"%SystemDrive%\\Users\\Default")
        .Expandable(u"Public", u"%SystemDrive%\\Users\\Public");
    KeyWriter(registry, kMachine, u"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    KeyWriter(registry, kMachine, u"SYSTEM\\CurrentControlSet\\Services");
    KeyWriter(registry, kMachine, u"SYSTEM\\Select").Number(u"Current", 1).Number(u"Default", 1);
    KeyWriter(registry, kMachine, u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management")
        .Texts(u"PagingFiles", {u"C:\\pagefile.sys"});
}

void SeedMachine(Registry& registry, std::u16string_view computerName)
{
    const std::u16string name(computerName);
    KeyWriter(registry, kMachine, u"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName")
        .Text(u"ComputerName", name);
    KeyWriter(registry, kMachine, u"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName")
        .Text(u"ComputerName", name);
    KeyWriter(registry, kMachine, u"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters")
        .Text(u"Hostname", name)
        .Text(u"Domain", u"");
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    KeyWriter(registry, kMachine, kEnvironment)
        .Text(u"OS", u"Windows_NT")
        .Text(u"PROCESSOR_ARCHITECTURE", u"AMD64")
        .Text(u"NUMBER_OF_PROCESSORS", pal::Utf16(std::to_string(processors > 0 ? processors : 1)))
        .Expandable(u"windir", u"%SystemRoot%")
        .Expandable(u"ComSpec", u"%SystemRoot%\\system32\\cmd.exe")
        .Expandable(u"TEMP", u"%SystemRoot%\\TEMP")
        .Expandable(u"TMP", u"%SystemRoot%\\TEMP")
        .Expandable(u"Path", u"%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem")
        .Text(u"PATHEXT", u".COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH;.MSC");
    KeyWriter(registry, RegistryRoot::CurrentUser, u"Environment")
        .Expandable(u"TEMP", u"%USERPROFILE%\\AppData\\Local\\Temp")
        .Expandable(u"TMP", u"%USERPROFILE%\\AppData\\Local\\Temp");
    KeyWriter cryptography(registry, kMachine, u"SOFTWARE\\Microsoft\\Cryptography");
    cryptography.HostText(u"MachineGuid", MachineGuid());
}

void SeedHardware(Registry& registry)
{
    const std::optional<std::string> cpuinfo = pal::ReadHostFile("/proc/cpuinfo");
    KeyWriter processor(registry, kMachine, kProcessor);
    processor.HostText(u"ProcessorNameString", CpuField(cpuinfo, "model name"))
        .HostText(u"VendorIdentifier", CpuField(cpuinfo, "vendor_id"));
    if (const std::optional<std::string> mhz = CpuField(cpuinfo, "cpu MHz")) {
        if (const std::optional<std::uint64_t> whole = pal::LeadingNumber(*mhz)) {
            processor.Number(u"~MHz", static_cast<DWORD>(*whole));
        }
    }
    KeyWriter(registry, kMachine, kBios)
        .HostText(u"BIOSVendor", DmiField("bios_vendor"))
        .HostText(u"BIOSVersion", DmiField("bios_version"))
        .HostText(u"BIOSReleaseDate", DmiField("bios_date"))
        .HostText(u"SystemManufacturer", DmiField("sys_vendor"))
        .HostText(u"SystemProductName", DmiField("product_name"))
        .HostText(u"SystemVersion", DmiField("product_version"))
        .HostText(u"BaseBoardManufacturer", DmiField("board_vendor"))
        .HostText(u"BaseBoardProduct", DmiField("board_name"))
        .HostText(u"BaseBoardVersion", DmiField("board_version"));
}

}  // namespace

void SeedStandardKeys(Registry& registry, std::u16string_view computerName)
{
    SeedProduct(registry);
    SeedPaths(registry);
    SeedMachine(registry, computerName);
    SeedHardware(registry);
}

}  // namespace pal::win32
