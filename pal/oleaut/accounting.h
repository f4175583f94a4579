// Internal accounting of the platform layer: live objects by kind and allocation faults.
#pragma once

#include <pal/testing.h>

namespace pal {

// Exported so that COM objects defined by tests (fakes built on ComObject) are counted too.
__attribute__((visibility("default"))) void CountCreated(PalObjectKind kind);
__attribute__((visibility("default"))) void CountDestroyed(PalObjectKind kind);

// True when a test asked this call of the faulted operation to fail; consumes one failure.
bool TakeFault(PalFault fault);

// Tells the accounting that a thread's COM initialisation depth changed by delta.
void AddApartmentDepth(LONG delta);

// Stops the process with a message: a caller broke a platform rule that Windows would answer
// with heap corruption (freeing a pointer that is not a BSTR, for example).
[[noreturn]] void Fatal(const char* what);

}  // namespace pal
