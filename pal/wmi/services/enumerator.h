// IEnumWbemClassObject over the objects of one query, with WMI's Next contract: S_OK when all
// requested objects were delivered, WBEM_S_FALSE with fewer at the end, WBEM_S_TIMEDOUT when the
// provider is slower than the time-out, the provider's failure when it fails.
//
// The provider is emulated by a schedule: object i (from 0) is ready `millisecondsPerObject`
// times (i + 1) after the enumerator was made, as if a provider produced it in the background.
// A provider that fails after N objects makes the Next call that would go past them fail; that
// call delivers nothing, and so does every later one.
#pragma once

#include <wbemidl.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "comobject.h"
#include "repository/internal_api.h"
#include "owners.h"
#include "services/faults.h"
#include "services/proxy_security.h"

namespace pal::services {

// What every IEnumWbemClassObject::Next of the emulator does first: `*puReturned` to 0, then
// WBEM_E_INVALID_PARAMETER for missing pointers or a negative time-out other than WBEM_INFINITE,
// else the outcome a test arranged for this call, which goes to `outcome`; a failing outcome is
// returned. WBEM_S_NO_ERROR lets the call go on.
PAL_INTERNAL_API HRESULT BeginNext(LONG lTimeout, IWbemClassObject** apObjects, ULONG* puReturned,
                                   CallOutcome& outcome);

class PAL_INTERNAL_API Enumerator final : public ComObject<IEnumWbemClassObject, &IID_IEnumWbemClassObject> {
public:
    // A forward-only enumerator hands its own objects out; another one hands out copies, so that
    // Reset and Clone can start again.
    static HRESULT Create(std::vector<wmi::ObjectPtr> objects, bool forwardOnly, ProviderBehaviour provider,
                          bool noAuthentication, IEnumWbemClassObject** enumerator) noexcept;
    // A forward-only enumerator of a query that failed: every Next and Skip gives `failure`.
    static HRESULT CreateFailed(HRESULT failure, bool noAuthentication, IEnumWbemClassObject** enumerator);

    HRESULT STDMETHODCALLTYPE Reset() noexcept override;
    HRESULT STDMETHODCALLTYPE Next(LONG lTimeout, ULONG uCount, IWbemClassObject** apObjects,
                                   ULONG* puReturned) noexcept override;
    HRESULT STDMETHODCALLTYPE NextAsync(ULONG uCount, IWbemObjectSink* pSink) noexcept override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject** ppEnum) noexcept override;
    HRESULT STDMETHODCALLTYPE Skip(LONG lTimeout, ULONG nCount) noexcept override;

private:
    using Clock = std::chrono::steady_clock;

    Enumerator(std::vector<wmi::ObjectPtr> objects, bool forwardOnly, ProviderBehaviour provider,
               bool noAuthentication);

    HRESULT QueryOtherInterface(REFIID riid, void** ppvObject) override;

    struct Advance {
        HRESULT result;  // S_OK, WBEM_S_FALSE, WBEM_S_TIMEDOUT or the provider's failure
        size_t first;    // position of the first object passed
        size_t count;    // objects passed
    };
    // Moves the position over up to `count` objects as the schedule allows within the time-out.
    // On a provider failure the position stays where it was.
    Advance AdvanceWithin(LONG timeout, ULONG count);
    Clock::time_point ReadyAt(size_t position) const;

    std::mutex mutex_;
    std::vector<wmi::ObjectPtr> objects_;
    size_t position_ = 0;
    const bool forwardOnly_;
    const ProviderBehaviour provider_;
    const Clock::time_point start_;
    std::shared_ptr<ProxySecurity> security_;
};

}  // namespace pal::services
