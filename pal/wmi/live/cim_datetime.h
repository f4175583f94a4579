// Times in WMI's text form `yyyymmddHHMMSS.mmmmmmsUUU`: local time with microseconds and the
// offset from UTC in minutes.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "repository/internal_api.h"

namespace pal::live {

// The local time of a moment given as seconds and microseconds since the epoch.
PAL_INTERNAL_API std::u16string CimDatetime(std::time_t seconds, std::int64_t microseconds);
// The current local time.
std::u16string CimDatetimeNow();

}  // namespace pal::live
