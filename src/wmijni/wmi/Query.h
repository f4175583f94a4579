// WQL query execution: every object is fetched during the query and buffered in a result set.
#pragma once

#include "platform/ComHolders.h"
#include "platform/platform.h"
#include "wmi/ErrorCodes.h"
#include "wmi/WmiObjectEnum.h"
#include "wmi/WmiService.h"

namespace wmibridge {

// Objects asked for per IEnumWbemClassObject::Next, and the wait for each batch.
constexpr ULONG kQueryBatchSize = 10;
constexpr LONG kQueryBatchTimeoutMs = 10000;

// ExecQuery of `query` with `flags` on the session, the enumerator secured with the session's
// credentials as the services proxy was. Any result of ExecQuery but S_OK fails (mapped); so does a
// failed securing, which releases the enumerator. `secured`, when given, receives the result of
// securing.
ErrorCode OpenQuery(const CRefPtr<CWmiService>& session, const WCHAR* query, LONG flags,
                    CComRef<IEnumWbemClassObject>& enumerator, HRESULT* secured = nullptr) noexcept;

// ExecNotificationQuery of the event query `query` on the session with
// WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY (the only flags WMI serves it with), the
// enumerator secured as OpenQuery secures it; failures as OpenQuery's.
ErrorCode OpenNotificationQuery(const CRefPtr<CWmiService>& session, const WCHAR* query,
                                CComRef<IEnumWbemClassObject>& enumerator) noexcept;

// Runs `query` forward-only on the session, secures the enumerator with the session's
// credentials and collects every object into `set` (filled in place; it stays empty when the
// query matched nothing, see ResultSetOf). A batch that does not arrive within the wait ends the
// collection successfully with what arrived so far.
ErrorCode ServiceExecQuery(const CRefPtr<CWmiService>& session, const WCHAR* query,
                           CRefPtr<CWmiObjectEnum>& set) noexcept;

}  // namespace wmibridge
