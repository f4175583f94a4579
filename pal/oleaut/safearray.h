// SAFEARRAY element types and sizes shared by the SAFEARRAY and VARIANT functions.
#pragma once

#include <oleauto.h>

namespace pal {

// Size in bytes of one element of a SAFEARRAY of vt, or 0 when vt cannot be an element type.
ULONG SafeArrayElementSize(VARTYPE vt);

}  // namespace pal
