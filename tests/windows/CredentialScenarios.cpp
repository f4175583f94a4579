// Credential checks against this computer and against a host that does not exist.
#include <windows.h>

#include "Scenario.h"

using namespace scenario;

namespace {

std::u16string ComputerName()
{
    WCHAR name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size)) {
        return u"";
    }
    return std::u16string(reinterpret_cast<const char16_t*>(name), size);
}

// Wine's LogonUserW is a stub: it succeeds and hands back a made-up token that
// ImpersonateLoggedOnUser then refuses with ERROR_INVALID_HANDLE.
bool WineLogonIsStub()
{
    HANDLE token = INVALID_HANDLE_VALUE;
    const auto wide = [](const char16_t* text) { return reinterpret_cast<LPCWSTR>(text); };
    if (!LogonUserW(wide(u"someone"), wide(u"nowhere"), wide(u"secret"), LOGON32_LOGON_NEW_CREDENTIALS,
                    LOGON32_PROVIDER_WINNT50, &token)) {
        return false;
    }
    const BOOL impersonated = ImpersonateLoggedOnUser(token);
    const DWORD error = GetLastError();
    if (impersonated) {
        RevertToSelf();
    }
    CloseHandle(token);
    return !impersonated && error == ERROR_INVALID_HANDLE;
}

}  // namespace

SCENARIO(credentials)
{
    const auto verify = context.api.nativeVerifyCredentials;
    const std::u16string host = ComputerName();
    CHECK(!host.empty());

    // On Windows the calling account against this computer gives 0 (2 for a key that does not
    // exist) and a host that does not exist gives the remote registry's error (53). Under Wine
    // every call stops at the impersonation, whatever the host, and returns its error.
    if (!CHECK(WineLogonIsStub())) {
        return;
    }
    CHECK_EQ(verify(context.env(), nullptr, nullptr, nullptr, context.Text(host), context.Text(u"Software")),
             ERROR_INVALID_HANDLE);
    CHECK_EQ(verify(context.env(), nullptr, context.Text(u"someone"), context.Text(u"secret"),
                    context.Text(host), context.Text(u"Software")),
             ERROR_INVALID_HANDLE);
    CHECK_EQ(verify(context.env(), nullptr, context.Text(u"someone"), context.Text(u"secret"),
                    context.Text(u"no-such-host.invalid"), context.Text(u"Software")),
             ERROR_INVALID_HANDLE);
    // Every Java string view was released, on every path.
    CHECK_EQ(context.jni.stringCharsOut, 0);
    // No impersonation is left on the thread.
    HANDLE threadToken = nullptr;
    CHECK(!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &threadToken));
    CHECK_EQ(static_cast<std::int64_t>(GetLastError()), ERROR_NO_TOKEN);
}
