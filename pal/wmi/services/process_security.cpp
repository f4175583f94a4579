#include "services/process_security.h"

#include <pal/testing.h>
#include <pal/wmi_control.h>

#include <mutex>
#include <optional>

#include "services/faults.h"

namespace pal::services {

namespace {

struct ProcessSecurity {
    std::mutex mutex;
    std::optional<SecurityLevels> levels;
};

ProcessSecurity& State()
{
    static ProcessSecurity state;
    return state;
}

constexpr SecurityLevels kDefaultLevels{RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IDENTIFY};

bool ValidAuthnLevel(DWORD level)
{
    return level <= RPC_C_AUTHN_LEVEL_PKT_PRIVACY;
}
bool ValidImpLevel(DWORD level)
{
    return level <= RPC_C_IMP_LEVEL_DELEGATE;
}

}  // namespace

SecurityLevels FixProcessSecurity()
{
    ProcessSecurity& state = State();
    std::lock_guard lock(state.mutex);
    if (!state.levels) {
        state.levels = kDefaultLevels;
    }
    return *state.levels;
}

void ResetProcessSecurity()
{
    ProcessSecurity& state = State();
    std::lock_guard lock(state.mutex);
    state.levels.reset();
}

}  // namespace pal::services

STDAPI CoInitializeSecurity(PSECURITY_DESCRIPTOR /*pSecDesc*/, LONG cAuthSvc,
                            SOLE_AUTHENTICATION_SERVICE* asAuthSvc, void* /*pReserved1*/, DWORD dwAuthnLevel,
                            DWORD dwImpLevel, void* /*pAuthList*/, DWORD /*dwCapabilities*/,
                            void* /*pReserved3*/)
{
    using namespace pal::services;
    const CallOutcome outcome = TakeCallOutcome(PAL_WMI_INITIALIZE_SECURITY);
    if (outcome.Fails()) {
        return outcome.answer;
    }
    if (PalApartmentDepth() == 0) {
        return CO_E_NOTINITIALIZED;
    }
    if (cAuthSvc < -1 || (cAuthSvc > 0 && asAuthSvc == nullptr) || !ValidAuthnLevel(dwAuthnLevel) ||
        !ValidImpLevel(dwImpLevel)) {
        return E_INVALIDARG;
    }
    ProcessSecurity& state = State();
    std::lock_guard lock(state.mutex);
    if (state.levels) {
        return RPC_E_TOO_LATE;
    }
    // COM resolves the default levels when it fixes them.
    state.levels =
        SecurityLevels{dwAuthnLevel == RPC_C_AUTHN_LEVEL_DEFAULT ? kDefaultLevels.authnLevel : dwAuthnLevel,
                       dwImpLevel == RPC_C_IMP_LEVEL_DEFAULT ? kDefaultLevels.impLevel : dwImpLevel};
    return outcome.kind == CallOutcome::Kind::Answer ? outcome.answer : S_OK;
}

PALAPI void PalResetProcessSecurity(void)
{
    pal::services::ResetProcessSecurity();
}

PALAPI BOOL PalProcessSecurity(DWORD* authnLevel, DWORD* impLevel)
{
    auto& state = pal::services::State();
    std::lock_guard lock(state.mutex);
    if (!state.levels) {
        return FALSE;
    }
    if (authnLevel != nullptr) {
        *authnLevel = state.levels->authnLevel;
    }
    if (impLevel != nullptr) {
        *impLevel = state.levels->impLevel;
    }
    return TRUE;
}
