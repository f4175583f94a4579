// Win32_BIOS, Win32_ComputerSystemProduct and Win32_BaseBoard against what the test reads from
// /sys/class/dmi/id itself, and the CIM superclasses of the Win32 classes.
#include <unistd.h>

#include <fstream>
#include <optional>

#include "live_test.h"

namespace live_test {
namespace {

// The first line of a DMI file; nullopt when it is missing, unreadable (root-only) or empty.
std::optional<std::string> Dmi(const char* name)
{
    std::ifstream file(std::string("/sys/class/dmi/id/") + name);
    std::string line;
    if (!file || !std::getline(file, line)) {
        return std::nullopt;
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) {
        line.pop_back();
    }
    return line.empty() ? std::nullopt : std::optional<std::string>(line);
}

class FirmwareTest : public LiveTest {
protected:
    // The one instance of a class.
    ComPtr<IWbemClassObject> Single(const std::u16string& className)
    {
        std::vector<ComPtr<IWbemClassObject>> all = Select(u"SELECT * FROM " + className);
        EXPECT_EQ(1u, all.size()) << Narrow(className);
        return all.empty() ? ComPtr<IWbemClassObject>() : std::move(all.front());
    }

    // A text property as the host shows it: nullopt for NULL.
    static std::optional<std::string> Optional(IWbemClassObject* object, const char16_t* name)
    {
        OwnedVariant value;
        EXPECT_EQ(S_OK, object->Get(name, 0, value.Address(), nullptr, nullptr)) << Narrow(name);
        if (value.Type() == VT_NULL) {
            return std::nullopt;
        }
        EXPECT_EQ(VT_BSTR, value.Type()) << Narrow(name);
        return value.Type() == VT_BSTR ? std::optional<std::string>(Narrow(V_BSTR(value.Address())))
                                       : std::nullopt;
    }
};

TEST_F(FirmwareTest, BiosIsTheFirmwareTheHostDescribes)
{
    const ComPtr<IWbemClassObject> bios = Single(u"Win32_BIOS");
    ASSERT_TRUE(bios);
    EXPECT_EQ(Dmi("bios_vendor"), Optional(bios.Get(), u"Manufacturer"));
    EXPECT_EQ(Dmi("bios_version"), Optional(bios.Get(), u"SMBIOSBIOSVersion"));
    EXPECT_EQ(Dmi("product_serial"), Optional(bios.Get(), u"SerialNumber"));
    const std::optional<std::string> date = Dmi("bios_date");
    if (date && date->size() == 10) {
        EXPECT_EQ(date->substr(6, 4) + date->substr(0, 2) + date->substr(3, 2) + "000000.000000+000",
                  Optional(bios.Get(), u"ReleaseDate"));
    }
    EXPECT_EQ(CIM_DATETIME, TypeOf(bios.Get(), u"ReleaseDate"));
    EXPECT_EQ(CIM_STRING | CIM_FLAG_ARRAY, TypeOf(bios.Get(), u"BIOSVersion"));
    EXPECT_EQ(CIM_UINT8, TypeOf(bios.Get(), u"SystemBiosMajorVersion"));
    EXPECT_EQ(CIM_UINT16, TypeOf(bios.Get(), u"SoftwareElementState"));
    EXPECT_EQ(CIM_BOOLEAN, TypeOf(bios.Get(), u"PrimaryBIOS"));
}

TEST_F(FirmwareTest, ComputerSystemProductIsTheMachineTheHostDescribes)
{
    const ComPtr<IWbemClassObject> product = Single(u"Win32_ComputerSystemProduct");
    ASSERT_TRUE(product);
    EXPECT_EQ(Dmi("product_name"), Optional(product.Get(), u"Name"));
    EXPECT_EQ(Dmi("sys_vendor"), Optional(product.Get(), u"Vendor"));
    EXPECT_EQ(Dmi("product_version"), Optional(product.Get(), u"Version"));
    EXPECT_EQ(Dmi("product_uuid"), Optional(product.Get(), u"UUID"));
}

TEST_F(FirmwareTest, BaseBoardIsTheBoardTheHostDescribes)
{
    const ComPtr<IWbemClassObject> board = Single(u"Win32_BaseBoard");
    ASSERT_TRUE(board);
    EXPECT_EQ(Dmi("board_vendor"), Optional(board.Get(), u"Manufacturer"));
    EXPECT_EQ(Dmi("board_name"), Optional(board.Get(), u"Product"));
    EXPECT_EQ(Dmi("board_serial"), Optional(board.Get(), u"SerialNumber"));
    EXPECT_EQ("Win32_BaseBoard.CreationClassName=\"Win32_BaseBoard\",Tag=\"Base Board\"",
              TextOf(board.Get(), u"__RELPATH"));
}

TEST_F(FirmwareTest, Win32ClassesDeriveFromTheirCimClasses)
{
    const std::pair<const char16_t*, const char16_t*> pairs[] = {
        {u"Win32_Process", u"CIM_Process"},
        {u"Win32_LogicalDisk", u"CIM_LogicalDisk"},
        {u"Win32_OperatingSystem", u"CIM_OperatingSystem"},
        {u"Win32_ComputerSystem", u"CIM_ComputerSystem"},
        {u"Win32_Processor", u"CIM_Processor"},
        {u"Win32_Service", u"CIM_Service"},
        {u"Win32_BIOS", u"CIM_BIOSElement"},
        {u"Win32_ComputerSystemProduct", u"CIM_Product"},
        {u"Win32_BaseBoard", u"CIM_Card"},
    };
    for (const auto& [win32, cim] : pairs) {
        HRESULT hr = E_FAIL;
        const ComPtr<IWbemClassObject> cls = GetAt(win32, hr);
        ASSERT_EQ(S_OK, hr) << Narrow(win32);
        EXPECT_EQ(WBEM_S_NO_ERROR, cls->InheritsFrom(cim)) << Narrow(win32);
    }
}

TEST_F(FirmwareTest, QueriesOfCimClassesFindTheWin32Instances)
{
    bool ownProcess = false;
    for (const auto& process : Select(u"SELECT Handle, __CLASS FROM CIM_Process")) {
        if (TextOf(process.Get(), u"Handle") == std::to_string(getpid())) {
            ownProcess = true;
            EXPECT_EQ("Win32_Process", TextOf(process.Get(), u"__CLASS"));
        }
    }
    EXPECT_TRUE(ownProcess);
    EXPECT_EQ(1u, Select(u"SELECT * FROM CIM_LogicalDisk WHERE DeviceID = 'C:'").size());
    EXPECT_EQ(1u, Select(u"SELECT * FROM CIM_BIOSElement").size());
    EXPECT_EQ(1u, Select(u"SELECT * FROM CIM_OperatingSystem").size());
}

}  // namespace
}  // namespace live_test
