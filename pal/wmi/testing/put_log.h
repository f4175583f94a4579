// A log of what callers pass to IWbemClassObject::Put, kept as plain text so that tests can check
// the exact VARIANT a library built (its type and value) without holding on to any of it.
#pragma once

#include <wbemidl.h>

#include <string_view>

namespace pal::wmi {

// Records the value of a Put before the object looks at it, while a test has switched the log on;
// the last Put of a name wins. The log observes the class objects' puts while it is on.
void RecordPut(std::u16string_view name, const VARIANT* value) noexcept;
// Switches the log on or off; switching it off forgets what it holds.
void RecordPuts(bool on) noexcept;
void ClearPutLog() noexcept;

}  // namespace pal::wmi
