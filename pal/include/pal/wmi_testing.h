// Test controls of the WMI emulator's repository: load MOF text, reset the shipped content and
// store raw values that WMI itself never returns.
//
// Plain C functions, so that C++ tests call them directly and a test-only JNI library can hand
// the same controls to Java tests.
#pragma once

#include <wbemidl.h>

// Loads MOF text into the local repository. Declarations go into `defaultNamespace` (null means
// root\default) until a `#pragma namespace` names another. On failure nothing is loaded and, when
// `errorText` is not null, it receives a new BSTR "line N: expected ..." that the caller frees.
PALAPI HRESULT PalWmiLoadMof(LPCWSTR mofText, LPCWSTR defaultNamespace, BSTR* errorText);

// Puts the local repository back to its shipped namespaces (root\cimv2, root\default, root\test).
PALAPI void PalWmiResetRepository(void);

// Stores a copy of `value`, whatever its tag, as the value of an existing property of an object
// made by the emulator; Get then returns exactly that value. WBEM_E_NOT_FOUND for a property the
// object lacks, WBEM_E_INVALID_PARAMETER for a foreign object or a null argument.
PALAPI HRESULT PalWmiPutRawValue(IWbemClassObject* object, LPCWSTR name, const VARIANT* value);
