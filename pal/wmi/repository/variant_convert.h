// Conversion between stored values and VARIANTs: WMI's automation mapping for Get, and the
// coercions that Put accepts.
#pragma once

#include <wbemidl.h>

#include "repository/value.h"

namespace pal::wmi {

// Fills `out` (which must be clear) with the value of a property of CIM type `type`. Embedded
// objects come out as new COM objects (VT_UNKNOWN); raw values come out exactly as stored.
HRESULT ValueToVariant(CIMTYPE type, const Value& value, VARIANT* out);

// Converts a VARIANT written to a property of CIM type `type`, as Put with CIM type 0 does:
// VT_NULL, VT_EMPTY or a null `in` clear the value; numbers of any width are taken when the
// property's type holds them; 64-bit properties take decimal text; an embedded object that would
// nest deeper than kMaxObjectLevels is WBEM_E_INVALID_PARAMETER; anything else is
// WBEM_E_TYPE_MISMATCH.
HRESULT VariantToValue(CIMTYPE type, const VARIANT* in, Value* out);

// The CIM type that a new property of a class object gets from a VARIANT when Put names none.
CIMTYPE CimTypeOfVariant(const VARIANT* value);

// True for DMTF date-time text (yyyymmddHHMMSS.mmmmmmsUUU, `*` for unused fields) and intervals
// (ddddddddHHMMSS.mmmmmm:000).
bool IsDmtfDatetime(std::u16string_view text);

}  // namespace pal::wmi
