#include "repository/qualifier_set.h"
#include "com_boundary.h"

#include "owners.h"
#include "repository/variant_convert.h"

namespace pal::wmi {

SAFEARRAY* NamesToSafeArray(const std::vector<std::u16string>& names)
{
    OwnedSafeArray array(SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(names.size())));
    if (array.Get() == nullptr) {
        return nullptr;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        BSTR name = AllocBstr(names[i]);
        if (name == nullptr) {
            return nullptr;
        }
        LONG index = static_cast<LONG>(i);
        const HRESULT hr = SafeArrayPutElement(array.Get(), &index, name);
        SysFreeString(name);
        if (FAILED(hr)) {
            return nullptr;
        }
    }
    return array.Detach();
}

IWbemQualifierSet* QualifierSet::Create(QualifierList qualifiers, LONG extraFlavor)
{
    return new QualifierSet(std::move(qualifiers), extraFlavor);
}

QualifierSet::QualifierSet(QualifierList qualifiers, LONG extraFlavor)
    : ComObject(PAL_KIND_WBEM_QUALIFIER_SET), qualifiers_(std::move(qualifiers)), extraFlavor_(extraFlavor)
{
}

HRESULT QualifierSet::Get(LPCWSTR wszName, LONG /*lFlags*/, VARIANT* pVal, LONG* plFlavor) noexcept
try {
    if (wszName == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const Qualifier* qualifier = FindQualifier(qualifiers_, wszName);
    if (qualifier == nullptr) {
        return WBEM_E_NOT_FOUND;
    }
    if (pVal != nullptr) {
        const HRESULT hr = ValueToVariant(qualifier->type, qualifier->value, pVal);
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (plFlavor != nullptr) {
        *plFlavor = qualifier->flavor | extraFlavor_;
    }
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT QualifierSet::Put(LPCWSTR /*wszName*/, VARIANT* /*pVal*/, LONG /*lFlavor*/) noexcept
try {
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

HRESULT QualifierSet::Delete(LPCWSTR /*wszName*/) noexcept
try {
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

HRESULT QualifierSet::GetNames(LONG /*lFlags*/, SAFEARRAY** pNames) noexcept
try {
    if (pNames == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    std::vector<std::u16string> names;
    for (const auto& qualifier : qualifiers_) {
        names.push_back(qualifier.name);
    }
    *pNames = NamesToSafeArray(names);
    return *pNames == nullptr ? WBEM_E_OUT_OF_MEMORY : WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT QualifierSet::BeginEnumeration(LONG /*lFlags*/) noexcept
try {
    position_ = 0;
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT QualifierSet::Next(LONG /*lFlags*/, BSTR* pstrName, VARIANT* pVal, LONG* plFlavor) noexcept
try {
    if (position_ < 0) {
        return WBEM_E_UNEXPECTED;
    }
    if (static_cast<size_t>(position_) >= qualifiers_.size()) {
        return WBEM_S_NO_MORE_DATA;
    }
    const Qualifier& qualifier = qualifiers_[static_cast<size_t>(position_++)];
    if (pVal != nullptr) {
        const HRESULT hr = ValueToVariant(qualifier.type, qualifier.value, pVal);
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (pstrName != nullptr) {
        *pstrName = AllocBstr(qualifier.name);
    }
    if (plFlavor != nullptr) {
        *plFlavor = qualifier.flavor | extraFlavor_;
    }
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT QualifierSet::EndEnumeration() noexcept
try {
    position_ = -1;
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

}  // namespace pal::wmi
