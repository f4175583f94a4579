// Test control: raw values of instances stored in the local repository.
#pragma once

#include <wbemidl.h>

// Stores a copy of `value`, whatever its tag, as the value of `property` of the stored instance at
// `objectPath` (for example `Test_AllTypes.Name="raw"`) in `nameSpace`. Every object later
// delivered for that instance returns exactly this value. WBEM_E_NOT_FOUND for an unknown
// instance or property, WBEM_E_INVALID_OBJECT_PATH for a path that cannot be parsed.
PALAPI HRESULT PalWmiPutRawInstanceValue(LPCWSTR nameSpace, LPCWSTR objectPath, LPCWSTR property,
                                         const VARIANT* value);

// The log of IWbemClassObject::Put is kept only while a test has switched it on: it is off at
// start and after PalWmiResetAll, and switching it off empties it.
PALAPI void PalWmiRecordPuts(BOOL on);
// The last value passed to IWbemClassObject::Put for a property name (of any object) while the
// log was on, as its VARIANT type and a UTF-8 description: numbers in decimal (booleans as their
// 16 bits unsigned), strings as their characters or "<null>", interfaces as "<object>" or
// "<null>", arrays as "[e1,e2,...]". FALSE when no Put of that name was logged since the log was
// cleared.
PALAPI BOOL PalWmiLastPut(LPCWSTR property, VARTYPE* type, char* text, ULONG textSize);
PALAPI void PalWmiClearPutLog(void);
