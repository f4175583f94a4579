// IWbemContext: named values a client hands to WMI calls for their providers. Names compare
// without regard to ASCII case; each value is a copy of what SetValue was given.
#pragma once

#include <wbemidl.h>

#include <mutex>
#include <string>
#include <vector>

#include "comobject.h"
#include "owners.h"

namespace pal::services {

class Context final : public ComObject<IWbemContext, &IID_IWbemContext> {
public:
    Context();

    HRESULT STDMETHODCALLTYPE Clone(IWbemContext** ppNewCopy) noexcept override;
    HRESULT STDMETHODCALLTYPE GetNames(LONG lFlags, SAFEARRAY** pstrNames) noexcept override;
    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG lFlags) noexcept override;
    HRESULT STDMETHODCALLTYPE Next(LONG lFlags, BSTR* pstrName, VARIANT* pValue) noexcept override;
    HRESULT STDMETHODCALLTYPE EndEnumeration() noexcept override;
    HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR wszName, LONG lFlags, VARIANT* pValue) noexcept override;
    HRESULT STDMETHODCALLTYPE GetValue(LPCWSTR wszName, LONG lFlags, VARIANT* pValue) noexcept override;
    HRESULT STDMETHODCALLTYPE DeleteValue(LPCWSTR wszName, LONG lFlags) noexcept override;
    HRESULT STDMETHODCALLTYPE DeleteAll() noexcept override;

private:
    struct Entry {
        std::u16string name;
        OwnedVariant value;
    };

    // The entry of `name`, or entries_.end().
    std::vector<Entry>::iterator Find(std::u16string_view name);

    std::mutex mutex_;
    std::vector<Entry> entries_;
    // Position of the enumeration: -1 when not enumerating.
    long position_ = -1;
};

}  // namespace pal::services
