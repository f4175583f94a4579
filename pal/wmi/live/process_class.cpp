// Win32_Process: one instance per process of the host, keyed by its id in decimal text.
#include <oleauto.h>

#include <string>

#include "base/host_files.h"
#include "base/names.h"
#include "base/text.h"
#include "live/cim_datetime.h"
#include "live/instance_builder.h"
#include "live/live_classes.h"
#include "live/process_table.h"
#include "base/text.h"
#include "owners.h"

namespace pal::live {

namespace {

std::optional<std::u16string> Utf16Of(const std::optional<std::string>& text)
{
    return text ? std::optional<std::u16string>(Utf16(*text)) : std::nullopt;
}

HRESULT ProcessInstance(const InstanceRequest& request, const ProcessInfo& process, wmi::ObjectPtr& instance)
{
    InstanceBuilder builder(request);
    const std::u16string name = Utf16(process.name);
    builder.Text(u"Handle", Utf16(std::to_string(process.pid)));
    builder.Unsigned32(u"ProcessId", static_cast<std::uint64_t>(process.pid));
    builder.Unsigned32(u"ParentProcessId", static_cast<std::uint64_t>(process.parentPid));
    builder.Text(u"Name", name);
    builder.Text(u"Caption", name);
    builder.Text(u"Description", name);
    builder.Text(u"CSName", request.repository.ServerName());
    builder.Text(u"ExecutablePath", Utf16Of(process.executablePath));
    builder.Text(u"CommandLine", Utf16Of(process.commandLine));
    builder.Unsigned32(u"ThreadCount", process.threadCount);
    builder.Unsigned64(u"WorkingSetSize", process.workingSetBytes);
    builder.Unsigned64(u"VirtualSize", process.virtualBytes);
    builder.Unsigned64(u"KernelModeTime", process.kernelTime100ns);
    builder.Unsigned64(u"UserModeTime", process.userTime100ns);
    builder.Unsigned32(u"Priority", static_cast<std::uint64_t>(process.priority < 0 ? 0 : process.priority));
    builder.Unsigned32(u"SessionId",
                       static_cast<std::uint64_t>(process.sessionId < 0 ? 0 : process.sessionId));
    if (process.startMicroseconds) {
        builder.Text(u"CreationDate",
                     CimDatetime(static_cast<std::time_t>(*process.startMicroseconds / 1'000'000),
                                 *process.startMicroseconds % 1'000'000));
    }
    return builder.Finish(instance);
}

// The process id of a Handle key; nullopt for anything that is not a decimal id.
std::optional<pid_t> PidOfKey(const std::vector<wmi::KeyBinding>& keys)
{
    if (keys.size() != 1 || !pal::NamesEqual(keys.front().name, u"Handle")) {
        return std::nullopt;
    }
    const VARIANT& value = keys.front().value;
    if (V_VT(&value) == VT_I4) {
        return V_I4(&value) >= 0 ? std::optional<pid_t>(V_I4(&value)) : std::nullopt;
    }
    if (V_VT(&value) != VT_BSTR) {
        return std::nullopt;
    }
    const std::string text = pal::ToUtf8(pal::ViewOf(V_BSTR(&value)));
    const std::optional<std::uint64_t> number = LeadingNumber(text);
    if (!number || std::to_string(*number) != text || *number > 0x7fffffffU) {
        return std::nullopt;
    }
    return static_cast<pid_t>(*number);
}

HRESULT PutText(IWbemClassObject* object, const char16_t* name, std::u16string_view text)
{
    OwnedVariant value;
    V_VT(value.Address()) = VT_BSTR;
    V_BSTR(value.Address()) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (V_BSTR(value.Address()) == nullptr) {
        return WBEM_E_OUT_OF_MEMORY;
    }
    return object->Put(name, 0, value.Address(), 0);
}

HRESULT PutReturnValue(IWbemClassObject* object, LONG code)
{
    OwnedVariant value;
    V_VT(value.Address()) = VT_I4;
    V_I4(value.Address()) = code;
    return object->Put(u"ReturnValue", 0, value.Address(), 0);
}

}  // namespace

HRESULT Processes(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    for (const pid_t pid : ProcessIds()) {
        // A process that exits while the table is read is left out.
        const std::optional<ProcessInfo> process = ReadProcess(pid);
        if (!process) {
            continue;
        }
        wmi::ObjectPtr instance;
        const HRESULT hr = ProcessInstance(request, *process, instance);
        if (FAILED(hr)) {
            return hr;
        }
        instances.push_back(std::move(instance));
    }
    return WBEM_S_NO_ERROR;
}

HRESULT ProcessByKey(const InstanceRequest& request, const std::vector<wmi::KeyBinding>& keys,
                     IWbemClassObject** instance)
{
    const std::optional<pid_t> pid = PidOfKey(keys);
    if (!pid) {
        return WBEM_E_NOT_FOUND;
    }
    const std::optional<ProcessInfo> process = ReadProcess(*pid);
    if (!process) {
        return WBEM_E_NOT_FOUND;
    }
    wmi::ObjectPtr object;
    const HRESULT hr = ProcessInstance(request, *process, object);
    if (SUCCEEDED(hr)) {
        *instance = object.Detach();
    }
    return hr;
}

HRESULT GetProcessOwner(const services::MethodCall& call)
{
    constexpr LONG kUnknownFailure = 8;
    if (call.instance == nullptr || call.outParameters == nullptr) {
        return WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    OwnedVariant handle;
    if (FAILED(call.instance->Get(u"Handle", 0, handle.Address(), nullptr, nullptr))) {
        return WBEM_E_INVALID_OBJECT;
    }
    const std::vector<wmi::KeyBinding> keys{wmi::KeyBinding{u"Handle", *handle.Address()}};
    const std::optional<pid_t> pid = PidOfKey(keys);
    const std::optional<ProcessInfo> process = pid ? ReadProcess(*pid) : std::nullopt;
    const std::optional<std::string> user = process ? UserName(process->ownerUid) : std::nullopt;
    if (!user) {
        return PutReturnValue(call.outParameters, kUnknownFailure);
    }
    HRESULT hr = PutText(call.outParameters, u"User", Utf16(*user));
    if (SUCCEEDED(hr)) {
        hr = PutText(call.outParameters, u"Domain", call.repository.ServerName());
    }
    return SUCCEEDED(hr) ? PutReturnValue(call.outParameters, 0) : hr;
}

}  // namespace pal::live
