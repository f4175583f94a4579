// The properties of Win32_OperatingSystem, Win32_ComputerSystem and Win32_Processor that
// monitoring code reads beyond names and figures: their CIM types as Windows declares them, and
// their values against what the test reads from /proc, /sys and the password database itself.
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <fstream>
#include <optional>
#include <sstream>

#include "live/cim_datetime.h"
#include "live_test.h"

namespace live_test {
namespace {

std::string FileText(const std::string& path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The first block of /proc/cpuinfo as "name" -> "value" lookups.
class CpuInfo {
public:
    CpuInfo()
    {
        std::istringstream lines(FileText("/proc/cpuinfo"));
        std::string line;
        while (std::getline(lines, line) && !line.empty()) {
            const std::size_t colon = line.find(':');
            if (colon == std::string::npos) {
                continue;
            }
            std::string name = line.substr(0, colon);
            while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) {
                name.pop_back();
            }
            const std::size_t start = line.find_first_not_of(' ', colon + 1);
            fields_.emplace_back(name, start == std::string::npos ? std::string() : line.substr(start));
        }
    }
    std::optional<std::string> Field(const std::string& name) const
    {
        for (const auto& [key, value] : fields_) {
            if (key == name) {
                return value;
            }
        }
        return std::nullopt;
    }
    bool Flag(const std::string& flag) const
    {
        std::istringstream words(" " + Field("flags").value_or(Field("Features").value_or("")));
        std::string word;
        while (words >> word) {
            if (word == flag) {
                return true;
            }
        }
        return false;
    }

private:
    std::vector<std::pair<std::string, std::string>> fields_;
};

std::optional<std::string> FirstLine(const std::string& path)
{
    std::ifstream file(path);
    std::string line;
    if (!file || !std::getline(file, line)) {
        return std::nullopt;
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) {
        line.pop_back();
    }
    return line.empty() ? std::nullopt : std::optional<std::string>(line);
}

class SystemDetailsTest : public LiveTest {
protected:
    ComPtr<IWbemClassObject> Single(const std::u16string& className)
    {
        std::vector<ComPtr<IWbemClassObject>> all = Select(u"SELECT * FROM " + className);
        EXPECT_EQ(1u, all.size()) << Narrow(className);
        return all.empty() ? ComPtr<IWbemClassObject>() : std::move(all.front());
    }

    static bool IsNull(IWbemClassObject* object, const char16_t* name)
    {
        OwnedVariant value;
        EXPECT_EQ(S_OK, object->Get(name, 0, value.Address(), nullptr, nullptr)) << Narrow(name);
        return value.Type() == VT_NULL;
    }

    static std::optional<std::string> Optional(IWbemClassObject* object, const char16_t* name)
    {
        return IsNull(object, name) ? std::nullopt : std::optional<std::string>(TextOf(object, name));
    }

    static bool BooleanOf(IWbemClassObject* object, const char16_t* name)
    {
        OwnedVariant value;
        EXPECT_EQ(S_OK, object->Get(name, 0, value.Address(), nullptr, nullptr)) << Narrow(name);
        EXPECT_EQ(VT_BOOL, value.Type()) << Narrow(name);
        return value.Type() == VT_BOOL && V_BOOL(value.Address()) == VARIANT_TRUE;
    }

    void ExpectTypes(IWbemClassObject* object, const std::vector<std::pair<const char16_t*, CIMTYPE>>& types)
    {
        for (const auto& [name, type] : types) {
            EXPECT_EQ(type, TypeOf(object, name)) << Narrow(name);
        }
    }
};

TEST_F(SystemDetailsTest, OperatingSystemHasWindowsPropertiesWithTheirTypes)
{
    const ComPtr<IWbemClassObject> os = Single(u"Win32_OperatingSystem");
    ASSERT_TRUE(os);
    ExpectTypes(os.Get(), {{u"SystemDrive", CIM_STRING},
                           {u"CSDVersion", CIM_STRING},
                           {u"ProductType", CIM_UINT32},
                           {u"OperatingSystemSKU", CIM_UINT32},
                           {u"SuiteMask", CIM_UINT32},
                           {u"OSProductSuite", CIM_UINT32},
                           {u"ServicePackMajorVersion", CIM_UINT16},
                           {u"ServicePackMinorVersion", CIM_UINT16},
                           {u"OSLanguage", CIM_UINT32},
                           {u"Locale", CIM_STRING},
                           {u"MUILanguages", CIM_STRING | CIM_FLAG_ARRAY},
                           {u"DataExecutionPrevention_SupportPolicy", CIM_UINT8},
                           {u"ForegroundApplicationBoost", CIM_UINT8},
                           {u"MaxProcessMemorySize", CIM_UINT64},
                           {u"TotalSwapSpaceSize", CIM_UINT64},
                           {u"NumberOfUsers", CIM_UINT32},
                           {u"PortableOperatingSystem", CIM_BOOLEAN}});

    // The system drive is a disk that Win32_LogicalDisk serves.
    const std::string drive = TextOf(os.Get(), u"SystemDrive");
    EXPECT_EQ(
        1u, Select(u"SELECT DeviceID FROM Win32_LogicalDisk WHERE DeviceID = '" + Wide(drive) + u"'").size());
    const unsigned long long productType = NumberOf(os.Get(), u"ProductType");
    EXPECT_TRUE(productType >= 1 && productType <= 3) << productType;
    EXPECT_EQ(0u, NumberOf(os.Get(), u"ServicePackMajorVersion"));
    EXPECT_TRUE(IsNull(os.Get(), u"CSDVersion"));  // no service pack
    EXPECT_EQ("Win32_OperatingSystem", TextOf(os.Get(), u"CreationClassName"));

    // What the kernel and the processor say.
    const CpuInfo cpu;
    EXPECT_EQ(cpu.Flag("nx"), BooleanOf(os.Get(), u"DataExecutionPrevention_Available"));
    const std::optional<std::string> pidMax = FirstLine("/proc/sys/kernel/pid_max");
    ASSERT_TRUE(pidMax);
    EXPECT_EQ(std::stoull(*pidMax), NumberOf(os.Get(), u"MaxNumberOfProcesses"));
    struct sysinfo info {};
    ASSERT_EQ(0, sysinfo(&info));
    EXPECT_EQ(static_cast<unsigned long long>(info.totalswap) * info.mem_unit / 1024,
              NumberOf(os.Get(), u"TotalSwapSpaceSize"));
    EXPECT_EQ(NumberOf(os.Get(), u"SizeStoredInPagingFiles"), NumberOf(os.Get(), u"TotalSwapSpaceSize"));

    // Installed when the machine got its identity; NULL on a machine without one.
    EXPECT_EQ(CIM_DATETIME, TypeOf(os.Get(), u"InstallDate"));
    struct stat machineId {};
    if (stat("/etc/machine-id", &machineId) == 0) {
        const std::u16string installed = pal::live::CimDatetime(machineId.st_mtime, 0);
        EXPECT_EQ(std::string(installed.begin(), installed.end()), TextOf(os.Get(), u"InstallDate"));
    } else {
        EXPECT_TRUE(IsNull(os.Get(), u"InstallDate"));
    }
}

TEST_F(SystemDetailsTest, ComputerSystemNamesItsModelAndItsUser)
{
    const ComPtr<IWbemClassObject> computer = Single(u"Win32_ComputerSystem");
    ASSERT_TRUE(computer);
    ExpectTypes(computer.Get(), {{u"UserName", CIM_STRING},
                                 {u"Model", CIM_STRING},
                                 {u"DomainRole", CIM_UINT16},
                                 {u"PCSystemType", CIM_UINT16},
                                 {u"HypervisorPresent", CIM_BOOLEAN},
                                 {u"AutomaticManagedPagefile", CIM_BOOLEAN}});
    EXPECT_EQ(FirstLine("/sys/class/dmi/id/product_name"), Optional(computer.Get(), u"Model"));
    EXPECT_EQ(FirstLine("/sys/class/dmi/id/sys_vendor"), Optional(computer.Get(), u"Manufacturer"));
    utsname kernel{};
    ASSERT_EQ(0, uname(&kernel));
    EXPECT_EQ(std::string(kernel.nodename), TextOf(computer.Get(), u"DNSHostName"));
    EXPECT_EQ(CpuInfo().Flag("hypervisor"), BooleanOf(computer.Get(), u"HypervisorPresent"));

    // Laptops are mobile, towers and desktops desktops, rack servers enterprise servers.
    const std::optional<std::string> chassis = FirstLine("/sys/class/dmi/id/chassis_type");
    if (!chassis) {
        EXPECT_TRUE(IsNull(computer.Get(), u"PCSystemType"));
    } else {
        const int type = std::stoi(*chassis);
        const unsigned long long system = NumberOf(computer.Get(), u"PCSystemType");
        if (type == 9 || type == 10) {
            EXPECT_EQ(2u, system) << type;
        } else if (type == 3 || type == 7) {
            EXPECT_EQ(1u, system) << type;
        } else if (type == 17 || type == 23) {
            EXPECT_EQ(4u, system) << type;
        } else {
            EXPECT_LE(system, 8u) << type;
        }
    }

    // NULL when nobody is logged on, else COMPUTER\user of an account that exists.
    if (const std::optional<std::string> user = Optional(computer.Get(), u"UserName")) {
        const std::string prefix = std::string(PalWmiLocalHostName()) + "\\";
        ASSERT_EQ(0u, user->rfind(prefix, 0)) << *user;
        EXPECT_NE(nullptr, getpwnam(user->substr(prefix.size()).c_str())) << *user;
    }
}

TEST_F(SystemDetailsTest, ProcessorIdentifiesItselfAsCpuinfoDoes)
{
    const auto processors = Select(u"SELECT * FROM Win32_Processor");
    ASSERT_FALSE(processors.empty());
    const CpuInfo cpu;
    for (const auto& processor : processors) {
        ExpectTypes(processor.Get(), {{u"ProcessorId", CIM_STRING},
                                      {u"Family", CIM_UINT16},
                                      {u"Level", CIM_UINT16},
                                      {u"Revision", CIM_UINT16},
                                      {u"Version", CIM_STRING},
                                      {u"CpuStatus", CIM_UINT16},
                                      {u"L2CacheSize", CIM_UINT32},
                                      {u"ProcessorType", CIM_UINT16}});
        EXPECT_EQ(1u, NumberOf(processor.Get(), u"CpuStatus"));      // enabled
        EXPECT_EQ(3u, NumberOf(processor.Get(), u"ProcessorType"));  // central processor
        EXPECT_EQ(NumberOf(processor.Get(), u"NumberOfLogicalProcessors"),
                  NumberOf(processor.Get(), u"ThreadCount"));

        const std::optional<std::string> family = cpu.Field("cpu family");
        const std::optional<std::string> model = cpu.Field("model");
        const std::optional<std::string> stepping = cpu.Field("stepping");
        if (!family || !model || !stepping) {
            EXPECT_TRUE(IsNull(processor.Get(), u"Level"));
            continue;
        }
        EXPECT_EQ(std::stoull(*family), NumberOf(processor.Get(), u"Level"));
        EXPECT_EQ(std::stoull(*model) << 8 | std::stoull(*stepping), NumberOf(processor.Get(), u"Revision"));
        EXPECT_NE(std::string::npos,
                  TextOf(processor.Get(), u"Caption").find("Family " + *family + " Model " + *model));

        // The signature in the last eight digits decodes to the family, model and stepping the
        // kernel reports.
        const std::string id = TextOf(processor.Get(), u"ProcessorId");
        ASSERT_EQ(16u, id.size()) << id;
        ASSERT_EQ(std::string::npos, id.find_first_not_of("0123456789ABCDEF")) << id;
        const unsigned long signature = std::stoul(id.substr(8), nullptr, 16);
        unsigned long decodedFamily = (signature >> 8) & 0xF;
        unsigned long decodedModel = (signature >> 4) & 0xF;
        if (decodedFamily == 0xF) {
            decodedFamily += (signature >> 20) & 0xFF;
        }
        if (decodedFamily >= 6) {
            decodedModel |= ((signature >> 16) & 0xF) << 4;
        }
        EXPECT_EQ(std::stoul(*family), decodedFamily) << id;
        EXPECT_EQ(std::stoul(*model), decodedModel) << id;
        EXPECT_EQ(std::stoul(*stepping), signature & 0xF) << id;
    }
}

}  // namespace
}  // namespace live_test
