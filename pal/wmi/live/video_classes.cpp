// Win32_VideoController: the display adapters of /sys/class/drm (card0, card1, ...), with the
// resolution of the first connected output. The adapter's name, memory and driver version are
// not shown to users by Linux and are NULL; its PCI identifiers make its PNPDeviceID.
#include <string>

#include "base/host_files.h"
#include "live/host_directories.h"
#include "live/instance_builder.h"
#include "live/live_classes.h"

namespace pal::live {

namespace {

constexpr char kDrm[] = "/sys/class/drm/";

bool IsCard(const std::string& name)
{
    return name.size() > 4 && name.rfind("card", 0) == 0 &&
           name.find_first_not_of("0123456789", 4) == std::string::npos;
}

// "0x10de" as "10DE".
std::string PciId(const std::optional<std::string>& text)
{
    std::string id = text && text->rfind("0x", 0) == 0 ? text->substr(2) : text.value_or("");
    for (char& c : id) {
        c = c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return id;
}

// The first mode ("1920x1080") of the first connected output of a card.
std::optional<std::pair<std::uint64_t, std::uint64_t>> Resolution(const std::string& card)
{
    for (const std::string& name : DirectoryEntries(kDrm)) {
        if (name.rfind(card + "-", 0) != 0 || ReadFirstLine(kDrm + name + "/status") != "connected") {
            continue;
        }
        const std::optional<std::string> mode = ReadFirstLine(kDrm + name + "/modes");
        const std::size_t x = mode ? mode->find('x') : std::string::npos;
        if (x == std::string::npos) {
            continue;
        }
        const std::optional<std::uint64_t> width = LeadingNumber(mode->substr(0, x));
        const std::optional<std::uint64_t> height = LeadingNumber(mode->substr(x + 1));
        if (width && height) {
            return std::make_pair(*width, *height);
        }
    }
    return std::nullopt;
}

}  // namespace

HRESULT VideoControllers(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    std::uint64_t number = 0;
    for (const std::string& card : DirectoryEntries(kDrm)) {
        const std::string device = kDrm + card + "/device";
        if (!IsCard(card) || !PathExists(device)) {
            continue;
        }
        const std::optional<std::string> driver = ReadLink(device + "/driver");
        const std::u16string name = Utf16(driver ? BaseName(*driver) : card);
        InstanceBuilder builder(request);
        builder.Text(u"DeviceID", u"VideoController" + Utf16(std::to_string(++number)));
        builder.Text(u"Name", name);
        builder.Text(u"Caption", name);
        builder.Text(u"Description", name);
        builder.Text(u"VideoProcessor", name);
        const std::optional<std::string> vendor = ReadFirstLine(device + "/vendor");
        if (vendor) {
            builder.Text(u"PNPDeviceID", Utf16("PCI\\VEN_" + PciId(vendor) + "&DEV_" +
                                               PciId(ReadFirstLine(device + "/device"))));
        }
        if (const auto resolution = Resolution(card)) {
            builder.Unsigned32(u"CurrentHorizontalResolution", resolution->first);
            builder.Unsigned32(u"CurrentVerticalResolution", resolution->second);
        }
        builder.Text(u"CreationClassName", u"Win32_VideoController");
        builder.Text(u"SystemCreationClassName", u"Win32_ComputerSystem");
        builder.Text(u"SystemName", request.repository.ServerName());
        builder.Unsigned32(u"Availability", 3);  // running
        builder.Text(u"Status", u"OK");
        const HRESULT hr = builder.FinishInto(instances);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return WBEM_S_NO_ERROR;
}

}  // namespace pal::live
