// Win32_NetworkAdapter and Win32_NetworkAdapterConfiguration: one instance of each per network
// interface of the host, both numbered by the interface's index, its addresses in the
// configuration.
#include <sys/utsname.h>

#include <string>

#include "base/host_files.h"
#include "live/instance_builder.h"
#include "live/live_classes.h"
#include "live/network_interfaces.h"

namespace pal::live {

namespace {

constexpr std::uint16_t kDisconnected = 0;
constexpr std::uint16_t kConnected = 2;
constexpr std::uint16_t kMediaDisconnected = 7;
constexpr std::uint64_t kBitsPerMegabit = 1000000;

std::optional<std::u16string> Utf16Of(const std::optional<std::string>& text)
{
    return text ? std::optional<std::u16string>(Utf16(*text)) : std::nullopt;
}

// "[00000002] eth0", as Windows captions an adapter.
std::u16string CaptionOf(const NetworkInterface& i)
{
    std::string number = std::to_string(i.index);
    number.insert(0, number.size() < 8 ? 8 - number.size() : 0, '0');
    return Utf16("[" + number + "] " + i.name);
}

std::vector<std::u16string> Texts(const std::vector<std::string>& values)
{
    std::vector<std::u16string> texts;
    texts.reserve(values.size());
    for (const std::string& value : values) {
        texts.push_back(Utf16(value));
    }
    return texts;
}

}  // namespace

HRESULT NetworkAdapters(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    for (const NetworkInterface& i : NetworkInterfaces()) {
        const std::u16string name = Utf16(i.name);
        InstanceBuilder builder(request);
        builder.Text(u"DeviceID", Utf16(std::to_string(i.index)));
        builder.Unsigned32(u"Index", i.index);
        builder.Unsigned32(u"InterfaceIndex", i.index);
        builder.Text(u"Name", name);
        builder.Text(u"ProductName", name);
        builder.Text(u"Description", name);
        builder.Text(u"Caption", CaptionOf(i));
        builder.Text(u"NetConnectionID", name);
        builder.Text(u"MACAddress", Utf16Of(i.mac));
        builder.Text(u"PermanentAddress", Utf16Of(i.mac));
        if (i.mac) {
            builder.Text(u"AdapterType", u"Ethernet 802.3");
            builder.Unsigned32(u"AdapterTypeId", 0);
        }
        builder.Text(u"ServiceName", Utf16Of(i.driver));
        builder.Text(u"PNPDeviceID", Utf16("/sys/class/net/" + i.name));
        builder.Text(u"CreationClassName", u"Win32_NetworkAdapter");
        builder.Text(u"SystemCreationClassName", u"Win32_ComputerSystem");
        builder.Text(u"SystemName", request.repository.ServerName());
        builder.Boolean(u"NetEnabled", i.up);
        builder.Boolean(u"PhysicalAdapter", i.physical);
        builder.Unsigned32(u"NetConnectionStatus", !i.up       ? kDisconnected
                                                   : i.carrier ? kConnected
                                                               : kMediaDisconnected);
        if (i.speedMbps && *i.speedMbps > 0) {
            builder.Unsigned64(u"Speed", *i.speedMbps * kBitsPerMegabit);
        }
        builder.Unsigned32(u"Availability", 3);  // running
        builder.Text(u"Status", i.up ? u"OK" : u"Unknown");
        const HRESULT hr = builder.FinishInto(instances);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return WBEM_S_NO_ERROR;
}

HRESULT NetworkAdapterConfigurations(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    utsname kernel{};
    const bool haveKernel = uname(&kernel) == 0;
    const std::vector<std::string> nameServers = NameServers();
    for (const NetworkInterface& i : NetworkInterfaces()) {
        std::vector<std::string> addresses;
        std::vector<std::string> subnets;
        for (const InterfaceAddress& address : i.addresses) {
            addresses.push_back(address.address);
            subnets.push_back(address.subnet);
        }
        const bool ipEnabled = !addresses.empty();
        InstanceBuilder builder(request);
        builder.Unsigned32(u"Index", i.index);
        builder.Unsigned32(u"InterfaceIndex", i.index);
        builder.Text(u"Caption", CaptionOf(i));
        builder.Text(u"Description", Utf16(i.name));
        builder.Text(u"SettingID", Utf16(i.name));
        builder.Text(u"MACAddress", Utf16Of(i.mac));
        builder.Text(u"ServiceName", Utf16Of(i.driver));
        builder.Unsigned32(u"MTU", i.mtu);
        builder.Boolean(u"IPEnabled", ipEnabled);
        // Windows leaves the IP settings NULL on an adapter without addresses.
        if (ipEnabled) {
            builder.Texts(u"IPAddress", Texts(addresses));
            builder.Texts(u"IPSubnet", Texts(subnets));
            if (!i.gateways.empty()) {
                builder.Texts(u"DefaultIPGateway", Texts(i.gateways));
            }
            if (!nameServers.empty()) {
                builder.Texts(u"DNSServerSearchOrder", Texts(nameServers));
            }
            if (haveKernel) {
                builder.Text(u"DNSHostName", Utf16(kernel.nodename));
            }
        }
        const HRESULT hr = builder.FinishInto(instances);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return WBEM_S_NO_ERROR;
}

}  // namespace pal::live
