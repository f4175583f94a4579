#include "live/network_interfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>

#include "base/host_files.h"
#include "live/host_directories.h"

namespace pal::live {

namespace {

constexpr std::uint64_t kLoopbackType = 772;  // ARPHRD_LOOPBACK
constexpr std::uint64_t kInterfaceUp = 0x1;   // IFF_UP

struct FreeAddresses {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

std::optional<std::uint64_t> NumberIn(const std::string& path, int base = 10)
{
    const std::optional<std::string> line = ReadFirstLine(path);
    if (!line || line->empty()) {
        return std::nullopt;
    }
    try {
        std::size_t used = 0;
        const unsigned long long value = std::stoull(*line, &used, base);
        return used == line->size() ? std::optional<std::uint64_t>(value) : std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;  // "-1" or nothing readable
    }
}

std::optional<std::string> MacOf(const std::string& dir)
{
    std::optional<std::string> mac = ReadFirstLine(dir + "/address");
    if (!mac || mac->size() != 17 || mac->find_first_not_of("0:") == std::string::npos) {
        return std::nullopt;
    }
    std::transform(mac->begin(), mac->end(), mac->begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    return mac;
}

std::string Ipv4Text(const in_addr& address)
{
    std::array<char, INET_ADDRSTRLEN> text{};
    return inet_ntop(AF_INET, &address, text.data(), text.size()) ? std::string(text.data()) : std::string();
}

std::uint64_t PrefixLength(const unsigned char* mask, std::size_t bytes)
{
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        for (unsigned char bit = 0x80; bit != 0; bit = static_cast<unsigned char>(bit >> 1)) {
            bits += (mask[i] & bit) != 0 ? 1 : 0;
        }
    }
    return bits;
}

void AddAddresses(std::vector<NetworkInterface>& interfaces)
{
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) {
        return;
    }
    const std::unique_ptr<ifaddrs, FreeAddresses> list(raw);
    for (const ifaddrs* entry = list.get(); entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_name == nullptr) {
            continue;
        }
        const auto match = std::find_if(interfaces.begin(), interfaces.end(),
                                        [&](const NetworkInterface& i) { return i.name == entry->ifa_name; });
        if (match == interfaces.end()) {
            continue;
        }
        InterfaceAddress address;
        if (entry->ifa_addr->sa_family == AF_INET) {
            address.address = Ipv4Text(reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr);
            if (entry->ifa_netmask != nullptr) {
                address.subnet = Ipv4Text(reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr);
            }
        } else if (entry->ifa_addr->sa_family == AF_INET6) {
            std::array<char, INET6_ADDRSTRLEN> text{};
            const auto* in6 = reinterpret_cast<const sockaddr_in6*>(entry->ifa_addr);
            if (inet_ntop(AF_INET6, &in6->sin6_addr, text.data(), text.size()) == nullptr) {
                continue;
            }
            address.address = text.data();
            address.ipv6 = true;
            if (entry->ifa_netmask != nullptr) {
                const auto* mask = reinterpret_cast<const sockaddr_in6*>(entry->ifa_netmask);
                address.subnet =
                    std::to_string(PrefixLength(mask->sin6_addr.s6_addr, sizeof mask->sin6_addr));
            }
        } else {
            continue;
        }
        match->addresses.push_back(address);
    }
    for (NetworkInterface& i : interfaces) {
        std::stable_sort(
            i.addresses.begin(), i.addresses.end(),
            [](const InterfaceAddress& a, const InterfaceAddress& b) { return !a.ipv6 && b.ipv6; });
    }
}

// The default routes of /proc/net/route: "Iface Destination Gateway ..." with addresses in hex,
// in the machine's byte order.
void AddGateways(std::vector<NetworkInterface>& interfaces)
{
    const std::optional<std::string> routes = ReadHostFile("/proc/net/route");
    if (!routes) {
        return;
    }
    std::size_t start = routes->find('\n');
    while (start != std::string::npos && start + 1 < routes->size()) {
        const std::size_t end = routes->find('\n', start + 1);
        const std::string line =
            routes->substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
        start = end;
        const std::vector<std::string_view> fields = SplitBlanks(line);
        if (fields.size() < 3 || fields[1] != "00000000") {
            continue;
        }
        in_addr gateway{};
        try {
            gateway.s_addr = static_cast<in_addr_t>(std::stoul(std::string(fields[2]), nullptr, 16));
        } catch (const std::exception&) {
            continue;
        }
        for (NetworkInterface& i : interfaces) {
            if (i.name == fields[0] && gateway.s_addr != 0) {
                i.gateways.push_back(Ipv4Text(gateway));
            }
        }
    }
}

}  // namespace

std::vector<NetworkInterface> NetworkInterfaces()
{
    std::vector<NetworkInterface> interfaces;
    for (const std::string& name : DirectoryEntries("/sys/class/net")) {
        const std::string dir = "/sys/class/net/" + name;
        const std::optional<std::uint64_t> index = NumberIn(dir + "/ifindex");
        if (!index || NumberIn(dir + "/type") == kLoopbackType) {
            continue;
        }
        NetworkInterface i;
        i.name = name;
        i.index = *index;
        i.mac = MacOf(dir);
        i.up = (NumberIn(dir + "/flags", 16).value_or(0) & kInterfaceUp) != 0;
        i.carrier = i.up && NumberIn(dir + "/carrier") == 1U;
        i.physical = PathExists(dir + "/device");
        i.speedMbps = NumberIn(dir + "/speed");
        i.mtu = NumberIn(dir + "/mtu");
        if (const std::optional<std::string> driver = ReadLink(dir + "/device/driver")) {
            i.driver = BaseName(*driver);
        }
        interfaces.push_back(std::move(i));
    }
    std::sort(interfaces.begin(), interfaces.end(),
              [](const NetworkInterface& a, const NetworkInterface& b) { return a.index < b.index; });
    AddAddresses(interfaces);
    AddGateways(interfaces);
    return interfaces;
}

std::vector<std::string> NameServers()
{
    std::vector<std::string> servers;
    const std::optional<std::string> resolv = ReadHostFile("/etc/resolv.conf");
    if (!resolv) {
        return servers;
    }
    std::size_t start = 0;
    while (start < resolv->size()) {
        std::size_t end = resolv->find('\n', start);
        if (end == std::string::npos) {
            end = resolv->size();
        }
        const std::vector<std::string_view> fields =
            SplitBlanks(std::string_view(*resolv).substr(start, end - start));
        if (fields.size() >= 2 && fields[0] == "nameserver") {
            servers.emplace_back(fields[1]);
        }
        start = end + 1;
    }
    return servers;
}

}  // namespace pal::live
