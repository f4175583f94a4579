// Win32_BIOS, Win32_ComputerSystemProduct and Win32_BaseBoard: the firmware's description of the
// machine in /sys/class/dmi/id. Files only root may read (serial numbers, the UUID) and files a
// machine does not have leave their properties NULL.
#include <string>

#include "base/host_files.h"
#include "live/instance_builder.h"
#include "live/live_classes.h"

namespace pal::live {

namespace {

std::optional<std::u16string> Dmi(const char* name)
{
    const std::optional<std::string> line = ReadFirstLine(std::string("/sys/class/dmi/id/") + name);
    return line && !line->empty() ? std::optional<std::u16string>(Utf16(*line)) : std::nullopt;
}

// The firmware's date (MM/DD/YYYY) as a CIM datetime.
std::optional<std::u16string> ReleaseDate()
{
    const std::optional<std::u16string> date = Dmi("bios_date");
    if (!date || date->size() != 10 || (*date)[2] != u'/' || (*date)[5] != u'/') {
        return std::nullopt;
    }
    return date->substr(6, 4) + date->substr(0, 2) + date->substr(3, 2) + u"000000.000000+000";
}

// "major.minor" of bios_release as its two numbers.
std::optional<std::uint64_t> ReleasePart(bool minor)
{
    const std::optional<std::string> release = ReadFirstLine("/sys/class/dmi/id/bios_release");
    if (!release) {
        return std::nullopt;
    }
    const std::size_t dot = release->find('.');
    if (dot == std::string::npos) {
        return std::nullopt;
    }
    return LeadingNumber(minor ? std::string_view(*release).substr(dot + 1) : std::string_view(*release));
}

}  // namespace

HRESULT Bioses(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    const std::optional<std::u16string> version = Dmi("bios_version");
    const std::optional<std::u16string> vendor = Dmi("bios_vendor");
    InstanceBuilder builder(request);
    builder.Text(u"Name", version);
    builder.Text(u"Caption", version);
    builder.Text(u"Description", version);
    builder.Text(u"Version", version);
    builder.Text(u"SoftwareElementID", version);
    builder.Unsigned32(u"SoftwareElementState", 3);   // running
    builder.Unsigned32(u"TargetOperatingSystem", 0);  // unknown
    builder.Text(u"Manufacturer", vendor);
    builder.Text(u"SMBIOSBIOSVersion", version);
    if (version) {
        builder.Texts(u"BIOSVersion", {*version});
    }
    builder.Text(u"SerialNumber", Dmi("product_serial"));
    builder.Text(u"ReleaseDate", ReleaseDate());
    builder.Unsigned32(u"SystemBiosMajorVersion", ReleasePart(false));
    builder.Unsigned32(u"SystemBiosMinorVersion", ReleasePart(true));
    builder.Boolean(u"PrimaryBIOS", true);
    builder.Boolean(u"SMBIOSPresent", version.has_value());
    builder.Text(u"Status", u"OK");
    return builder.FinishInto(instances);
}

HRESULT ComputerSystemProducts(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    const std::optional<std::u16string> name = Dmi("product_name");
    InstanceBuilder builder(request);
    builder.Text(u"Name", name);
    builder.Text(u"Caption", u"Computer System Product");
    builder.Text(u"Description", u"Computer System Product");
    builder.Text(u"Vendor", Dmi("sys_vendor"));
    builder.Text(u"Version", Dmi("product_version"));
    builder.Text(u"SKUNumber", Dmi("product_sku"));
    builder.Text(u"IdentifyingNumber", Dmi("product_serial"));
    builder.Text(u"UUID", Dmi("product_uuid"));
    return builder.FinishInto(instances);
}

HRESULT BaseBoards(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    InstanceBuilder builder(request);
    builder.Text(u"CreationClassName", u"Win32_BaseBoard");
    builder.Text(u"Tag", u"Base Board");
    builder.Text(u"Name", u"Base Board");
    builder.Text(u"Caption", u"Base Board");
    builder.Text(u"Description", u"Base Board");
    builder.Text(u"Manufacturer", Dmi("board_vendor"));
    builder.Text(u"Product", Dmi("board_name"));
    builder.Text(u"Version", Dmi("board_version"));
    builder.Text(u"SerialNumber", Dmi("board_serial"));
    builder.Boolean(u"HostingBoard", true);
    builder.Boolean(u"PoweredOn", true);
    builder.Boolean(u"Removable", false);
    builder.Boolean(u"Replaceable", true);
    builder.Boolean(u"HotSwappable", false);
    builder.Text(u"Status", u"OK");
    return builder.FinishInto(instances);
}

}  // namespace pal::live
