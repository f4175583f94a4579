// The bridge's exports bound to the library this program is linked with, as LoadBridge binds them
// from the DLLs on Windows.
#pragma once

#include "BridgeExports.h"

namespace scenario {

BridgeExports LinkedBridge();

}  // namespace scenario
