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

    HRESULT STDMETHODCALLTYPE Clone(IWbemContext** ppNewCopy) override;
    HRESULT STDMETHODCALLTYPE GetNames(LONG lFlags, SAFEARRAY** pstrNames) override;
    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG lFlags) override;
    HRESULT STDMETHODCALLTYPE Next(LONG lFlags, BSTR* pstrName, VARIANT* pValue) override;
    HRESULT STDMETHODCALLTYPE EndEnumeration() override;
    HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR wszName, LONG lFlags, VARIANT* pValue) override;
    HRESULT STDMETHODCALLTYPE GetValue(LPCWSTR wszName, LONG lFlags, VARIANT* pValue) override;
    HRESULT STDMETHODCALLTYPE DeleteValue(LPCWSTR wszName, LONG lFlags) override;
    HRESULT STDMETHODCALLTYPE DeleteAll() override;

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
