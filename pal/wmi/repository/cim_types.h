// CIM types: their MOF names and the VARIANT tags that WMI's automation mapping gives them.
#pragma once

#include <wbemidl.h>

#include <optional>
#include <string>
#include <string_view>

namespace pal::wmi {

inline CIMTYPE ElementType(CIMTYPE type)
{
    return type & ~CIM_FLAG_ARRAY;
}
inline bool IsArrayType(CIMTYPE type)
{
    return (type & CIM_FLAG_ARRAY) != 0;
}

// "sint32", "string", ... for an element type; empty for an unknown one.
std::u16string CimTypeName(CIMTYPE elementType);
// The CIM type of a MOF type name (case-insensitive), without `ref` and arrays.
std::optional<CIMTYPE> ParseCimTypeName(std::u16string_view name);
// The tag that Get gives a scalar of the element type (sint8 -> VT_I2, uint64 -> VT_BSTR, ...).
VARTYPE AutomationType(CIMTYPE elementType);

}  // namespace pal::wmi
