#include "services/locator.h"
#include "com_boundary.h"

#include <pal/wmi_control.h>
#include <winerror.h>

#include "base/names.h"
#include "base/text.h"
#include "hosts/hosts.h"
#include "repository/mof_fixtures.h"
#include "services/faults.h"
#include "services/network_resource.h"
#include "services/services.h"

namespace pal::services {

namespace {

constexpr LONG kKnownConnectFlags =
    WBEM_FLAG_CONNECT_REPOSITORY_ONLY | WBEM_FLAG_CONNECT_USE_MAX_WAIT | WBEM_FLAG_CONNECT_PROVIDERS;

constexpr std::u16string_view kNtlmDomainPrefix = u"NTLMDOMAIN:";
constexpr std::u16string_view kKerberosPrefix = u"KERBEROS:";

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix)
{
    return text.size() >= prefix.size() && NamesEqual(text.substr(0, prefix.size()), prefix);
}

bool NamesDomain(std::u16string_view user)
{
    return user.find(u'\\') != std::u16string_view::npos || user.find(u'@') != std::u16string_view::npos;
}

// The domain that an authority names: `NTLMDOMAIN:dom` gives dom, `Kerberos:...` none.
HRESULT DomainOfAuthority(std::u16string_view authority, std::u16string_view user,
                          std::u16string_view& domain)
{
    domain = {};
    if (authority.empty()) {
        return S_OK;
    }
    if (StartsWithNoCase(authority, kKerberosPrefix)) {
        return S_OK;
    }
    if (!StartsWithNoCase(authority, kNtlmDomainPrefix)) {
        return WBEM_E_INVALID_PARAMETER;
    }
    domain = authority.substr(kNtlmDomainPrefix.size());
    // WMI refuses a domain given both in the user name and in the authority.
    if (!domain.empty() && NamesDomain(user)) {
        return WBEM_E_INVALID_PARAMETER;
    }
    return S_OK;
}

}  // namespace

Locator::Locator() : ComObject(PAL_KIND_WBEM_LOCATOR) {}

HRESULT Locator::ConnectServer(const BSTR strNetworkResource, const BSTR strUser, const BSTR strPassword,
                               const BSTR /*strLocale*/, LONG lSecurityFlags, const BSTR strAuthority,
                               IWbemContext* /*pCtx*/, IWbemServices** ppNamespace) noexcept
try {
    const CallOutcome outcome = TakeCallOutcome(PAL_WMI_CONNECT_SERVER);
    if (ppNamespace == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    *ppNamespace = nullptr;
    if (outcome.Fails()) {
        return outcome.answer;
    }
    IWbemServices* services = nullptr;
    const HRESULT hr =
        Connect(strNetworkResource, strUser, strPassword, lSecurityFlags, strAuthority, &services);
    if (FAILED(hr)) {
        return hr;
    }
    if (outcome.kind == CallOutcome::Kind::NoObject) {
        services->Release();
        return WBEM_S_NO_ERROR;
    }
    *ppNamespace = services;
    return outcome.kind == CallOutcome::Kind::Answer ? outcome.answer : hr;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Locator::Connect(const BSTR strNetworkResource, const BSTR strUser, const BSTR strPassword,
                         LONG lSecurityFlags, const BSTR strAuthority, IWbemServices** ppNamespace) const
{
    if (strNetworkResource == nullptr || (lSecurityFlags & ~kKnownConnectFlags) != 0) {
        return WBEM_E_INVALID_PARAMETER;
    }
    NetworkResource resource;
    HRESULT hr = ParseNetworkResource(ViewOf(strNetworkResource), resource);
    if (FAILED(hr)) {
        return hr;
    }
    const std::u16string_view user = ViewOf(strUser);
    const std::u16string_view password = ViewOf(strPassword);
    std::u16string_view authorityDomain;
    hr = DomainOfAuthority(ViewOf(strAuthority), user, authorityDomain);
    if (FAILED(hr)) {
        return hr;
    }
    const std::shared_ptr<const hosts::Host> host = hosts::FindHost(resource.host);
    if (!host) {
        return HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
    }
    if (host->isLocal && (!user.empty() || !password.empty())) {
        return WBEM_E_LOCAL_CREDENTIALS;
    }
    // The local machine does not serve without the MOF fixtures it was told to start with.
    if (host->isLocal && !wmi::StartupMofError().empty()) {
        return WBEM_E_INITIALIZATION_FAILURE;
    }
    // Without a user name the caller's own identity connects; a host without authentication
    // asks for nothing.
    if (!host->isLocal && !host->noAuthentication && !user.empty()) {
        switch (hosts::LogOn(*host, user, password, authorityDomain)) {
        case hosts::LogonResult::Accepted: break;
        case hosts::LogonResult::UnknownOrWrongPassword: return E_ACCESSDENIED;
        case hosts::LogonResult::LockedOut: return HRESULT_FROM_WIN32(ERROR_ACCOUNT_LOCKED_OUT);
        }
    }
    const std::u16string nameSpace = host->repository->CanonicalNamespace(resource.nameSpace);
    if (nameSpace.empty()) {
        return WBEM_E_INVALID_NAMESPACE;
    }
    *ppNamespace = new Services(host->repository, nameSpace, host->noAuthentication);
    return WBEM_S_NO_ERROR;
}

}  // namespace pal::services
