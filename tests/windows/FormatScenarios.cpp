// Error text of Win32 numbers and of WMI codes.
#include "Scenario.h"

using namespace scenario;

namespace {

std::u16string Format(Context& context, jint code)
{
    jstring text = context.api.Win32Format(context.env(), nullptr, code);
    return text != nullptr ? fakejni::Env::TextOf(text) : u"(null)";
}

bool StartsWith(const std::u16string& text, const std::u16string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

SCENARIO(format)
{
    CHECK_EQ(Format(context, 0), std::u16string());

    // The system's own text for a Win32 number, without a prefix.
    const std::u16string denied = Format(context, 5);
    CHECK(denied.find(u"denied") != std::u16string::npos);
    CHECK(!StartsWith(denied, u"WBEM_E_"));
    CHECK(Format(context, 2).find(u"not found") != std::u16string::npos);

    // WMI codes: the system has no text for them, so the name (or the number) leads. Windows then
    // appends the description from wbem\wmiutils.dll; Wine has no such module, so the prefix
    // stands alone.
    CHECK_EQ(Format(context, static_cast<jint>(0x80041003)), std::u16string(u"WBEM_E_ACCESS_DENIED - "));
    CHECK_EQ(Format(context, static_cast<jint>(0x80041002)), std::u16string(u"WBEM_E_NOT_FOUND - "));
    CHECK_EQ(Format(context, static_cast<jint>(0x8004104A)), std::u16string(u"0x8004104A - "));
}
