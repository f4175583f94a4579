#include "services/faults.h"

#include <map>
#include <mutex>
#include <string>

#include "base/names.h"
#include "base/text.h"

namespace pal::services {

namespace {

struct ArmedOutcome {
    LONG atCall;
    CallOutcome outcome;
};

struct FaultTable {
    std::mutex mutex;
    LONG calls[PAL_WMI_OPERATION_COUNT] = {};
    std::multimap<LONG, CallOutcome> armed[PAL_WMI_OPERATION_COUNT];
    std::map<std::u16string, ProviderBehaviour> providers;  // by upper-case class name
};

FaultTable& Table()
{
    static FaultTable table;
    return table;
}

bool IsOperation(int operation)
{
    return operation >= 0 && operation < PAL_WMI_OPERATION_COUNT;
}

void Arm(int operation, LONG nth, CallOutcome outcome)
{
    if (!IsOperation(operation) || nth < 1) {
        return;
    }
    FaultTable& table = Table();
    std::lock_guard lock(table.mutex);
    table.armed[operation].emplace(table.calls[operation] + nth, outcome);
}

}  // namespace

CallOutcome TakeCallOutcome(PalWmiOperation operation)
{
    FaultTable& table = Table();
    std::lock_guard lock(table.mutex);
    const LONG call = ++table.calls[operation];
    auto& armed = table.armed[operation];
    const auto found = armed.find(call);
    if (found == armed.end()) {
        return {};
    }
    const CallOutcome outcome = found->second;
    armed.erase(found);
    return outcome;
}

ProviderBehaviour ProviderBehaviourOf(std::u16string_view className)
{
    FaultTable& table = Table();
    std::lock_guard lock(table.mutex);
    const auto found = table.providers.find(FoldName(className));
    return found == table.providers.end() ? ProviderBehaviour{} : found->second;
}

void ResetFaults()
{
    FaultTable& table = Table();
    std::lock_guard lock(table.mutex);
    for (int operation = 0; operation < PAL_WMI_OPERATION_COUNT; ++operation) {
        table.calls[operation] = 0;
        table.armed[operation].clear();
    }
    table.providers.clear();
}

}  // namespace pal::services

using pal::services::CallOutcome;

PALAPI void PalWmiSetCallResult(int operation, LONG nth, HRESULT result)
{
    pal::services::Arm(operation, nth, CallOutcome{CallOutcome::Kind::Answer, result});
}

PALAPI void PalWmiSucceedWithoutObject(int operation, LONG nth)
{
    if (operation == PAL_WMI_CONNECT_SERVER || operation == PAL_WMI_GET_OBJECT ||
        operation == PAL_WMI_EXEC_METHOD) {
        pal::services::Arm(operation, nth, CallOutcome{CallOutcome::Kind::NoObject, S_OK});
    }
}

PALAPI LONG PalWmiCallCount(int operation)
{
    if (!pal::services::IsOperation(operation)) {
        return -1;
    }
    auto& table = pal::services::Table();
    std::lock_guard lock(table.mutex);
    return table.calls[operation];
}

PALAPI void PalWmiFailProviderAfter(const char* className, LONG objects, HRESULT failure)
{
    auto& table = pal::services::Table();
    std::lock_guard lock(table.mutex);
    auto& behaviour = table.providers[pal::FoldName(pal::FromUtf8(className))];
    behaviour.objectsBeforeFailure = objects < 0 ? -1 : objects;
    behaviour.failure = failure;
}

PALAPI void PalWmiSetClassDelay(const char* className, ULONG millisecondsPerObject)
{
    auto& table = pal::services::Table();
    std::lock_guard lock(table.mutex);
    table.providers[pal::FoldName(pal::FromUtf8(className))].millisecondsPerObject = millisecondsPerObject;
}
