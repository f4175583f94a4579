// WMI status codes as HRESULTs: the WBEMSTATUS enumeration holds them as unsigned values.
#pragma once

#include <wbemidl.h>

namespace pal::wql {

constexpr HRESULT AsHresult(WBEMSTATUS status) noexcept
{
    return static_cast<HRESULT>(status);
}

}  // namespace pal::wql
