// Test control: raw values of instances stored in the local repository.
#pragma once

#include <wbemidl.h>

// Stores a copy of `value`, whatever its tag, as the value of `property` of the stored instance at
// `objectPath` (for example `Test_AllTypes.Name="raw"`) in `nameSpace`. Every object later
// delivered for that instance returns exactly this value. WBEM_E_NOT_FOUND for an unknown
// instance or property, WBEM_E_INVALID_OBJECT_PATH for a path that cannot be parsed.
PALAPI HRESULT PalWmiPutRawInstanceValue(LPCWSTR nameSpace, LPCWSTR objectPath, LPCWSTR property,
                                         const VARIANT* value);
