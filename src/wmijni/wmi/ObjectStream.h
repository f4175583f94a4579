// CWmiObjectStream: a query whose objects the caller fetches batch by batch, each with a time-out
// of its own, instead of having them all buffered by the query call; or an event subscription,
// whose events are fetched the same way. It holds the enumerator and a reference to the session
// it runs on; releasing the enumerator cancels what the query has not delivered yet, or the
// subscription.
#pragma once

#include <atomic>
#include <vector>

#include "platform/ComHolders.h"
#include "platform/platform.h"
#include "wmi/ComApartment.h"
#include "wmi/ErrorCodes.h"
#include "wmi/RefPtr.h"
#include "wmi/WmiObject.h"
#include "wmi/WmiService.h"

namespace wmibridge {

// Most objects one batch asks WMI for, whatever room the caller offers.
constexpr ULONG kMaxStreamBatch = 1024;

class CWmiObjectStream final : public CRefCounted {
public:
    CWmiObjectStream(CRefPtr<CWmiService> session, CComRef<IEnumWbemClassObject> enumerator) noexcept;

    IEnumWbemClassObject* Enumerator() const { return m_enumerator.Get(); }

    // The object the start of the stream fetched ahead, or null; each is taken once.
    IWbemClassObject* TakeFetchedAhead() noexcept { return m_fetchedAhead.exchange(nullptr); }
    void KeepFetchedAhead(IWbemClassObject* object) noexcept { m_fetchedAhead.store(object); }

    // A failure that Next reported after a batch had an object to hand out: that batch succeeds,
    // and the next one reports the failure. Each is taken once; S_OK when there is none.
    HRESULT TakePendingFailure() noexcept { return m_pendingFailure.exchange(S_OK); }
    void KeepPendingFailure(HRESULT failure) noexcept { m_pendingFailure.store(failure); }

    ~CWmiObjectStream();

private:
    // Declared first so that it is destroyed last: COM is given back after everything is released.
    CComInitHold m_apartment;
    CRefPtr<CWmiService> m_session;
    CComRef<IEnumWbemClassObject> m_enumerator;
    // Owns one reference while set.
    std::atomic<IWbemClassObject*> m_fetchedAhead{nullptr};
    std::atomic<HRESULT> m_pendingFailure{S_OK};
};

// Starts `query` on the session with WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY, its
// enumerator secured like the buffered query's; `stream` then holds the new stream. Codes as for
// ServiceExecQuery. WMI takes such a query without looking at it and reports what is wrong with
// it (an unknown class, a bad property, bad syntax) from Next; so the start asks for the first
// object without waiting: a failure WMI already knows fails the start with its code, and an object
// already at hand is kept for the first batch. A failure WMI finds later comes from a batch.
ErrorCode ServiceExecQueryStreaming(const CRefPtr<CWmiService>& session, const WCHAR* query,
                                    CRefPtr<CWmiObjectStream>& stream) noexcept;

// Subscribes to the events of the event query `query` on the session (ExecNotificationQuery,
// semisynchronous), its enumerator secured like the buffered query's; `stream` then holds the
// subscription, whose events come in batches as a stream's objects do. Codes as for
// ServiceExecQuery.
ErrorCode ServiceExecNotificationQuery(const CRefPtr<CWmiService>& session, const WCHAR* query,
                                       CRefPtr<CWmiObjectStream>& stream) noexcept;

struct StreamBatch {
    // What IEnumWbemClassObject::Next answered, unchanged.
    HRESULT result = WBEM_S_NO_ERROR;
    // One wrapper per object delivered, in order; none when Next failed.
    std::vector<CRefPtr<CWmiObject>> objects;
    // A wrapper could not be made: every object of the batch has been released.
    bool outOfMemory = false;
};

// One Next on the stream, waiting at most `timeoutMs` (WBEM_INFINITE: without limit), for up to
// `count` objects (at most kMaxStreamBatch). An empty stream reference gives
// WBEM_E_INVALID_PARAMETER without calling WMI.
StreamBatch StreamNextBatch(const CRefPtr<CWmiObjectStream>& stream, LONG timeoutMs, ULONG count) noexcept;

}  // namespace wmibridge
