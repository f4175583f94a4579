// CoCreateInstance: the platform layer serves the WMI locator and the WMI context, no other class.
#include <pal/testing.h>
#include <pal/wmi_control.h>
#include <wbemidl.h>

#include "com_boundary.h"
#include "owners.h"
#include "services/context.h"
#include "services/faults.h"
#include "services/locator.h"

STDAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv)
try {
    using pal::services::CallOutcome;
    const CallOutcome outcome = pal::services::TakeCallOutcome(PAL_WMI_CREATE_INSTANCE);
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (outcome.Fails()) {
        return outcome.answer;
    }
    if (PalApartmentDepth() == 0) {
        return CO_E_NOTINITIALIZED;
    }
    if ((rclsid != CLSID_WbemLocator && rclsid != CLSID_WbemContext) ||
        (dwClsContext & CLSCTX_INPROC_SERVER) == 0) {
        return REGDB_E_CLASSNOTREG;
    }
    if (pUnkOuter != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    if (rclsid == CLSID_WbemContext) {
        auto context = pal::ComPtr<IWbemContext>::Adopt(new (std::nothrow) pal::services::Context());
        if (!context) {
            return E_OUTOFMEMORY;
        }
        return context->QueryInterface(riid, ppv);
    }
    auto locator = pal::ComPtr<IWbemLocator>::Adopt(new (std::nothrow) pal::services::Locator());
    if (!locator) {
        return E_OUTOFMEMORY;
    }
    return locator->QueryInterface(riid, ppv);
} catch (...) {
    return pal::CaughtOleError();
}
