#include "services/enumerator.h"
#include "com_boundary.h"

#include <pal/wmi_control.h>

#include <thread>

namespace pal::services {

Enumerator::Enumerator(std::vector<wmi::ObjectPtr> objects, bool forwardOnly, ProviderBehaviour provider,
                       bool noAuthentication)
    : ComObject(PAL_KIND_WBEM_ENUMERATOR),
      objects_(std::move(objects)),
      forwardOnly_(forwardOnly),
      provider_(provider),
      start_(Clock::now()),
      security_(std::make_shared<ProxySecurity>(noAuthentication))
{
    RememberNewestProxy(PAL_KIND_WBEM_ENUMERATOR, security_);
}

HRESULT Enumerator::Create(std::vector<wmi::ObjectPtr> objects, bool forwardOnly, ProviderBehaviour provider,
                           bool noAuthentication, IEnumWbemClassObject** enumerator) noexcept
{
    *enumerator = nullptr;
    // The constructor allocates too (the proxy's security), so the whole construction is guarded.
    return ComBoundary(kWmiErrors, [&] {
        *enumerator = new Enumerator(std::move(objects), forwardOnly, provider, noAuthentication);
        return S_OK;
    });
}

HRESULT Enumerator::CreateFailed(HRESULT failure, bool noAuthentication, IEnumWbemClassObject** enumerator)
{
    ProviderBehaviour failing;
    failing.objectsBeforeFailure = 0;
    failing.failure = failure;
    return Create({}, true, failing, noAuthentication, enumerator);
}

HRESULT Enumerator::QueryOtherInterface(REFIID riid, void** ppvObject)
{
    if (riid == IID_IClientSecurity) {
        return QueryClientSecurity(static_cast<IEnumWbemClassObject*>(this), security_, ppvObject);
    }
    return E_NOINTERFACE;
}

Enumerator::Clock::time_point Enumerator::ReadyAt(size_t position) const
{
    return start_ + std::chrono::milliseconds(static_cast<int64_t>(provider_.millisecondsPerObject) *
                                              static_cast<int64_t>(position + 1));
}

Enumerator::Advance Enumerator::AdvanceWithin(LONG timeout, ULONG count)
{
    const bool waitsForever = timeout == static_cast<LONG>(WBEM_INFINITE);
    const Clock::time_point deadline =
        waitsForever ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(timeout);
    Advance advance{S_OK, position_, 0};
    while (advance.count < count) {
        const size_t next = advance.first + advance.count;
        if (provider_.objectsBeforeFailure >= 0 &&
            next == static_cast<size_t>(provider_.objectsBeforeFailure)) {
            return Advance{FAILED(provider_.failure) ? provider_.failure : WBEM_E_PROVIDER_FAILURE, position_,
                           0};
        }
        if (next == objects_.size()) {
            advance.result = WBEM_S_FALSE;
            break;
        }
        const Clock::time_point ready = ReadyAt(next);
        if (ready > deadline) {
            std::this_thread::sleep_until(deadline);
            advance.result = WBEM_S_TIMEDOUT;
            break;
        }
        std::this_thread::sleep_until(ready);
        ++advance.count;
    }
    position_ = advance.first + advance.count;
    return advance;
}

HRESULT BeginNext(LONG lTimeout, IWbemClassObject** apObjects, ULONG* puReturned, CallOutcome& outcome)
{
    if (puReturned != nullptr) {
        *puReturned = 0;
    }
    if (apObjects == nullptr || puReturned == nullptr ||
        (lTimeout < 0 && lTimeout != static_cast<LONG>(WBEM_INFINITE))) {
        return WBEM_E_INVALID_PARAMETER;
    }
    outcome = TakeCallOutcome(PAL_WMI_ENUM_NEXT);
    return outcome.Fails() ? outcome.answer : WBEM_S_NO_ERROR;
}

HRESULT Enumerator::Next(LONG lTimeout, ULONG uCount, IWbemClassObject** apObjects,
                         ULONG* puReturned) noexcept
try {
    CallOutcome outcome;
    const HRESULT begun = BeginNext(lTimeout, apObjects, puReturned, outcome);
    if (begun != WBEM_S_NO_ERROR) {
        return begun;
    }
    std::lock_guard lock(mutex_);
    const Advance advance = AdvanceWithin(lTimeout, uCount);
    if (FAILED(advance.result)) {
        return advance.result;
    }
    for (size_t i = 0; i < advance.count; ++i) {
        wmi::ObjectPtr& object = objects_[advance.first + i];
        if (forwardOnly_) {
            apObjects[i] = object.Detach();
        } else if (FAILED(object->Clone(&apObjects[i]))) {
            // Give back what this call delivered; the objects stay for another attempt.
            for (size_t delivered = 0; delivered < i; ++delivered) {
                apObjects[delivered]->Release();
                apObjects[delivered] = nullptr;
            }
            position_ = advance.first;
            return WBEM_E_OUT_OF_MEMORY;
        }
    }
    *puReturned = static_cast<ULONG>(advance.count);
    return outcome.kind == CallOutcome::Kind::Answer ? outcome.answer : advance.result;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Enumerator::Skip(LONG lTimeout, ULONG nCount) noexcept
try {
    if (lTimeout < 0 && lTimeout != static_cast<LONG>(WBEM_INFINITE)) {
        return WBEM_E_INVALID_PARAMETER;
    }
    std::lock_guard lock(mutex_);
    const Advance advance = AdvanceWithin(lTimeout, nCount);
    if (forwardOnly_ && SUCCEEDED(advance.result)) {
        for (size_t i = 0; i < advance.count; ++i) {
            objects_[advance.first + i].Reset();
        }
    }
    return advance.result;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Enumerator::Reset() noexcept
try {
    if (forwardOnly_) {
        return WBEM_E_INVALID_OPERATION;
    }
    std::lock_guard lock(mutex_);
    position_ = 0;
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Enumerator::Clone(IEnumWbemClassObject** ppEnum) noexcept
try {
    if (ppEnum == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    *ppEnum = nullptr;
    if (forwardOnly_) {
        return WBEM_E_INVALID_OPERATION;
    }
    std::lock_guard lock(mutex_);
    std::vector<wmi::ObjectPtr> copies;
    copies.reserve(objects_.size());
    for (const wmi::ObjectPtr& object : objects_) {
        IWbemClassObject* copy = nullptr;
        if (FAILED(object->Clone(&copy))) {
            return WBEM_E_OUT_OF_MEMORY;
        }
        copies.emplace_back(copy);
    }
    // The copy has all objects at hand: its provider has already delivered them.
    ProviderBehaviour delivered = provider_;
    delivered.millisecondsPerObject = 0;
    auto* clone = new Enumerator(std::move(copies), false, delivered, security_->NoAuthentication());
    clone->position_ = position_;
    *ppEnum = clone;
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Enumerator::NextAsync(ULONG /*uCount*/, IWbemObjectSink* /*pSink*/) noexcept
try {
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

}  // namespace pal::services
