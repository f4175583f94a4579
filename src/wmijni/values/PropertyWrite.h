// Writing property values into the native copy of a WMI object. Nothing here writes an instance
// back to WMI: a written object serves as method input or as an embedded value.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "wmi/ErrorCodes.h"
#include "wmi/WmiObject.h"

namespace wmibridge {

// IWbemClassObject::Put with flags 0 and CIM type 0, so the class's own type of the property
// applies. 87 for an empty handle, 4312 for a wrapper without object. `value` is left as it is.
ErrorCode ObjectPutProperty(const CRefPtr<CWmiObject>& object, const WCHAR* name, VARIANT* value) noexcept;

// Fills `value` (which must be clear) with `number` as the VARIANT type `type`: the low 8, 16 or
// 32 bits for the integer types, the nearest float or double for VT_R4 and VT_R8, VARIANT_TRUE
// for any non-zero VT_BOOL, and decimal text in a VT_BSTR for VT_I8 and VT_UI8. 87 (and `value`
// untouched) for any other type.
ErrorCode FillVariantAsType(VARIANT* value, VARTYPE type, int64_t number) noexcept;

}  // namespace wmibridge
