// Length, search and copy on NUL-terminated UTF-16 text. The libraries use these instead of the C
// library's wide-character functions, whose character type is 32-bit off Windows.
#pragma once

#include <cstddef>

#include "platform/platform.h"

namespace wmibridge::text {

// Number of units before the terminating NUL.
inline size_t Length(const WCHAR* text)
{
    size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

// First occurrence of `unit` in `text`, or null.
inline const WCHAR* Find(const WCHAR* text, WCHAR unit)
{
    for (; *text != 0; ++text) {
        if (*text == unit) {
            return text;
        }
    }
    return nullptr;
}

// Number of units before the first `unit`, or the whole length when it does not occur.
inline size_t SpanExcluding(const WCHAR* text, WCHAR unit)
{
    size_t length = 0;
    while (text[length] != 0 && text[length] != unit) {
        ++length;
    }
    return length;
}

// Copies `count` units and a terminating NUL; `target` holds at least count + 1 units.
inline void CopyN(WCHAR* target, const WCHAR* source, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        target[i] = source[i];
    }
    target[count] = 0;
}

// True when the `count` units hold a NUL with anything but NULs after it: read as NUL-terminated
// text, they would silently lose that part. Text that only ends in NULs, as text taken from a
// fixed-size buffer often does, loses nothing.
inline bool LosesTextAfterNul(const WCHAR* units, size_t count)
{
    size_t at = 0;
    while (at < count && units[at] != 0) {
        ++at;
    }
    while (at < count && units[at] == 0) {
        ++at;
    }
    return at < count;
}

// The same for the Java string views of the libraries (Chars() and Length(), -1 for null): true
// when any of them would lose text. The exports refuse such arguments with 87.
template <class... Views>
bool AnyLosesTextAfterNul(const Views&... views)
{
    return ((views.Chars() != nullptr && views.Length() > 0 &&
             LosesTextAfterNul(views.Chars(), static_cast<size_t>(views.Length()))) ||
            ...);
}

}  // namespace wmibridge::text
