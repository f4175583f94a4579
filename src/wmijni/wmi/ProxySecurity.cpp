#include "wmi/ProxySecurity.h"

#include <new>

#include "platform/ComHolders.h"
#include "text/Utf16.h"

namespace wmibridge {
namespace {

constexpr HRESULT kInvalidParameterHr = static_cast<HRESULT>(WBEM_E_INVALID_PARAMETER);

// Copies `count` units of `source` into `buffer`, terminated; null when the buffer ran out.
const WCHAR* CopyPart(const WCHAR* source, size_t count, text::CTextBuffer& buffer) noexcept
{
    if (!buffer.Reserve(count + 1)) {
        return nullptr;
    }
    text::CopyN(buffer.Data(), source, count);
    return buffer.Data();
}

// A heap copy of `source` for the identity record, with its length.
USHORT* DuplicateText(const WCHAR* source, ULONG& length) noexcept
{
    const size_t count = text::Length(source);
    auto* copy = new (std::nothrow) WCHAR[count + 1];
    if (copy == nullptr) {
        return nullptr;
    }
    text::CopyN(copy, source, count);
    length = static_cast<ULONG>(count);
    return reinterpret_cast<USHORT*>(copy);
}

void FreeText(USHORT* text, ULONG length, bool wipe) noexcept
{
    if (text == nullptr) {
        return;
    }
    if (wipe) {
        SecureZeroMemory(text, length * sizeof(USHORT));
    }
    delete[] reinterpret_cast<WCHAR*>(text);
}

bool HasText(const WCHAR* text)
{
    return text != nullptr && text[0] != 0;
}

}  // namespace

const WCHAR* ExtractDomain(const WCHAR* user, text::CTextBuffer& buffer) noexcept
{
    if (const WCHAR* at = text::Find(user, u'@')) {
        return CopyPart(at + 1, text::Length(at + 1), buffer);
    }
    const size_t count = text::SpanExcluding(user, u'\\');
    return count > 0 ? CopyPart(user, count, buffer) : nullptr;
}

const WCHAR* ExtractUserName(const WCHAR* user, text::CTextBuffer& buffer) noexcept
{
    if (text::Find(user, u'@') != nullptr) {
        const size_t count = text::SpanExcluding(user, u'@');
        return count > 0 ? CopyPart(user, count, buffer) : nullptr;
    }
    if (const WCHAR* backslash = text::Find(user, u'\\')) {
        return CopyPart(backslash + 1, text::Length(backslash + 1), buffer);
    }
    return user;
}

CAuthIdentity::~CAuthIdentity()
{
    FreeText(m_record.User, m_record.UserLength, false);
    FreeText(m_record.Domain, m_record.DomainLength, false);
    FreeText(m_record.Password, m_record.PasswordLength, true);
}

CRefPtr<CAuthIdentity> CreateAuthIdentity(const WCHAR* user, const WCHAR* domain,
                                          const WCHAR* password) noexcept
{
    CRefPtr<CAuthIdentity> identity;
    if (user == nullptr || domain == nullptr || password == nullptr) {
        return identity;
    }
    text::CTextBuffer buffer;
    const WCHAR* userPart = ExtractUserName(user, buffer);
    if (userPart == nullptr) {
        return identity;
    }
    auto* created = new (std::nothrow) CAuthIdentity();
    if (created == nullptr) {
        return identity;
    }
    identity = created;
    COAUTHIDENTITY& record = created->m_record;
    record.User = DuplicateText(userPart, record.UserLength);
    record.Domain = DuplicateText(domain, record.DomainLength);
    record.Password = DuplicateText(password, record.PasswordLength);
    record.Flags = SEC_WINNT_AUTH_IDENTITY_UNICODE;
    if (record.User == nullptr || record.Domain == nullptr || record.Password == nullptr) {
        identity = CRefPtr<CAuthIdentity>();
    }
    return identity;
}

HRESULT GetProxyLevels(IUnknown* proxy, DWORD& authnLevel, DWORD& impLevel) noexcept
{
    if (proxy == nullptr) {
        return kInvalidParameterHr;
    }
    CComRef<IClientSecurity> security;
    HRESULT hr = proxy->QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(security.Put()));
    if (FAILED(hr)) {
        return hr;
    }
    DWORD authnService = 0;
    DWORD authzService = 0;
    DWORD capabilities = 0;
    hr = security->QueryBlanket(proxy, &authnService, &authzService, nullptr, &authnLevel, &impLevel, nullptr,
                                &capabilities);
    if (hr == HRESULT_FROM_WIN32(RPC_S_BINDING_HAS_NO_AUTH)) {
        authnLevel = RPC_C_AUTHN_LEVEL_NONE;
        impLevel = RPC_C_IMP_LEVEL_IDENTIFY;
        hr = S_OK;
    }
    return hr;
}

HRESULT ApplyProxyBlanket(IUnknown* proxy, const WCHAR* user, const WCHAR* password, DWORD authnLevel,
                          DWORD impLevel, CAuthIdentity* identity) noexcept
{
    if (proxy == nullptr) {
        return kInvalidParameterHr;
    }
    if (authnLevel == RPC_C_AUTHN_LEVEL_NONE) {
        return CoSetProxyBlanket(proxy, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_NONE,
                                 RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    }
    if (HasText(user) || HasText(password)) {
        if (identity == nullptr) {
            return kInvalidParameterHr;
        }
        return CoSetProxyBlanket(proxy, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, authnLevel, impLevel,
                                 identity->Record(), EOAC_NONE);
    }
    return CoSetProxyBlanket(proxy, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, authnLevel, impLevel,
                             nullptr, EOAC_NONE);
}

HRESULT SecureProxy(IUnknown* proxy, const WCHAR* user, const WCHAR* password,
                    CAuthIdentity* identity) noexcept
{
    DWORD authnLevel = 0;
    DWORD impLevel = 0;
    const HRESULT hr = GetProxyLevels(proxy, authnLevel, impLevel);
    if (FAILED(hr)) {
        return hr;
    }
    return ApplyProxyBlanket(proxy, user, password, authnLevel, impLevel, identity);
}

}  // namespace wmibridge
