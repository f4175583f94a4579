// IWbemQualifierSet over a copy of the qualifiers of a class, property or method.
#pragma once

#include <wbemidl.h>

#include "comobject.h"
#include "repository/schema.h"

namespace pal::wmi {

class QualifierSet final : public ComObject<IWbemQualifierSet, &IID_IWbemQualifierSet> {
public:
    // A new qualifier set with one reference for the caller. `extraFlavor` is added to every
    // qualifier's flavor (WBEM_FLAVOR_ORIGIN_PROPAGATED for what an instance sees of its class).
    static IWbemQualifierSet* Create(QualifierList qualifiers, LONG extraFlavor);

    HRESULT STDMETHODCALLTYPE Get(LPCWSTR wszName, LONG lFlags, VARIANT* pVal,
                                  LONG* plFlavor) noexcept override;
    HRESULT STDMETHODCALLTYPE Put(LPCWSTR wszName, VARIANT* pVal, LONG lFlavor) noexcept override;
    HRESULT STDMETHODCALLTYPE Delete(LPCWSTR wszName) noexcept override;
    HRESULT STDMETHODCALLTYPE GetNames(LONG lFlags, SAFEARRAY** pNames) noexcept override;
    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG lFlags) noexcept override;
    HRESULT STDMETHODCALLTYPE Next(LONG lFlags, BSTR* pstrName, VARIANT* pVal,
                                   LONG* plFlavor) noexcept override;
    HRESULT STDMETHODCALLTYPE EndEnumeration() noexcept override;

private:
    QualifierSet(QualifierList qualifiers, LONG extraFlavor);

    QualifierList qualifiers_;
    LONG extraFlavor_;
    int position_ = -1;
};

// A SAFEARRAY of BSTRs holding the names, or null when out of memory.
SAFEARRAY* NamesToSafeArray(const std::vector<std::u16string>& names);

}  // namespace pal::wmi
