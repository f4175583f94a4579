// A property value as IWbemClassObject::Get gives it (VARIANT and CIM type), taken apart for the
// comparisons of WHERE clauses and object-path keys.
#pragma once

#include <wbemidl.h>

#include <string>

#include "wql/value.h"

namespace pal::wql {

struct PropertyValue {
    Value value;             // kind Null for a NULL value
    bool comparable = true;  // false for arrays, embedded objects and unknown VARIANT types
    bool character = false;  // char16, held as an Integer code unit
};

// Reads the VARIANT by its CIM type: sint64/uint64 text becomes an Integer, uint32 held in VT_I4
// is read unsigned, datetimes and references are strings.
PropertyValue ToPropertyValue(const VARIANT& variant, CIMTYPE type);

// `property op constant` by WMI's rules (see query.h). LIKE takes a String constant. Values that
// cannot be compared (NULL, arrays, a non-numeric string against a number, ordering of booleans)
// give false.
bool Compare(const PropertyValue& property, CompareOp op, const Value& constant);

// Whether a constant can meet a property of the CIM type with the operator; ValidateQuery
// refuses the query otherwise.
bool IsComparable(CIMTYPE type, CompareOp op, const Value& constant);

}  // namespace pal::wql
