// Win32_Service: the host's systemd services. A service runs when its control group holds a
// process (the first one stands for its process id); it starts automatically when a target wants
// it, never when it is masked, else on demand.
#include <string>

#include "base/host_files.h"
#include "live/instance_builder.h"
#include "live/live_classes.h"
#include "live/systemd_units.h"

namespace pal::live {

namespace {

// The program of an ExecStart= line without systemd's prefixes ("-", "@", "+", "!").
std::u16string ProgramOf(const std::string& execStart)
{
    const std::size_t start = execStart.find_first_not_of("-@+!:");
    return Utf16(start == std::string::npos ? std::string() : execStart.substr(start));
}

}  // namespace

HRESULT Services(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances)
{
    for (const ServiceUnit& unit : ServiceUnits()) {
        const std::u16string name = Utf16(unit.name);
        const std::u16string display = unit.description ? Utf16(*unit.description) : name;
        const bool running = unit.mainPid.has_value();
        InstanceBuilder builder(request);
        builder.Text(u"Name", name);
        builder.Text(u"DisplayName", display);
        builder.Text(u"Caption", display);
        builder.Text(u"Description", display);
        builder.Text(u"State", running ? u"Running" : u"Stopped");
        builder.Boolean(u"Started", running);
        builder.Text(u"StartMode", unit.masked ? u"Disabled" : unit.enabled ? u"Auto" : u"Manual");
        builder.Unsigned32(u"ProcessId", unit.mainPid.value_or(0));
        builder.Unsigned32(u"ExitCode", 0);
        builder.Text(u"PathName", unit.execStart ? std::optional<std::u16string>(ProgramOf(*unit.execStart))
                                                 : std::nullopt);
        builder.Text(u"ServiceType", u"Own Process");
        builder.Text(u"StartName", unit.user ? Utf16(*unit.user) : std::u16string(u"LocalSystem"));
        builder.Text(u"ErrorControl", u"Normal");
        builder.Boolean(u"AcceptStop", running);
        builder.Boolean(u"AcceptPause", false);
        builder.Boolean(u"DesktopInteract", false);
        builder.Text(u"CreationClassName", u"Win32_Service");
        builder.Text(u"SystemCreationClassName", u"Win32_ComputerSystem");
        builder.Text(u"SystemName", request.repository.ServerName());
        builder.Text(u"Status", u"OK");
        const HRESULT hr = builder.FinishInto(instances);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return WBEM_S_NO_ERROR;
}

}  // namespace pal::live
