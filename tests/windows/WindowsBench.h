// The Windows DLL's benchmark: a Win32_Process query walked and read through the exports against
// the same work in direct COM calls. Run only by `scenario_host <dir> --bench` (scripts/bench.sh);
// the scenarios time nothing.
#pragma once

#include "BridgeExports.h"

namespace scenario {

// Prints the figure (a FIGURE line, as scripts/bench.sh collects them); 0 when it could be made.
int RunWindowsBench(const BridgeExports& exports);

}  // namespace scenario
