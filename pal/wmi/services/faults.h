// Faults that tests inject into the WMI operations: the answer of a chosen call, and the
// behaviour of the providers of a class (time per object, failure after some objects).
#pragma once

#include <pal/wmi_control.h>

#include <string_view>

namespace pal::services {

struct CallOutcome {
    enum class Kind { Normal, Answer, NoObject };
    Kind kind = Kind::Normal;
    HRESULT answer = S_OK;  // Kind::Answer: the result the call gives

    bool Fails() const { return kind == Kind::Answer && FAILED(answer); }
};

// Counts one call of the operation and says how it is to end.
CallOutcome TakeCallOutcome(PalWmiOperation operation);

struct ProviderBehaviour {
    ULONG millisecondsPerObject = 0;
    LONG objectsBeforeFailure = -1;  // -1: the provider does not fail
    HRESULT failure = S_OK;
};

ProviderBehaviour ProviderBehaviourOf(std::u16string_view className);

void ResetFaults();

}  // namespace pal::services
