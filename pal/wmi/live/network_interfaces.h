// The host's network interfaces: what /sys/class/net tells of each, its addresses
// (getifaddrs), its default IPv4 gateway (/proc/net/route) and the name servers of
// /etc/resolv.conf. The loopback interface is left out, as Windows leaves its own out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pal::live {

struct InterfaceAddress {
    std::string address;  // "192.168.1.5", "fe80::1"
    std::string subnet;   // "255.255.255.0" for IPv4, the prefix length ("64") for IPv6
    bool ipv6 = false;
};

struct NetworkInterface {
    std::string name;  // "eth0"
    std::uint64_t index = 0;
    std::optional<std::string> mac;  // "00:15:5D:01:02:03"; nullopt for none or all zeros
    bool up = false;
    bool carrier = false;
    bool physical = false;
    std::optional<std::uint64_t> speedMbps;
    std::optional<std::uint64_t> mtu;
    std::optional<std::string> driver;
    std::vector<InterfaceAddress> addresses;  // IPv4 first, then IPv6
    std::vector<std::string> gateways;
};

std::vector<NetworkInterface> NetworkInterfaces();
std::vector<std::string> NameServers();

}  // namespace pal::live
