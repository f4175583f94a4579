// The system properties that every class object and instance reports: __GENUS, __CLASS,
// __SUPERCLASS, __DYNASTY, __RELPATH, __PROPERTY_COUNT, __DERIVATION, __SERVER, __NAMESPACE and
// __PATH, computed from the object's data.
#pragma once

#include <wbemidl.h>

#include <string>
#include <string_view>
#include <vector>

#include "repository/object_data.h"

namespace pal::wmi {

const std::vector<std::u16string>& SystemPropertyNames();
// Fills `value` (when not null) and `type` (when not null); WBEM_E_NOT_FOUND for a name that is
// not a system property.
HRESULT GetSystemProperty(const ObjectData& data, std::u16string_view name, VARIANT* value, CIMTYPE* type);

}  // namespace pal::wmi
