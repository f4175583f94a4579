// COM process security: fixed once per process, by CoInitializeSecurity or, when a proxy is made
// before anyone called it, by COM itself with default levels.
#pragma once

#include <objbase.h>

namespace pal::services {

struct SecurityLevels {
    DWORD authnLevel;
    DWORD impLevel;
};

// The process levels; fixes the defaults (connect, identify) when nothing fixed them yet, as COM
// does when the first proxy is unmarshalled.
SecurityLevels FixProcessSecurity();

void ResetProcessSecurity();

}  // namespace pal::services
