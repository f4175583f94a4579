// The process-wide values that the library sets while it loads. They are defined in this one
// file because their initialisers must run in this order: the WMI error-name table first, then the
// operating-system version flag.
#include "errors/WbemErrorNames.h"
#include "wmi/WmiService.h"

namespace wmibridge {

const CWbemErrorNames g_wbemErrorNames;
const bool g_bOsVersion51OrLater = IsOsVersion51OrLater();

}  // namespace wmibridge
