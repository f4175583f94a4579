// The symbolic names of the WMI result codes 0x80041000 to 0x800410FF.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace wmibridge {

class CWbemErrorNames {
public:
    static constexpr int kSlots = 256;

    CWbemErrorNames() noexcept;

    // The name for the code whose low 12 bits index the table, whatever its other bits are; null
    // for an index above 255 or an empty slot.
    const WCHAR* Lookup(uint32_t code) const noexcept;

private:
    const WCHAR* m_names[kSlots];
};

// The process-wide table, built while the library loads, before any export can run.
extern const CWbemErrorNames g_wbemErrorNames;

}  // namespace wmibridge
