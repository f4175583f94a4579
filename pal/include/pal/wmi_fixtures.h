// MOF fixtures of the WMI emulator: classes and instances loaded from MOF files into the local
// machine's repository, beside the shipped namespaces, into the namespaces the MOF names
// (`#pragma namespace`). A fixture may declare again a class that is there already, a live class
// of root\cimv2 included: its declaration and instances then take the class's place.
//
// Fixtures load at start from the files and folders named by the environment variable
// WMIBRIDGE_MOF and by PalWmiAddStartupMof, and at run time with PalWmiLoadMofFile; a folder
// stands for its `*.mof` files in the order of their names. Each load is all or nothing: a MOF
// error stops it with the file, the line and the reason, and leaves the repository as it was.
//
// Plain C functions, so that a Java library can hand them to Java code. Paths and texts are
// UTF-8; paths in a list are separated by ':'.
#pragma once

#include <objbase.h>

// Where and why a load failed.
#define PAL_MOF_TEXT_SIZE 1024
typedef struct PalMofError {
    char source[PAL_MOF_TEXT_SIZE];  // the file, or empty (NUL-terminated, truncated when longer)
    LONG line;                       // 0 when the failure concerns no line
    char reason[PAL_MOF_TEXT_SIZE];
} PalMofError;

// Adds files and folders to those loaded at start (after those of WMIBRIDGE_MOF). Before the
// emulator starts (its first connect) they are only noted, and a failure shows when it starts: the
// startup fixtures are then left out, the failure goes to standard error and connecting to the
// local machine fails with WBEM_E_INITIALIZATION_FAILURE. After the start they load at once, all
// or nothing, with the result and `error` of that load. Either way they are part of what a reset
// restores.
PALAPI HRESULT PalWmiAddStartupMof(const char* paths, PalMofError* error);

// Why the startup fixtures did not load: FALSE when they did (or there were none).
PALAPI BOOL PalWmiStartupMofError(PalMofError* error);

// Loads the MOF of a file or folder as one fixture; declarations go into `defaultNamespace` (null:
// root\default) until a `#pragma namespace` names another. `fixture` receives the number that
// unloads it. WBEM_E_INVALID_SYNTAX for a MOF error and WBEM_E_NOT_FOUND for a path that cannot
// be read, with `error` filled.
PALAPI HRESULT PalWmiLoadMofFile(const char* path, const char* defaultNamespace, LONGLONG* fixture,
                                 PalMofError* error);
// The same for MOF text; `name` is the source that errors name (may be null).
PALAPI HRESULT PalWmiLoadMofFixtureText(const char* mofText, const char* name, const char* defaultNamespace,
                                        LONGLONG* fixture, PalMofError* error);
// Puts the repository back to what it was before the fixture, with the fixtures loaded since
// loaded again (instances put since then are gone). WBEM_E_NOT_FOUND for a fixture that is not
// loaded; the failure of a later fixture that does not load without this one, with nothing
// changed.
PALAPI HRESULT PalWmiUnloadMof(LONGLONG fixture, PalMofError* error);
