#include "services/context.h"
#include "com_boundary.h"

#include <new>

#include "base/names.h"
#include "base/text.h"

namespace pal::services {

namespace {

BSTR AllocText(std::u16string_view text)
{
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

}  // namespace

Context::Context() : ComObject(PAL_KIND_WBEM_CONTEXT) {}

std::vector<Context::Entry>::iterator Context::Find(std::u16string_view name)
{
    for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
        if (NamesEqual(entry->name, name)) {
            return entry;
        }
    }
    return entries_.end();
}

HRESULT Context::Clone(IWbemContext** ppNewCopy) noexcept
try {
    if (ppNewCopy == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    *ppNewCopy = nullptr;
    auto* copy = new (std::nothrow) Context();
    if (copy == nullptr) {
        return WBEM_E_OUT_OF_MEMORY;
    }
    std::lock_guard lock(mutex_);
    try {
        for (const Entry& entry : entries_) {
            Entry duplicate{entry.name, {}};
            if (FAILED(VariantCopy(duplicate.value.Address(), entry.value.Get()))) {
                copy->Release();
                return WBEM_E_OUT_OF_MEMORY;
            }
            copy->entries_.push_back(std::move(duplicate));
        }
    } catch (const std::bad_alloc&) {
        copy->Release();
        return WBEM_E_OUT_OF_MEMORY;
    }
    *ppNewCopy = copy;
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Context::GetNames(LONG lFlags, SAFEARRAY** pstrNames) noexcept
try {
    if (pstrNames == nullptr || lFlags != 0) {
        return WBEM_E_INVALID_PARAMETER;
    }
    *pstrNames = nullptr;
    std::lock_guard lock(mutex_);
    SAFEARRAY* names = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(entries_.size()));
    if (names == nullptr) {
        return WBEM_E_OUT_OF_MEMORY;
    }
    for (LONG i = 0; i < static_cast<LONG>(entries_.size()); ++i) {
        BSTR name = AllocText(entries_[static_cast<size_t>(i)].name);
        if (name == nullptr || FAILED(SafeArrayPutElement(names, &i, name))) {
            SysFreeString(name);
            SafeArrayDestroy(names);
            return WBEM_E_OUT_OF_MEMORY;
        }
        SysFreeString(name);  // SafeArrayPutElement keeps its own copy
    }
    *pstrNames = names;
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Context::BeginEnumeration(LONG lFlags) noexcept
try {
    if (lFlags != 0) {
        return WBEM_E_INVALID_PARAMETER;
    }
    std::lock_guard lock(mutex_);
    position_ = 0;
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Context::Next(LONG lFlags, BSTR* pstrName, VARIANT* pValue) noexcept
try {
    if (lFlags != 0) {
        return WBEM_E_INVALID_PARAMETER;
    }
    std::lock_guard lock(mutex_);
    if (position_ < 0) {
        return WBEM_E_UNEXPECTED;
    }
    if (static_cast<size_t>(position_) >= entries_.size()) {
        return WBEM_S_NO_MORE_DATA;
    }
    const Entry& entry = entries_[static_cast<size_t>(position_)];
    BSTR name = nullptr;
    if (pstrName != nullptr) {
        name = AllocText(entry.name);
        if (name == nullptr) {
            return WBEM_E_OUT_OF_MEMORY;
        }
    }
    if (pValue != nullptr) {
        VariantInit(pValue);
        if (FAILED(VariantCopy(pValue, entry.value.Get()))) {
            SysFreeString(name);
            return WBEM_E_OUT_OF_MEMORY;
        }
    }
    if (pstrName != nullptr) {
        *pstrName = name;
    }
    ++position_;
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Context::EndEnumeration() noexcept
try {
    std::lock_guard lock(mutex_);
    position_ = -1;
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Context::SetValue(LPCWSTR wszName, LONG lFlags, VARIANT* pValue) noexcept
try {
    if (wszName == nullptr || *wszName == u'\0' || pValue == nullptr || lFlags != 0) {
        return WBEM_E_INVALID_PARAMETER;
    }
    OwnedVariant copy;
    if (FAILED(VariantCopy(copy.Address(), pValue))) {
        return WBEM_E_OUT_OF_MEMORY;
    }
    std::lock_guard lock(mutex_);
    try {
        const auto found = Find(ViewOf(wszName));
        if (found != entries_.end()) {
            found->value = std::move(copy);
        } else {
            entries_.push_back(Entry{std::u16string(ViewOf(wszName)), std::move(copy)});
        }
    } catch (const std::bad_alloc&) {
        return WBEM_E_OUT_OF_MEMORY;
    }
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Context::GetValue(LPCWSTR wszName, LONG lFlags, VARIANT* pValue) noexcept
try {
    if (wszName == nullptr || pValue == nullptr || lFlags != 0) {
        return WBEM_E_INVALID_PARAMETER;
    }
    std::lock_guard lock(mutex_);
    const auto found = Find(ViewOf(wszName));
    if (found == entries_.end()) {
        return WBEM_E_NOT_FOUND;
    }
    VariantInit(pValue);
    return FAILED(VariantCopy(pValue, found->value.Address())) ? WBEM_E_OUT_OF_MEMORY : WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Context::DeleteValue(LPCWSTR wszName, LONG lFlags) noexcept
try {
    if (wszName == nullptr || lFlags != 0) {
        return WBEM_E_INVALID_PARAMETER;
    }
    std::lock_guard lock(mutex_);
    const auto found = Find(ViewOf(wszName));
    if (found != entries_.end()) {
        entries_.erase(found);
    }
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT Context::DeleteAll() noexcept
try {
    std::lock_guard lock(mutex_);
    entries_.clear();
    position_ = -1;
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

}  // namespace pal::services
