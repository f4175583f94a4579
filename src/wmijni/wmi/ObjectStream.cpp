#include "wmi/ObjectStream.h"

#include <new>
#include <utility>

#include "wmi/Query.h"

namespace wmibridge {

CWmiObjectStream::CWmiObjectStream(CRefPtr<CWmiService> session,
                                   CComRef<IEnumWbemClassObject> enumerator) noexcept
    : m_session(std::move(session)), m_enumerator(std::move(enumerator))
{
}

CWmiObjectStream::~CWmiObjectStream()
{
    IWbemClassObject* ahead = TakeFetchedAhead();
    if (ahead != nullptr) {
        ahead->Release();
    }
}

namespace {

// The stream of an opened enumerator; it owns `fetchedAhead` (may be null) from then on.
ErrorCode MakeStream(const CRefPtr<CWmiService>& session, CComRef<IEnumWbemClassObject> enumerator,
                     IWbemClassObject* fetchedAhead, CRefPtr<CWmiObjectStream>& stream) noexcept
{
    auto* created = new (std::nothrow) CWmiObjectStream(session, std::move(enumerator));
    if (created == nullptr) {
        if (fetchedAhead != nullptr) {
            fetchedAhead->Release();
        }
        return kOutOfMemory;
    }
    created->KeepFetchedAhead(fetchedAhead);
    stream = created;
    return kSuccess;
}

}  // namespace

ErrorCode ServiceExecQueryStreaming(const CRefPtr<CWmiService>& session, const WCHAR* query,
                                    CRefPtr<CWmiObjectStream>& stream) noexcept
{
    CComRef<IEnumWbemClassObject> enumerator;
    const ErrorCode code =
        OpenQuery(session, query, WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY, enumerator);
    if (code != kSuccess) {
        return code;
    }
    IWbemClassObject* first = nullptr;
    ULONG returned = 0;
    const HRESULT hr = enumerator->Next(0, 1, &first, &returned);
    if (returned == 0 || FAILED(hr)) {
        if (first != nullptr) {
            first->Release();
            first = nullptr;
        }
    }
    if (FAILED(hr)) {
        return HResultToCode(hr);
    }
    return MakeStream(session, std::move(enumerator), first, stream);
}

ErrorCode ServiceExecNotificationQuery(const CRefPtr<CWmiService>& session, const WCHAR* query,
                                       CRefPtr<CWmiObjectStream>& stream) noexcept
{
    CComRef<IEnumWbemClassObject> enumerator;
    const ErrorCode code = OpenNotificationQuery(session, query, enumerator);
    if (code != kSuccess) {
        return code;
    }
    return MakeStream(session, std::move(enumerator), nullptr, stream);
}

StreamBatch StreamNextBatch(const CRefPtr<CWmiObjectStream>& stream, LONG timeoutMs, ULONG count) noexcept
{
    StreamBatch batch;
    if (stream.IsEmpty() || stream->Enumerator() == nullptr || count == 0) {
        batch.result = static_cast<HRESULT>(WBEM_E_INVALID_PARAMETER);
        return batch;
    }
    if (count > kMaxStreamBatch) {
        count = kMaxStreamBatch;
    }
    IWbemClassObject* delivered[kMaxStreamBatch] = {};
    ULONG returned = 0;
    const HRESULT pending = stream->TakePendingFailure();
    if (FAILED(pending)) {
        batch.result = pending;
        return batch;
    }
    IWbemClassObject* ahead = stream->TakeFetchedAhead();
    if (ahead == nullptr) {
        batch.result = stream->Enumerator()->Next(timeoutMs, count, delivered, &returned);
    } else {
        delivered[0] = ahead;
        batch.result = WBEM_S_NO_ERROR;
        if (count > 1) {
            // The rest of the batch after the object fetched ahead; Next's answer is the batch's,
            // except a failure: the object fetched ahead is handed out as a batch that ends short
            // of the count without ending the stream, and the next batch fails.
            batch.result = stream->Enumerator()->Next(timeoutMs, count - 1, delivered + 1, &returned);
            if (FAILED(batch.result)) {
                stream->KeepPendingFailure(batch.result);
                batch.result = WBEM_S_TIMEDOUT;  // more to ask for: the caller comes back for it
                for (ULONG i = 1; i <= returned && i < count; ++i) {
                    if (delivered[i] != nullptr) {
                        delivered[i]->Release();  // a failed Next hands nothing out
                        delivered[i] = nullptr;
                    }
                }
                returned = 0;
            }
        }
        returned = (returned < count - 1 ? returned : count - 1) + 1;
    }
    if (returned > count) {
        returned = count;
    }
    try {
        batch.objects.reserve(returned);
    } catch (const std::bad_alloc&) {
        batch.outOfMemory = true;
    }
    for (ULONG i = 0; i < returned; ++i) {
        if (delivered[i] == nullptr) {
            continue;
        }
        CRefPtr<CWmiObject> object;
        if (!batch.outOfMemory && Wrap(object, delivered[i])) {
            batch.objects.push_back(std::move(object));  // within the reserved room: never throws
        } else {
            batch.outOfMemory = true;
        }
        delivered[i]->Release();
    }
    if (batch.outOfMemory || FAILED(batch.result)) {
        batch.objects.clear();  // a failed Next hands nothing out, whatever it delivered
    }
    return batch;
}

}  // namespace wmibridge
