// Win32_Service against the systemd unit files the test reads itself. A machine without systemd
// has no unit directories and no services.
#include <map>
#include <set>

#include "host_listing.h"
#include "live_test.h"

namespace live_test {
namespace {

// The services that the vendor unit directories define as plain files, not overridden under
// /etc, with the Description= of each ("" when it has none).
std::map<std::string, std::string> VendorServices()
{
    std::map<std::string, std::string> services;
    for (const char* directory : {"/lib/systemd/system", "/usr/lib/systemd/system"}) {
        for (const std::string& file : NamesIn(directory)) {
            const std::string path = std::string(directory) + "/" + file;
            std::error_code error;
            const bool plain =
                !std::filesystem::is_symlink(path, error) && std::filesystem::is_regular_file(path, error);
            if (file.size() <= 8 || file.substr(file.size() - 8) != ".service" ||
                file.find('@') != std::string::npos || !plain || Exists("/etc/systemd/system/" + file) ||
                Exists("/run/systemd/system/" + file)) {
                continue;
            }
            std::string description;
            std::istringstream lines(WholeFile(path));
            std::string line;
            bool unitSection = false;
            while (std::getline(lines, line)) {
                if (!line.empty() && line[0] == '[') {
                    unitSection = line.rfind("[Unit]", 0) == 0;
                } else if (unitSection && description.empty() && line.rfind("Description=", 0) == 0) {
                    description = line.substr(12);
                }
            }
            services.emplace(file.substr(0, file.size() - 8), description);
        }
    }
    return services;
}

using ServiceTest = LiveTest;

TEST_F(ServiceTest, ServicesAreTheSystemdUnits)
{
    const std::map<std::string, std::string> vendor = VendorServices();
    std::set<std::string> seen;
    for (const auto& service : Select(u"SELECT * FROM Win32_Service")) {
        const std::string name = TextOf(service.Get(), u"Name");
        EXPECT_TRUE(seen.insert(name).second) << name;
        const auto found = vendor.find(name);
        if (found != vendor.end() && !found->second.empty()) {
            EXPECT_EQ(found->second, TextOf(service.Get(), u"DisplayName")) << name;
        }
        const std::string state = TextOf(service.Get(), u"State");
        const std::string mode = TextOf(service.Get(), u"StartMode");
        EXPECT_TRUE(state == "Running" || state == "Stopped") << name << ": " << state;
        EXPECT_TRUE(mode == "Auto" || mode == "Manual" || mode == "Disabled") << name << ": " << mode;
        OwnedVariant started;
        ASSERT_EQ(S_OK, service->Get(u"Started", 0, started.Address(), nullptr, nullptr));
        EXPECT_EQ(state == "Running" ? VARIANT_TRUE : VARIANT_FALSE, V_BOOL(started.Address())) << name;
        EXPECT_EQ(state == "Running", NumberOf(service.Get(), u"ProcessId") != 0) << name;
        EXPECT_EQ(CIM_UINT32, TypeOf(service.Get(), u"ProcessId"));
        EXPECT_EQ(CIM_STRING, TypeOf(service.Get(), u"PathName"));
    }
    // Every plain unit of the vendor directories is a service.
    for (const auto& [name, description] : vendor) {
        EXPECT_EQ(1u, seen.count(name)) << name;
    }
}

TEST_F(ServiceTest, AServiceIsFoundByItsName)
{
    const std::map<std::string, std::string> vendor = VendorServices();
    HRESULT hr = E_FAIL;
    if (!vendor.empty()) {
        const ComPtr<IWbemClassObject> service =
            GetAt(u"Win32_Service.Name=\"" + Wide(vendor.begin()->first) + u"\"", hr);
        ASSERT_EQ(S_OK, hr);
        EXPECT_EQ(vendor.begin()->first, TextOf(service.Get(), u"Name"));
    }
    GetAt(u"Win32_Service.Name=\"NoSuchService\"", hr);
    EXPECT_EQ(WBEM_E_NOT_FOUND, hr);

    // Services derive as on Windows, so that a query of the base class finds them.
    const ComPtr<IWbemClassObject> cls = GetAt(u"Win32_Service", hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(WBEM_S_NO_ERROR, cls->InheritsFrom(u"Win32_BaseService"));
    EXPECT_EQ(Select(u"SELECT Name FROM Win32_Service").size(),
              Select(u"SELECT Name FROM Win32_BaseService").size());
}

}  // namespace
}  // namespace live_test
