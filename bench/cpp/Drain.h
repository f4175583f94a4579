// The floor of every query benchmark: ExecQuery forward-only and Next in batches of 10, as a
// client drains an enumerator, each object handed to the caller's function to keep or release.
#pragma once

#include "platform/ComHolders.h"
#include "platform/platform.h"

namespace bench {

// Runs `query` and gives each object to `take` (which receives its reference). The number of
// objects, or -1 when the query or a Next failed.
template <class Take>
int DrainQuery(IWbemServices* services, const WCHAR* query, Take&& take)
{
    static const wmibridge::CBstr language(W("WQL"));
    const wmibridge::CBstr text(query);
    wmibridge::CComRef<IEnumWbemClassObject> enumerator;
    if (FAILED(services->ExecQuery(language.Get(), text.Get(), WBEM_FLAG_FORWARD_ONLY, nullptr,
                                   enumerator.Put()))) {
        return -1;
    }
    int count = 0;
    HRESULT hr = WBEM_S_NO_ERROR;
    while (hr == WBEM_S_NO_ERROR) {
        IWbemClassObject* batch[10] = {};
        ULONG returned = 0;
        hr = enumerator->Next(10000, 10, batch, &returned);
        for (ULONG i = 0; i < returned; ++i) {
            if (!take(wmibridge::CComRef<IWbemClassObject>(batch[i]))) {
                hr = E_FAIL;
            }
            ++count;
        }
    }
    return FAILED(hr) ? -1 : count;
}

}  // namespace bench
