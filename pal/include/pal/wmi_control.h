// Test controls of the WMI emulator's service side: hosts and accounts, COM process security,
// faults and delays of the WMI operations, and what the libraries applied to the proxies.
//
// Plain C functions, so that C++ tests call them directly and a test-only JNI library can hand
// the same controls to Java tests. Names, passwords and other texts are UTF-8.
#pragma once

#include <objbase.h>

// Operations whose calls can be made to fail.
enum PalWmiOperation {
    PAL_WMI_CONNECT_SERVER = 0,       // IWbemLocator::ConnectServer
    PAL_WMI_EXEC_QUERY,               // IWbemServices::ExecQuery
    PAL_WMI_GET_OBJECT,               // IWbemServices::GetObject
    PAL_WMI_EXEC_METHOD,              // IWbemServices::ExecMethod
    PAL_WMI_ENUM_NEXT,                // IEnumWbemClassObject::Next
    PAL_WMI_QUERY_BLANKET,            // IClientSecurity::QueryBlanket, CoQueryProxyBlanket
    PAL_WMI_SET_BLANKET,              // IClientSecurity::SetBlanket, CoSetProxyBlanket
    PAL_WMI_CREATE_INSTANCE,          // CoCreateInstance
    PAL_WMI_INITIALIZE_SECURITY,      // CoInitializeSecurity
    PAL_WMI_EXEC_NOTIFICATION_QUERY,  // IWbemServices::ExecNotificationQuery
    PAL_WMI_OPERATION_COUNT
};

// ---- Everything at once -------------------------------------------------------------------

// Forgets remote hosts and accounts, faults (the allocation faults of pal/testing.h too), delays,
// call counts, recorded blankets and the process security, and puts the local repository back to its shipped
// content. Objects that are still alive keep working with what they had.
PALAPI void PalWmiResetAll(void);

// ---- Hosts and accounts -------------------------------------------------------------------

// The emulated name of the local machine (upper case). The local machine is also reached as ".",
// "localhost" or without a host.
PALAPI const char* PalWmiLocalHostName(void);

// Adds (or replaces) a remote host. With `ownRepository` it serves a repository of its own with
// the shipped namespaces; otherwise it shares the local machine's repository.
PALAPI void PalWmiAddHost(const char* host);
PALAPI void PalWmiAddHostWithOwnRepository(const char* host);
// Adds an account to a remote host. A user given without a domain matches the account of that
// name in any domain. FALSE when the host is unknown.
PALAPI BOOL PalWmiAddAccount(const char* host, const char* domain, const char* user, const char* password,
                             BOOL lockedOut);
// Makes the proxies of a host (or of the local machine: ".") bind without authentication:
// QueryBlanket on them then fails with RPC_S_BINDING_HAS_NO_AUTH and the host does not check
// credentials. FALSE when the host is unknown.
PALAPI BOOL PalWmiSetHostNoAuthentication(const char* host, BOOL noAuthentication);
// Loads MOF text into the repository that a host serves ("." or null: the local machine).
// WBEM_E_NOT_FOUND for an unknown host; otherwise the repository's result. On failure the first
// error text is copied (UTF-8, truncated) into `errorText` when it is not null.
PALAPI HRESULT PalWmiLoadHostMof(const char* host, const char* defaultNamespace, const char* mofText,
                                 char* errorText, ULONG errorTextSize);

// ---- COM process security -----------------------------------------------------------------

// Forgets the process security, as in a new process.
PALAPI void PalResetProcessSecurity(void);
// TRUE when the process security is fixed, with its levels. COM fixes it with the first
// CoInitializeSecurity or, failing that, with default levels when the first proxy is made.
PALAPI BOOL PalProcessSecurity(DWORD* authnLevel, DWORD* impLevel);

// ---- Faults -------------------------------------------------------------------------------

// The `nth` call of the operation from now on (1: the next one) answers `result`. A failure code
// makes the call fail without delivering anything; a success code lets the call do its work and
// then answer that code (for ExecQuery: the enumerator is delivered with a positive code).
PALAPI void PalWmiSetCallResult(int operation, LONG nth, HRESULT result);
// The `nth` call of ConnectServer, GetObject or ExecMethod from now on succeeds without
// delivering an object.
PALAPI void PalWmiSucceedWithoutObject(int operation, LONG nth);
// Calls of the operation since the last reset.
PALAPI LONG PalWmiCallCount(int operation);

// Enumerators of queries on the class deliver `objects` objects; the Next call that would go
// past them fails with `failure` and delivers nothing. A negative count switches it off.
PALAPI void PalWmiFailProviderAfter(const char* className, LONG objects, HRESULT failure);
// The provider of a class takes this long for each object of a query's enumerator; 0 switches
// it off.
PALAPI void PalWmiSetClassDelay(const char* className, ULONG millisecondsPerObject);

// ---- Events -------------------------------------------------------------------------------

// Raises an extrinsic event in a namespace of a host ("." or null: the local machine): a new
// instance of `className`, a class derived from __ExtrinsicEvent, with the named properties set
// from text as their CIM types read it (decimal integers, reals, true/false, text as it is; a null
// value leaves the property NULL). Every subscription of the namespace whose query selects the
// event receives a copy; `delivered`, when not null, receives how many did. WBEM_E_NOT_FOUND for
// an unknown host or property, WBEM_E_INVALID_CLASS for an unknown class, WBEM_E_NOT_EVENT_CLASS
// for a class that is not an extrinsic event, WBEM_E_TYPE_MISMATCH for a value its type cannot
// read.
PALAPI HRESULT PalWmiRaiseEvent(const char* host, const char* nameSpace, const char* className, ULONG count,
                                const char* const* names, const char* const* values, LONG* delivered);
// Deletes the instance at an object path from a host's repository. Subscriptions that poll its
// class see it gone at their next poll.
PALAPI HRESULT PalWmiDeleteInstance(const char* host, const char* nameSpace, const char* objectPath);
// While held, the pollers of intrinsic events wait instead of polling; releasing lets each poll as
// soon as its interval has passed. PalWmiResetAll releases them.
PALAPI void PalWmiHoldEventPolls(BOOL hold);
// Polls begun by all subscriptions since the last reset. A poll counts before it reads the
// instances, so an event it finds is never seen before it is counted.
PALAPI LONG PalWmiEventPollCount(void);

// ---- Proxies and their blankets -----------------------------------------------------------

#define PAL_BLANKET_TEXT_SIZE 256

// A proxy's security blanket as last set, with copies of the identity's texts.
typedef struct PalBlanket {
    BOOL wasSet;    // SetBlanket or CoSetProxyBlanket succeeded on the proxy
    LONG setCount;  // how often
    DWORD authnService;
    DWORD authzService;
    BOOL hasPrincipal;
    DWORD authnLevel;
    DWORD impLevel;
    DWORD capabilities;
    BOOL hasIdentity;  // an identity record was given
    ULONG identityFlags;
    WCHAR user[PAL_BLANKET_TEXT_SIZE];  // NUL-terminated copies, truncated when longer
    WCHAR domain[PAL_BLANKET_TEXT_SIZE];
    WCHAR password[PAL_BLANKET_TEXT_SIZE];
} PalBlanket;

// The blanket of the most recently made proxy of a kind (PAL_KIND_WBEM_SERVICES or
// PAL_KIND_WBEM_ENUMERATOR), also after the proxy was released. FALSE when there was none since
// the last reset.
PALAPI BOOL PalWmiLastBlanket(int proxyKind, PalBlanket* blanket);
// The blanket of a live proxy. FALSE when it is not a proxy of the emulator.
PALAPI BOOL PalWmiProxyBlanket(IUnknown* proxy, PalBlanket* blanket);
