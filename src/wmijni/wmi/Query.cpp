#include "wmi/Query.h"

#include <algorithm>
#include <utility>

#include "platform/ComHolders.h"

namespace wmibridge {
namespace {

// ExecQuery, or ExecNotificationQuery, and the securing of the enumerator that either gives.
ErrorCode OpenEnumerator(const CRefPtr<CWmiService>& session, const WCHAR* query, LONG flags,
                         bool notification, CComRef<IEnumWbemClassObject>& enumerator,
                         HRESULT* secured) noexcept
{
    if (session.IsEmpty() || session->Services() == nullptr) {
        return kInvalidParameter;
    }
    const CBstr language(W("WQL"));
    CBstr queryText(query);
    if (language.Get() == nullptr || queryText.Get() == nullptr) {
        return kOutOfMemory;
    }
    IWbemServices* services = session->Services();
    HRESULT hr = notification
                     ? services->ExecNotificationQuery(language.Get(), queryText.Get(), flags, nullptr,
                                                       enumerator.Put())
                     : services->ExecQuery(language.Get(), queryText.Get(), flags, nullptr, enumerator.Put());
    if (hr != WBEM_S_NO_ERROR) {
        // A success code other than S_OK (for example WBEM_S_FALSE) counts as a failure as well.
        enumerator.Reset();
        return HResultToCode(hr);
    }
    hr = SecureProxy(enumerator.Get(), session->User(), session->Password(), session->Identity().Get());
    if (secured != nullptr) {
        *secured = hr;
    }
    if (FAILED(hr)) {
        enumerator.Reset();
        return HResultToCode(hr);
    }
    return kSuccess;
}

// Makes room in `set` for `count` more objects, creating the set for the first objects of the
// query.
bool MakeRoom(CRefPtr<CWmiObjectEnum>& set, size_t count) noexcept
{
    if (set.IsEmpty()) {
        set = CWmiObjectEnum::Create();
    }
    return !set.IsEmpty() && set->Reserve(count);
}

}  // namespace

ErrorCode OpenQuery(const CRefPtr<CWmiService>& session, const WCHAR* query, LONG flags,
                    CComRef<IEnumWbemClassObject>& enumerator, HRESULT* secured) noexcept
{
    return OpenEnumerator(session, query, flags, false, enumerator, secured);
}

ErrorCode OpenNotificationQuery(const CRefPtr<CWmiService>& session, const WCHAR* query,
                                CComRef<IEnumWbemClassObject>& enumerator) noexcept
{
    return OpenEnumerator(session, query, WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY, true,
                          enumerator, nullptr);
}

ErrorCode ServiceExecQuery(const CRefPtr<CWmiService>& session, const WCHAR* query,
                           CRefPtr<CWmiObjectEnum>& set) noexcept
{
    CComRef<IEnumWbemClassObject> enumerator;
    HRESULT hr = WBEM_S_NO_ERROR;  // then the result of securing the enumerator: Next runs only after S_OK
    ErrorCode code = OpenQuery(session, query, WBEM_FLAG_FORWARD_ONLY, enumerator, &hr);
    if (code != kSuccess) {
        return code;
    }
    IWbemClassObject* batch[kQueryBatchSize] = {};
    ULONG returned = 0;
    while (hr == WBEM_S_NO_ERROR) {
        hr = enumerator->Next(kQueryBatchTimeoutMs, kQueryBatchSize, batch, &returned);
        if (FAILED(hr)) {
            code = HResultToCode(hr);
        }
        const ULONG delivered = returned <= kQueryBatchSize ? returned : kQueryBatchSize;
        const auto objects = static_cast<size_t>(std::count_if(
            batch, batch + delivered, [](IWbemClassObject* object) { return object != nullptr; }));
        if (code == kSuccess && objects > 0 && !MakeRoom(set, objects)) {
            code = kOutOfMemory;
        }
        for (ULONG i = 0; i < delivered; ++i) {
            if (batch[i] == nullptr) {
                continue;
            }
            CRefPtr<CWmiObject> object;
            if (code == kSuccess && WrapOwned(object, batch[i])) {
                batch[i] = nullptr;  // the wrapper holds the slot's reference now
                if (!set->Add(std::move(object))) {
                    code = kOutOfMemory;
                }
            } else if (code == kSuccess) {
                code = kOutOfMemory;
            }
            if (batch[i] != nullptr) {
                batch[i]->Release();
                batch[i] = nullptr;
            }
        }
        if (code != kSuccess) {
            break;
        }
        if (hr == WBEM_S_NO_ERROR && returned == 0) {
            // WMI answers S_OK only with a full batch; an empty one would make the loop ask
            // forever, so it ends the collection.
            break;
        }
        returned = 0;
    }
    return code;
}

}  // namespace wmibridge
