// The symbolic names of the WMI result codes 0x80041000 to 0x800410FF.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace wmibridge {

// The name for the code whose low 12 bits index the table, whatever its other bits are; null for
// an index above 255 or a code without a name. The table is a constant, ready before any export
// can run.
const WCHAR* WbemErrorName(uint32_t code) noexcept;

}  // namespace wmibridge
