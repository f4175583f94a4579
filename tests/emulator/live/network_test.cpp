// Win32_NetworkAdapter and Win32_NetworkAdapterConfiguration against the interfaces and
// addresses the test reads itself (/sys/class/net, getifaddrs). A machine may have no
// interface but the loopback one, which neither class lists.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <set>

#include "host_listing.h"
#include "live_test.h"

namespace live_test {
namespace {

struct Interface {
    std::string name;
    std::optional<std::string> mac;  // upper case; nullopt for none or all zeros
    std::set<std::string> addresses;
};

// The interfaces by index, the loopback one left out.
std::map<unsigned long long, Interface> Interfaces()
{
    std::map<unsigned long long, Interface> interfaces;
    for (const std::string& name : NamesIn("/sys/class/net")) {
        const std::string dir = "/sys/class/net/" + name;
        const std::optional<std::string> index = FirstLineOf(dir + "/ifindex");
        if (!index || FirstLineOf(dir + "/type") == "772") {
            continue;
        }
        Interface& i = interfaces[std::stoull(*index)];
        i.name = name;
        std::optional<std::string> mac = FirstLineOf(dir + "/address");
        if (mac && mac->size() == 17 && mac->find_first_not_of("0:") != std::string::npos) {
            for (char& c : *mac) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            i.mac = mac;
        }
    }
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) {
        ADD_FAILURE() << "getifaddrs";
        return interfaces;
    }
    const std::unique_ptr<ifaddrs, void (*)(ifaddrs*)> list(raw, freeifaddrs);
    for (const ifaddrs* entry = list.get(); entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr) {
            continue;
        }
        const int family = entry->ifa_addr->sa_family;
        char text[INET6_ADDRSTRLEN] = {};
        const void* address =
            family == AF_INET
                ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr)
                : static_cast<const void*>(
                      &reinterpret_cast<const sockaddr_in6*>(entry->ifa_addr)->sin6_addr);
        if ((family != AF_INET && family != AF_INET6) ||
            inet_ntop(family, address, text, sizeof text) == nullptr) {
            continue;
        }
        for (auto& [index, i] : interfaces) {
            if (i.name == entry->ifa_name) {
                i.addresses.insert(text);
            }
        }
    }
    return interfaces;
}

std::optional<std::string> OptionalText(IWbemClassObject* object, const char16_t* name)
{
    OwnedVariant value;
    EXPECT_EQ(S_OK, object->Get(name, 0, value.Address(), nullptr, nullptr)) << Narrow(name);
    return value.Type() == VT_BSTR ? std::optional<std::string>(Narrow(V_BSTR(value.Address())))
                                   : std::nullopt;
}

// The elements of a string array property; empty for NULL.
std::vector<std::string> TextsOf(IWbemClassObject* object, const char16_t* name)
{
    OwnedVariant value;
    EXPECT_EQ(S_OK, object->Get(name, 0, value.Address(), nullptr, nullptr)) << Narrow(name);
    std::vector<std::string> texts;
    if (value.Type() != (VT_ARRAY | VT_BSTR)) {
        EXPECT_EQ(VT_NULL, value.Type()) << Narrow(name);
        return texts;
    }
    SAFEARRAY* array = V_ARRAY(value.Address());
    LONG low = 0;
    LONG high = -1;
    SafeArrayGetLBound(array, 1, &low);
    SafeArrayGetUBound(array, 1, &high);
    for (LONG i = low; i <= high; ++i) {
        BSTR text = nullptr;
        EXPECT_EQ(S_OK, SafeArrayGetElement(array, &i, &text));
        texts.push_back(Narrow(text));
        SysFreeString(text);
    }
    return texts;
}

using NetworkTest = LiveTest;

TEST_F(NetworkTest, AdaptersAreTheInterfacesButLoopback)
{
    const auto interfaces = Interfaces();
    const auto adapters = Select(u"SELECT * FROM Win32_NetworkAdapter");
    ASSERT_EQ(interfaces.size(), adapters.size());
    for (const auto& adapter : adapters) {
        EXPECT_EQ(CIM_UINT32, TypeOf(adapter.Get(), u"Index"));
        EXPECT_EQ(CIM_UINT64, TypeOf(adapter.Get(), u"Speed"));
        EXPECT_EQ(CIM_UINT16, TypeOf(adapter.Get(), u"NetConnectionStatus"));
        EXPECT_EQ(CIM_BOOLEAN, TypeOf(adapter.Get(), u"NetEnabled"));
        const unsigned long long index = NumberOf(adapter.Get(), u"Index");
        const auto found = interfaces.find(index);
        ASSERT_NE(interfaces.end(), found) << index;
        EXPECT_EQ(std::to_string(index), TextOf(adapter.Get(), u"DeviceID"));
        EXPECT_EQ(found->second.name, TextOf(adapter.Get(), u"NetConnectionID"));
        EXPECT_EQ(found->second.mac, OptionalText(adapter.Get(), u"MACAddress"));
    }
    HRESULT hr = E_FAIL;
    GetAt(u"Win32_NetworkAdapter.DeviceID=\"999999\"", hr);
    EXPECT_EQ(WBEM_E_NOT_FOUND, hr);
}

TEST_F(NetworkTest, ConfigurationsHoldTheInterfacesAddresses)
{
    const auto interfaces = Interfaces();
    const auto configurations = Select(u"SELECT * FROM Win32_NetworkAdapterConfiguration");
    ASSERT_EQ(interfaces.size(), configurations.size());
    for (const auto& configuration : configurations) {
        EXPECT_EQ(CIM_STRING | CIM_FLAG_ARRAY, TypeOf(configuration.Get(), u"IPAddress"));
        EXPECT_EQ(CIM_STRING | CIM_FLAG_ARRAY, TypeOf(configuration.Get(), u"DefaultIPGateway"));
        EXPECT_EQ(CIM_BOOLEAN, TypeOf(configuration.Get(), u"IPEnabled"));
        const unsigned long long index = NumberOf(configuration.Get(), u"Index");
        const auto found = interfaces.find(index);
        ASSERT_NE(interfaces.end(), found) << index;
        const std::vector<std::string> addresses = TextsOf(configuration.Get(), u"IPAddress");
        EXPECT_EQ(found->second.addresses, std::set<std::string>(addresses.begin(), addresses.end()))
            << found->second.name;
        // One subnet per address, in the same order.
        EXPECT_EQ(addresses.size(), TextsOf(configuration.Get(), u"IPSubnet").size()) << found->second.name;
        OwnedVariant enabled;
        ASSERT_EQ(S_OK, configuration->Get(u"IPEnabled", 0, enabled.Address(), nullptr, nullptr));
        EXPECT_EQ(found->second.addresses.empty() ? VARIANT_FALSE : VARIANT_TRUE, V_BOOL(enabled.Address()));

        HRESULT hr = E_FAIL;
        GetAt(u"Win32_NetworkAdapterConfiguration.Index=" + Wide(std::to_string(index)), hr);
        EXPECT_EQ(S_OK, hr);
    }
}

TEST_F(NetworkTest, EachAdapterIsAssociatedWithItsConfiguration)
{
    const auto interfaces = Interfaces();
    for (const auto& [index, i] : interfaces) {
        const auto settings =
            Select(u"ASSOCIATORS OF {Win32_NetworkAdapter.DeviceID=\"" + Wide(std::to_string(index)) +
                   u"\"} WHERE AssocClass = Win32_NetworkAdapterSetting");
        ASSERT_EQ(1u, settings.size()) << i.name;
        EXPECT_EQ("Win32_NetworkAdapterConfiguration", TextOf(settings.front().Get(), u"__CLASS"));
        EXPECT_EQ(index, NumberOf(settings.front().Get(), u"Index"));
    }
    EXPECT_EQ(interfaces.size(), Select(u"SELECT * FROM Win32_NetworkAdapterSetting").size());
}

}  // namespace
}  // namespace live_test
