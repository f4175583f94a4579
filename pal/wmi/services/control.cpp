// The C test controls of the service side (pal/wmi_control.h) that concern hosts, accounts,
// events and resetting everything.
#include <pal/testing.h>
#include <pal/wmi_control.h>
#include <pal/wmi_raw_values.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "base/names.h"
#include "base/text.h"
#include "com_boundary.h"
#include "hosts/hosts.h"
#include "repository/repository.h"
#include "owners.h"
#include "services/faults.h"
#include "services/notifications.h"
#include "services/process_security.h"
#include "services/proxy_security.h"
#include "services/services.h"
#include "wql/object_path.h"

using pal::FromUtf8;

namespace {

// The repository a host serves and the namespace asked for (null: root\default), or null for an
// unknown host.
std::shared_ptr<pal::wmi::Repository> RepositoryOf(const char* host, const char* nameSpace,
                                                   std::u16string& path)
{
    const std::shared_ptr<const pal::hosts::Host> found = pal::hosts::FindHost(FromUtf8(host));
    path = nameSpace != nullptr ? FromUtf8(nameSpace) : u"root\\default";
    return found ? found->repository : nullptr;
}

// A property value from text, read as the property's CIM type reads it: what Put then takes.
HRESULT TextToVariant(CIMTYPE type, const std::string& text, VARIANT* value)
{
    switch (type) {
    case CIM_STRING:
    case CIM_DATETIME:
    case CIM_REFERENCE:
    case CIM_SINT64:
    case CIM_UINT64: {
        const std::u16string chars = FromUtf8(text.c_str());
        V_VT(value) = VT_BSTR;
        V_BSTR(value) = SysAllocStringLen(chars.data(), static_cast<UINT>(chars.size()));
        return V_BSTR(value) == nullptr ? WBEM_E_OUT_OF_MEMORY : S_OK;
    }
    case CIM_BOOLEAN: {
        const std::u16string word = pal::FoldName(FromUtf8(text.c_str()));
        if (word != u"TRUE" && word != u"FALSE") {
            return WBEM_E_TYPE_MISMATCH;
        }
        V_VT(value) = VT_BOOL;
        V_BOOL(value) = word == u"TRUE" ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    case CIM_REAL32:
    case CIM_REAL64: {
        char* end = nullptr;
        errno = 0;
        const double number = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || errno != 0) {
            return WBEM_E_TYPE_MISMATCH;
        }
        V_VT(value) = VT_R8;
        V_R8(value) = number;
        return S_OK;
    }
    case CIM_SINT8:
    case CIM_UINT8:
    case CIM_SINT16:
    case CIM_UINT16:
    case CIM_SINT32:
    case CIM_UINT32: {
        char* end = nullptr;
        errno = 0;
        const long long number = std::strtoll(text.c_str(), &end, 10);
        const bool isUnsigned = type == CIM_UINT8 || type == CIM_UINT16 || type == CIM_UINT32;
        const int bits = type == CIM_SINT8 || type == CIM_UINT8     ? 8
                         : type == CIM_SINT16 || type == CIM_UINT16 ? 16
                                                                    : 32;
        const long long lowest = isUnsigned ? 0 : -(1LL << (bits - 1));
        const long long highest = isUnsigned ? (1LL << bits) - 1 : (1LL << (bits - 1)) - 1;
        if (text.empty() || *end != '\0' || errno != 0 || number < lowest || number > highest) {
            return WBEM_E_TYPE_MISMATCH;
        }
        V_VT(value) = VT_I8;
        V_I8(value) = number;
        return S_OK;
    }
    default: return WBEM_E_TYPE_MISMATCH;  // characters, arrays and objects are not raised by tests
    }
}

}  // namespace

PALAPI void PalWmiResetAll(void)
{
    pal::hosts::ResetHosts();
    pal::services::ResetFaults();
    pal::services::ResetProcessSecurity();
    pal::services::ForgetNewestProxies();
    pal::services::ResetEventPolls();
    PalResetFaults();
    pal::wmi::LocalRepository()->ResetToShipped();
    PalWmiRecordPuts(FALSE);
}

PALAPI const char* PalWmiLocalHostName(void)
{
    static const std::string name = pal::ToUtf8(pal::wmi::LocalServerName());
    return name.c_str();
}

PALAPI void PalWmiAddHost(const char* host)
{
    pal::hosts::AddHost(FromUtf8(host), false);
}

PALAPI void PalWmiAddHostWithOwnRepository(const char* host)
{
    pal::hosts::AddHost(FromUtf8(host), true);
}

PALAPI BOOL PalWmiAddAccount(const char* host, const char* domain, const char* user, const char* password,
                             BOOL lockedOut)
try {
    pal::hosts::Account account{FromUtf8(domain), FromUtf8(user), FromUtf8(password), lockedOut != FALSE};
    return pal::hosts::AddAccount(FromUtf8(host), std::move(account)) ? TRUE : FALSE;
} catch (...) {
    return pal::CaughtBoolError();
}

PALAPI BOOL PalWmiSetHostNoAuthentication(const char* host, BOOL noAuthentication)
try {
    return pal::hosts::SetNoAuthentication(FromUtf8(host), noAuthentication != FALSE) ? TRUE : FALSE;
} catch (...) {
    return pal::CaughtBoolError();
}

PALAPI HRESULT PalWmiLoadHostMof(const char* host, const char* defaultNamespace, const char* mofText,
                                 char* errorText, ULONG errorTextSize)
try {
    if (errorText != nullptr && errorTextSize > 0) {
        errorText[0] = '\0';
    }
    if (mofText == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const std::shared_ptr<const pal::hosts::Host> found = pal::hosts::FindHost(FromUtf8(host));
    if (!found) {
        return WBEM_E_NOT_FOUND;
    }
    const std::u16string nameSpace =
        defaultNamespace != nullptr ? FromUtf8(defaultNamespace) : u"root\\default";
    std::u16string error;
    const HRESULT hr = found->repository->LoadMof(FromUtf8(mofText), nameSpace, &error);
    if (FAILED(hr) && errorText != nullptr && errorTextSize > 0) {
        const std::string utf8 = pal::ToUtf8(error);
        const size_t length = std::min(utf8.size(), static_cast<size_t>(errorTextSize - 1));
        std::copy_n(utf8.begin(), length, errorText);
        errorText[length] = '\0';
    }
    return hr;
} catch (...) {
    return pal::CaughtWmiError();
}

PALAPI HRESULT PalWmiRaiseEvent(const char* host, const char* nameSpace, const char* className, ULONG count,
                                const char* const* names, const char* const* values, LONG* delivered)
try {
    using pal::ComPtr;
    if (delivered != nullptr) {
        *delivered = 0;
    }
    if (className == nullptr || (count > 0 && (names == nullptr || values == nullptr))) {
        return WBEM_E_INVALID_PARAMETER;
    }
    std::u16string path;
    const std::shared_ptr<pal::wmi::Repository> repository = RepositoryOf(host, nameSpace, path);
    if (!repository) {
        return WBEM_E_NOT_FOUND;
    }
    const std::u16string name = FromUtf8(className);
    ComPtr<IWbemClassObject> eventClass;
    HRESULT hr = repository->GetClass(path, name, eventClass.Put());
    if (FAILED(hr)) {
        return hr == WBEM_E_NOT_FOUND ? WBEM_E_INVALID_CLASS : hr;
    }
    if (!repository->InheritsFrom(path, name, u"__ExtrinsicEvent")) {
        return WBEM_E_NOT_EVENT_CLASS;
    }
    ComPtr<IWbemClassObject> event;
    hr = eventClass->SpawnInstance(0, event.Put());
    for (ULONG i = 0; SUCCEEDED(hr) && i < count; ++i) {
        const std::u16string property = FromUtf8(names[i]);
        CIMTYPE type = CIM_EMPTY;
        hr = event->Get(property.c_str(), 0, nullptr, &type, nullptr);
        if (FAILED(hr) || values[i] == nullptr) {
            continue;
        }
        pal::OwnedVariant value;
        hr = TextToVariant(type, values[i], value.Address());
        if (SUCCEEDED(hr)) {
            hr = event->Put(property.c_str(), 0, value.Address(), 0);
        }
    }
    if (FAILED(hr)) {
        return hr;
    }
    LONG received = 0;
    hr = pal::services::RaiseExtrinsicEvent(*repository, repository->CanonicalNamespace(path), event.Get(),
                                            &received);
    if (delivered != nullptr) {
        *delivered = received;
    }
    return hr;
} catch (...) {
    return pal::CaughtWmiError();
}

PALAPI HRESULT PalWmiDeleteInstance(const char* host, const char* nameSpace, const char* objectPath)
try {
    if (objectPath == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    std::u16string path;
    const std::shared_ptr<pal::wmi::Repository> repository = RepositoryOf(host, nameSpace, path);
    if (!repository) {
        return WBEM_E_NOT_FOUND;
    }
    pal::wql::ObjectPath parsed;
    HRESULT hr = pal::wql::ParseObjectPath(FromUtf8(objectPath), parsed);
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<pal::wmi::KeyBinding> keys;
    hr = pal::services::KeyBindingsOf(*repository, path, parsed, keys);
    return FAILED(hr) ? hr : repository->DeleteInstance(path, parsed.className, keys);
} catch (...) {
    return pal::CaughtWmiError();
}

PALAPI void PalWmiHoldEventPolls(BOOL hold)
{
    pal::services::HoldEventPolls(hold != FALSE);
}

PALAPI LONG PalWmiEventPollCount(void)
{
    return pal::services::EventPollCount();
}
