#include "wmi/ObjectStream.h"

#include <new>
#include <utility>

#include "wmi/Query.h"

namespace wmiprov {

CWmiObjectStream::CWmiObjectStream(CRefPtr<CWmiService> session,
                                   CComPtr<IEnumWbemClassObject> enumerator) noexcept
    : m_session(std::move(session)), m_enumerator(std::move(enumerator))
{
}

namespace {

// The stream of an opened enumerator.
bool MakeStream(const CRefPtr<CWmiService>& session, CComPtr<IEnumWbemClassObject> enumerator,
                CRefPtr<CWmiObjectStream>& stream, ErrorCode& code) noexcept
{
    auto* created = new (std::nothrow) CWmiObjectStream(session, std::move(enumerator));
    if (created == nullptr) {
        code = kOutOfMemory;
        return false;
    }
    stream = created;
    return true;
}

}  // namespace

bool ServiceExecQueryStreaming(const CRefPtr<CWmiService>& session, const WCHAR* query,
                               CRefPtr<CWmiObjectStream>& stream, ErrorCode& code) noexcept
{
    CComPtr<IEnumWbemClassObject> enumerator;
    return OpenQuery(session, query, WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY, enumerator,
                     code) &&
           MakeStream(session, std::move(enumerator), stream, code);
}

bool ServiceExecNotificationQuery(const CRefPtr<CWmiService>& session, const WCHAR* query,
                                  CRefPtr<CWmiObjectStream>& stream, ErrorCode& code) noexcept
{
    CComPtr<IEnumWbemClassObject> enumerator;
    return OpenNotificationQuery(session, query, enumerator, code) &&
           MakeStream(session, std::move(enumerator), stream, code);
}

StreamBatch StreamNextBatch(const CRefPtr<CWmiObjectStream>& stream, LONG timeoutMs, ULONG count) noexcept
{
    StreamBatch batch;
    if (stream.IsEmpty() || stream->Enumerator() == nullptr || count == 0) {
        batch.result = static_cast<HRESULT>(0x80041008);  // WBEM_E_INVALID_PARAMETER
        return batch;
    }
    if (count > kMaxStreamBatch) {
        count = kMaxStreamBatch;
    }
    IWbemClassObject* delivered[kMaxStreamBatch] = {};
    ULONG returned = 0;
    batch.result = stream->Enumerator()->Next(timeoutMs, count, delivered, &returned);
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
        if (!batch.outOfMemory && Attach(object, delivered[i])) {
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

}  // namespace wmiprov
