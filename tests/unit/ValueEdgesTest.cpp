// Rare values and edges of the core: booleans written from any long, wrappers that hold no object,
// the error-name table's runs and gaps, and the Windows version that decides the connect flags.
#include <gtest/gtest.h>
#include <pal/testing.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "errors/WbemErrorNames.h"
#include "values/PropertyWrite.h"
#include "wmi/ObjectProperty.h"
#include "wmi/WmiService.h"

using namespace wmibridge;

TEST(BooleanFromLong, AnyNonZeroLongIsTrue)
{
    // Negative values, values whose low 16 or 32 bits are zero, and the extremes.
    const int64_t trueValues[] = {1,
                                  -1,
                                  2,
                                  0x10000,
                                  int64_t{1} << 32,
                                  int64_t{1} << 62,
                                  std::numeric_limits<int64_t>::max(),
                                  std::numeric_limits<int64_t>::min(),
                                  std::numeric_limits<int64_t>::min() + 1};
    for (const int64_t number : trueValues) {
        VARIANT value;
        VariantInit(&value);
        ASSERT_EQ(kSuccess, FillVariantAsType(&value, VT_BOOL, number)) << number;
        EXPECT_EQ(VT_BOOL, V_VT(&value));
        EXPECT_EQ(VARIANT_TRUE, V_BOOL(&value)) << number;
    }
    VARIANT value;
    VariantInit(&value);
    ASSERT_EQ(kSuccess, FillVariantAsType(&value, VT_BOOL, 0));
    EXPECT_EQ(VARIANT_FALSE, V_BOOL(&value));
}

// A handle whose wrapper holds no object is not an empty handle: 4312, where an empty handle is 87.
TEST(EmptyWrapper, ReadsAndWritesGiveObjectNotFound)
{
    const CRefPtr<CWmiObject> noHandle;
    CRefPtr<CWmiObject> noObject;
    noObject = new CWmiObject(nullptr);
    VARIANT value;
    VariantInit(&value);

    EXPECT_EQ(kObjectNotFound, ObjectGetProperty(noObject, u"Name", &value));
    EXPECT_EQ(kInvalidParameter, ObjectGetProperty(noHandle, u"Name", &value));

    EXPECT_EQ(kObjectNotFound, ObjectGetPropertyQualifier(noObject, u"Name", u"key", &value));
    EXPECT_EQ(kInvalidParameter, ObjectGetPropertyQualifier(noHandle, u"Name", u"key", &value));

    V_VT(&value) = VT_I4;
    V_I4(&value) = 7;
    EXPECT_EQ(kObjectNotFound, ObjectPutProperty(noObject, u"Name", &value));
    EXPECT_EQ(kInvalidParameter, ObjectPutProperty(noHandle, u"Name", &value));
}

TEST(WbemErrorNames, EveryRunEdgeAndEveryGap)
{
    const auto Name = [](uint32_t code) {
        const WCHAR* name = WbemErrorName(code);
        return name == nullptr ? std::u16string(u"<none>") : std::u16string(name);
    };
    // The first two and the last two codes of each run, and one inside it.
    const std::pair<uint32_t, std::u16string> named[] = {
        {0x80041000, u""},
        {0x80041001, u"WBEM_E_FAILED"},
        {0x80041002, u"WBEM_E_NOT_FOUND"},
        {0x80041010, u"WBEM_E_INVALID_CLASS"},
        {0x80041048, u"WBEM_E_UNSUPPORTED_CLASS_UPDATE"},
        {0x80041049, u"WBEM_E_CANNOT_CHANGE_KEY_INHERITANCE"},
        {0x80041050, u"WBEM_E_CANNOT_CHANGE_INDEX_INHERITANCE"},
        {0x80041051, u"WBEM_E_TOO_MANY_PROPERTIES"},
        {0x80041057, u"WBEM_E_REFRESHER_BUSY"},
        {0x8004105C, u"WBEM_E_PROPERTY_NOT_AN_OBJECT"},
        {0x8004105D, u"WBEM_E_AGGREGATING_BY_OBJECT"},
        {0x8004105F, u"WBEM_E_UNINTERPRETABLE_PROVIDER_QUERY"},
        {0x80041060, u"WBEM_E_BACKUP_RESTORE_WINMGMT_RUNNING"},
        {0x80041064, u"WBEM_E_LOCAL_CREDENTIALS"},
        {0x8004106F, u"WBEM_E_UNSUPPORTED_LOCALE"},
        {0x80041079, u"WBEM_E_VETO_DELETE"},
        {0x8004107A, u"WBEM_E_VETO_PUT"},
        {0x80041080, u"WBEM_E_INVALID_LOCALE"},
        {0x80041081, u"WBEM_E_PROVIDER_SUSPENDED"},
        {0x80041085, u"WBEM_E_PROVIDER_NOT_REGISTERED"},
        {0x80041089, u"WBEM_E_NO_KEY"},
        {0x8004108A, u"WBEM_E_PROVIDER_DISABLED"},
    };
    for (const auto& [code, name] : named) {
        EXPECT_EQ(name, Name(code)) << std::hex << code;
    }
    // Every code of every gap, and everything after the last run up to the end of the table.
    std::vector<uint32_t> unnamed;
    for (uint32_t low = 0x4A; low <= 0x4F; ++low) {
        unnamed.push_back(low);
    }
    unnamed.push_back(0x5E);
    for (uint32_t low = 0x7B; low <= 0x7F; ++low) {
        unnamed.push_back(low);
    }
    for (uint32_t low = 0x8B; low <= 0xFFF; ++low) {
        unnamed.push_back(low);
    }
    for (const uint32_t low : unnamed) {
        EXPECT_EQ(u"<none>", Name(0x80041000 | low)) << std::hex << low;
    }
}

// The connect flags depend on whether Windows is 5.1 or later; the test asks for each version
// without reloading the library.
TEST(OsVersion, FiveOneAndLaterCountAsLater)
{
    const struct {
        DWORD major;
        DWORD minor;
        bool later;
    } versions[] = {{4, 10, false}, {5, 0, false}, {5, 1, true}, {5, 2, true},
                    {6, 0, true},   {6, 2, true},  {10, 0, true}};
    for (const auto& version : versions) {
        PalSetWindowsVersion(version.major, version.minor, 1000);
        EXPECT_EQ(version.later, IsOsVersion51OrLater()) << version.major << "." << version.minor;
    }
    PalSetWindowsVersion(6, 2, 9200);
}
