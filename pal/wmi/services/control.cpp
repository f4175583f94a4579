// The C test controls of the service side (pal/wmi_control.h) that concern hosts, accounts and
// resetting everything.
#include <pal/testing.h>
#include <pal/wmi_control.h>
#include <pal/wmi_raw_values.h>

#include <algorithm>
#include <string>

#include "repository/repository.h"
#include "services/faults.h"
#include "services/hosts.h"
#include "services/process_security.h"
#include "services/proxy_security.h"
#include "services/text.h"

using pal::services::FromUtf8;

PALAPI void PalWmiResetAll(void)
{
    pal::services::ResetHosts();
    pal::services::ResetFaults();
    pal::services::ResetProcessSecurity();
    pal::services::ForgetNewestProxies();
    PalResetFaults();
    pal::wmi::LocalRepository()->ResetToShipped();
    PalWmiRecordPuts(FALSE);
}

PALAPI const char* PalWmiLocalHostName(void)
{
    static const std::string name = pal::services::ToUtf8(pal::wmi::LocalServerName());
    return name.c_str();
}

PALAPI void PalWmiAddHost(const char* host)
{
    pal::services::AddHost(FromUtf8(host), false);
}

PALAPI void PalWmiAddHostWithOwnRepository(const char* host)
{
    pal::services::AddHost(FromUtf8(host), true);
}

PALAPI BOOL PalWmiAddAccount(const char* host, const char* domain, const char* user, const char* password,
                             BOOL lockedOut)
{
    pal::services::Account account{FromUtf8(domain), FromUtf8(user), FromUtf8(password), lockedOut != FALSE};
    return pal::services::AddAccount(FromUtf8(host), std::move(account)) ? TRUE : FALSE;
}

PALAPI BOOL PalWmiSetHostNoAuthentication(const char* host, BOOL noAuthentication)
{
    return pal::services::SetNoAuthentication(FromUtf8(host), noAuthentication != FALSE) ? TRUE : FALSE;
}

PALAPI HRESULT PalWmiLoadHostMof(const char* host, const char* defaultNamespace, const char* mofText,
                                 char* errorText, ULONG errorTextSize)
{
    if (errorText != nullptr && errorTextSize > 0) {
        errorText[0] = '\0';
    }
    if (mofText == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const std::shared_ptr<const pal::services::Host> found = pal::services::FindHost(FromUtf8(host));
    if (!found) {
        return WBEM_E_NOT_FOUND;
    }
    const std::u16string nameSpace =
        defaultNamespace != nullptr ? FromUtf8(defaultNamespace) : u"root\\default";
    std::u16string error;
    const HRESULT hr = found->repository->LoadMof(FromUtf8(mofText), nameSpace, &error);
    if (FAILED(hr) && errorText != nullptr && errorTextSize > 0) {
        const std::string utf8 = pal::services::ToUtf8(error);
        const size_t length = std::min(utf8.size(), static_cast<size_t>(errorTextSize - 1));
        std::copy_n(utf8.begin(), length, errorText);
        errorText[length] = '\0';
    }
    return hr;
}
