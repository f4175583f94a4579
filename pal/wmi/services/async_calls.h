// The asynchronous calls of IWbemServices: the work of the call runs on a thread of the emulator,
// which hands each result to the caller's sink with Indicate and then tells the outcome with
// SetStatus(WBEM_STATUS_COMPLETE, ...). CancelAsyncCall stops the calls that report to a sink:
// they hand over nothing more and complete with WBEM_E_CALL_CANCELLED.
#pragma once

#include <wbemidl.h>

#include <functional>

#include "repository/internal_api.h"

namespace pal::services {

// Makes the results of the call: an enumerator over them, or the failure the sink is to be told.
using AsyncWork = std::function<HRESULT(IEnumWbemClassObject** results)>;

// Starts `work` on an emulator thread that holds references to `owner` and `sink` until it is
// done. WBEM_E_INVALID_PARAMETER without a sink; WBEM_E_OUT_OF_MEMORY when no thread starts.
HRESULT StartAsyncCall(IUnknown* owner, IWbemObjectSink* sink, AsyncWork work);

// Cancels the calls reporting to `sink`: WBEM_E_NOT_FOUND when none is running.
HRESULT CancelAsyncCalls(IWbemObjectSink* sink);

// Calls that have not finished yet (for tests that wait for them).
PAL_INTERNAL_API long AsyncCallsRunning();

}  // namespace pal::services
