#include "live/cim_datetime.h"

#include <sys/time.h>

#include <cstdio>
#include <cstdlib>

namespace pal::live {

std::u16string CimDatetime(std::time_t seconds, std::int64_t microseconds)
{
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) {
        return {};
    }
    const long offsetMinutes = local.tm_gmtoff / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d.%06lld%c%03ld", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<long long>(microseconds % 1000000), offsetMinutes < 0 ? '-' : '+',
                  std::labs(offsetMinutes) % 1000);
    const std::string narrow(text);
    return std::u16string(narrow.begin(), narrow.end());
}

std::u16string CimDatetimeNow()
{
    timeval now{};
    gettimeofday(&now, nullptr);
    return CimDatetime(now.tv_sec, now.tv_usec);
}

}  // namespace pal::live
