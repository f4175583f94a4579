// MOF text of the values a capture writes, made so that a MOF compiler reads back exactly what
// was captured: integers in decimal over the full 64 bits, reals with the fewest digits that read
// back to the same bits, and every character of a string or char16 that is not plainly printable
// as an escape. None of it consults the process locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "text/Utf8.h"

namespace wmicapture {

// Text is UTF-16 on every platform: WMI's own strings are, and the file is UTF-8 only when written.
using Text = std::u16string;
using TextView = std::u16string_view;

// The text of a NUL-terminated UTF-16 string of the platform (null reads as empty).
TextView ViewOf(const WCHAR* text);
// The platform's pointer to the units of a text, for calls that take `const WCHAR*`.
inline const WCHAR* Units(const Text& text)
{
    return reinterpret_cast<const WCHAR*>(text.c_str());
}

// Appends a quoted MOF string: `\"` and `\\` escaped, tab, line feed, carriage return, backspace
// and form feed by name, other control characters, lone surrogates and noncharacters as `\xHHHH`.
void AppendString(Text& out, TextView value);
// Appends a quoted char16: `'a'`, or an escape as in strings (`'\''`, `'\x0000'`).
void AppendChar16(Text& out, char16_t value);
void AppendSigned(Text& out, std::int64_t value);
void AppendUnsigned(Text& out, std::uint64_t value);
// Appends a real with a decimal point or an exponent, so that it reads as a real and not as an
// integer, in the fewest digits that read back to the same bits. False (nothing appended) for NaN
// and the infinities, which MOF cannot write.
bool AppendReal64(Text& out, double value);
// A real32 reads back through a double: its digits are the fewest for which the double they
// denote narrows to the same float.
bool AppendReal32(Text& out, float value);

// True for a CIM datetime: `yyyymmddHHMMSS.mmmmmmsUUU` (s `+` or `-`) or an interval
// `ddddddddHHMMSS.mmmmmm:000`, digits or `*`. A MOF compiler refuses any other text as a datetime.
bool IsCimDatetime(TextView text);

// Appends ` : ToInstance Restricted DisableOverride Amended` for the flavor bits that differ from
// MOF's default (ToSubclass, EnableOverride); nothing when none does.
void AppendFlavor(Text& out, LONG flavor);

using wmibridge::text::FromUtf8;
using wmibridge::text::ToUtf8;
// Upper-cased ASCII letters, for comparing WMI names without regard to case.
Text Folded(TextView name);
bool SameName(TextView a, TextView b);

}  // namespace wmicapture
