// Test controls of the platform layer: accounts of live objects and allocation faults.
//
// Plain C functions with integer arguments, so that the C++ tests call them directly and a
// test-only JNI library can hand the same controls to Java tests.
#pragma once

#include <winnt.h>

// Kinds of live objects that the platform layer counts.
enum PalObjectKind {
    PAL_KIND_BSTR = 0,
    PAL_KIND_SAFEARRAY,
    PAL_KIND_TASKMEM,            // blocks from CoTaskMemAlloc not yet freed
    PAL_KIND_COM_OBJECT,         // every COM object of the platform layer, whatever its kind
    PAL_KIND_WBEM_CLASS_OBJECT,  // IWbemClassObject of a class
    PAL_KIND_WBEM_INSTANCE,      // IWbemClassObject of an instance
    PAL_KIND_WBEM_QUALIFIER_SET,
    PAL_KIND_WBEM_LOCATOR,
    PAL_KIND_WBEM_SERVICES,
    PAL_KIND_WBEM_ENUMERATOR,
    PAL_KIND_CLIENT_SECURITY,
    PAL_KIND_MESSAGE_MODULE,  // modules loaded with LoadLibraryExW
    PAL_KIND_KERNEL_HANDLE,   // tokens and other handles closed with CloseHandle
    PAL_KIND_REGISTRY_KEY,
    PAL_KIND_IMPERSONATION,  // threads that currently impersonate
    PAL_KIND_EVENT_POLLER,   // threads that poll for the events of a subscription
    PAL_KIND_WBEM_CONTEXT,
    PAL_KIND_COUNT
};

// Allocations that a test can make fail.
enum PalFault {
    PAL_FAULT_SYSALLOCSTRING = 0,  // SysAllocString, SysAllocStringLen, SysAllocStringByteLen
    PAL_FAULT_SAFEARRAY_CREATE,    // SafeArrayCreate, SafeArrayCreateVector, SafeArrayCopy
    PAL_FAULT_TASKMEM_ALLOC,       // CoTaskMemAlloc, CoTaskMemRealloc
    PAL_FAULT_COUNT
};

// Number of live objects of a kind, over all threads.
PALAPI LONG PalLiveCount(int kind);

// COM initialisation depth of the calling thread (0: not initialised) and its apartment:
// COINIT_MULTITHREADED or COINIT_APARTMENTTHREADED, or -1 when not initialised.
PALAPI LONG PalApartmentDepth(void);
PALAPI LONG PalApartmentMode(void);
// Sum of the initialisation depths of all live threads.
PALAPI LONG PalApartmentDepthTotal(void);

// The next `count` calls of the faulted operation fail as the platform reports an allocation
// failure; 0 switches the fault off.
PALAPI void PalFailNext(int fault, LONG count);
// The next `spared` calls of the faulted operation succeed, then `count` calls fail.
PALAPI void PalFailAfter(int fault, LONG spared, LONG count);
// Switches every fault of the platform layer off.
PALAPI void PalResetFaults(void);

// Nonzero when nothing of any kind is alive and no thread holds a COM initialisation. The text
// names what is still alive; it stays valid until the next call.
PALAPI BOOL PalNothingAlive(const char** what);

// The Windows version that GetVersionExW reports (6.2.9200, as Windows reports it to programs without a
// compatibility manifest, unless a test chose another).
PALAPI void PalSetWindowsVersion(DWORD major, DWORD minor, DWORD build);

// ---- Wiping: what freed memory still held -------------------------------------------------
//
// While a text is watched, every BSTR and every CoTaskMem block is searched for the text's UTF-16
// units just before it is freed, and so is every block a test program hands to PalCheckFreedBlock
// (the test programs do that from a replacement operator delete[], which sees the libraries' own
// heap copies). PalFreedTextSightings counts the freed blocks that still held the text, or either
// half of it, since the watch began. A null or empty text ends the watch.
PALAPI void PalWatchFreedText(const WCHAR* text);
PALAPI LONG PalFreedTextSightings(void);
PALAPI void PalCheckFreedBlock(const void* block, SIZE_T bytes);
