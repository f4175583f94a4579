// Reading properties of Wine's Win32_OperatingSystem as text, as lists and their qualifiers.
#include <cstdio>

#include "Scenario.h"

using namespace scenario;

namespace {

bool IsDecimal(const std::u16string& text)
{
    if (text.empty()) {
        return false;
    }
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return true;
}

}  // namespace

SCENARIO(properties)
{
    const jlong session = context.ConnectLocal();
    const auto& api = context.api;
    const jlong systems = context.Query(session, u"SELECT * FROM Win32_OperatingSystem");
    const std::vector<jlong> objects = context.Walk(systems);
    api.WmiObjectEnumDestroy(context.env(), nullptr, systems);
    if (!CHECK_EQ(static_cast<int>(objects.size()), 1)) {
        return;
    }
    const jlong system = objects[0];

    // A string.
    const auto caption = context.Property(system, u"Caption");
    std::printf("Caption: %s\n", Printable(caption.value_or(u"(null)")).c_str());
    CHECK(caption.has_value() && caption->find(u"Windows") != std::u16string::npos);
    CHECK_EQ(context.Property(system, u"SystemDrive").value_or(u""), std::u16string(u"C:"));

    // Numbers: a uint32, a uint16 and a uint64 (which WMI hands over as a decimal string).
    CHECK(IsDecimal(context.Property(system, u"OSLanguage").value_or(u"")));
    CHECK_EQ(context.Property(system, u"OSType").value_or(u""), std::u16string(u"18"));  // WINNT
    CHECK(IsDecimal(context.Property(system, u"TotalVisibleMemorySize").value_or(u"")));

    // A boolean reads "1" or "0".
    CHECK_EQ(context.Property(system, u"Primary").value_or(u""), std::u16string(u"1"));

    // The same values as lists: one element each.
    jlong code = 0;
    auto list = context.Values(system, u"SystemDrive", code);
    CHECK_EQ(code, 0);
    CHECK(list.size() == 1 && list[0] == std::u16string(u"C:"));
    list = context.Values(system, u"Primary", code);
    CHECK_EQ(code, 0);
    CHECK(list.size() == 1 && list[0] == std::u16string(u"1"));

    // A property that is not there, as text and as a list.
    jlong missingCode = 0;
    CHECK(!context.Property(system, u"NoSuchProperty", &missingCode).has_value());
    CHECK_EQ(missingCode, kWbemNotFound);
    list = context.Values(system, u"NoSuchProperty", code);
    CHECK_EQ(code, kWbemNotFound);
    CHECK(list.empty());

    // Windows gives every property a CIMTYPE qualifier ("string" for Caption); Wine keeps no
    // qualifiers on class properties and answers WBEM_E_NOT_FOUND.
    jobject qualifierHolder = context.NewHolder();
    jstring cimType = api.WmiObjectGetPropertyQualifierValue(
        context.env(), nullptr, system, context.Text(u"Caption"), context.Text(u"CIMTYPE"), qualifierHolder);
    CHECK(cimType == nullptr);
    CHECK_EQ(context.Received(qualifierHolder).value_or(0), kWbemNotFound);

    // Empty names are refused before WMI sees them.
    jlong emptyCode = 0;
    CHECK(!context.Property(system, u"", &emptyCode).has_value());
    CHECK_EQ(emptyCode, kInvalidParameter);

    api.WmiObjectDestroy(context.env(), nullptr, system);
    api.WmiServiceDisconnectServer(context.env(), nullptr, session);
}
