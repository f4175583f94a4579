#include "services/async_calls.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "owners.h"

namespace pal::services {

namespace {

struct AsyncCall {
    IWbemObjectSink* sink;  // identifies the call; the thread holds the reference
    std::atomic<bool> cancelled{false};
};

struct CallTable {
    std::mutex mutex;
    std::vector<std::shared_ptr<AsyncCall>> calls;
};

CallTable& Calls()
{
    static CallTable table;
    return table;
}

void Forget(const std::shared_ptr<AsyncCall>& call)
{
    CallTable& table = Calls();
    std::lock_guard lock(table.mutex);
    table.calls.erase(std::remove(table.calls.begin(), table.calls.end(), call), table.calls.end());
}

// The results one at a time, so that a cancellation stops between two of them.
HRESULT Deliver(IEnumWbemClassObject* results, IWbemObjectSink* sink, const AsyncCall& call)
{
    for (;;) {
        if (call.cancelled.load()) {
            return WBEM_E_CALL_CANCELLED;
        }
        IWbemClassObject* object = nullptr;
        ULONG returned = 0;
        const HRESULT hr = results->Next(static_cast<LONG>(WBEM_INFINITE), 1, &object, &returned);
        if (FAILED(hr)) {
            return hr;
        }
        if (returned == 0) {
            return WBEM_S_NO_ERROR;
        }
        const ComPtr<IWbemClassObject> held = ComPtr<IWbemClassObject>::Adopt(object);
        if (call.cancelled.load()) {
            return WBEM_E_CALL_CANCELLED;
        }
        IWbemClassObject* batch[1] = {held.Get()};
        sink->Indicate(1, batch);
    }
}

void Run(ComPtr<IUnknown> owner, ComPtr<IWbemObjectSink> sink, AsyncWork work,
         std::shared_ptr<AsyncCall> call)
{
    HRESULT outcome = WBEM_S_NO_ERROR;
    {
        ComPtr<IEnumWbemClassObject> results;
        try {
            outcome = work(results.Put());
        } catch (const std::bad_alloc&) {
            outcome = WBEM_E_OUT_OF_MEMORY;
        } catch (...) {
            outcome = WBEM_E_FAILED;
        }
        if (SUCCEEDED(outcome) && results) {
            outcome = Deliver(results.Get(), sink.Get(), *call);
        }
        if (SUCCEEDED(outcome) && call->cancelled.load()) {
            outcome = WBEM_E_CALL_CANCELLED;
        }
    }
    // What the call made is released before the sink hears the outcome, so that a caller who has
    // heard it finds nothing of the call alive.
    work = nullptr;
    owner.Reset();
    Forget(call);
    sink->SetStatus(WBEM_STATUS_COMPLETE, outcome, nullptr, nullptr);
}

}  // namespace

HRESULT StartAsyncCall(IUnknown* owner, IWbemObjectSink* sink, AsyncWork work)
{
    if (sink == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    try {
        auto call = std::make_shared<AsyncCall>();
        call->sink = sink;
        {
            CallTable& table = Calls();
            std::lock_guard lock(table.mutex);
            table.calls.push_back(call);
        }
        ComPtr<IUnknown> ownerRef = ComPtr<IUnknown>::Share(owner);
        ComPtr<IWbemObjectSink> sinkRef = ComPtr<IWbemObjectSink>::Share(sink);
        try {
            std::thread(Run, std::move(ownerRef), std::move(sinkRef), std::move(work), call).detach();
        } catch (const std::system_error&) {
            Forget(call);
            return WBEM_E_OUT_OF_MEMORY;
        }
    } catch (const std::bad_alloc&) {
        return WBEM_E_OUT_OF_MEMORY;
    }
    return WBEM_S_NO_ERROR;
}

HRESULT CancelAsyncCalls(IWbemObjectSink* sink)
{
    if (sink == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    CallTable& table = Calls();
    std::lock_guard lock(table.mutex);
    bool found = false;
    for (const std::shared_ptr<AsyncCall>& call : table.calls) {
        if (call->sink == sink) {
            call->cancelled.store(true);
            found = true;
        }
    }
    return found ? WBEM_S_NO_ERROR : WBEM_E_NOT_FOUND;
}

long AsyncCallsRunning()
{
    CallTable& table = Calls();
    std::lock_guard lock(table.mutex);
    return static_cast<long>(table.calls.size());
}

}  // namespace pal::services
