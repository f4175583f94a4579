// RAII owners for the OLE Automation values the repository handles: VARIANT, BSTR and SAFEARRAY.
#pragma once

#include <oleauto.h>

#include <string_view>
#include <utility>

namespace pal::wmi {

class OwnedVariant {
public:
    OwnedVariant() { VariantInit(&value_); }
    ~OwnedVariant() { VariantClear(&value_); }
    OwnedVariant(const OwnedVariant&) = delete;
    OwnedVariant& operator=(const OwnedVariant&) = delete;

    VARIANT* get() { return &value_; }
    const VARIANT* get() const { return &value_; }
    // Hands the value to the caller's VARIANT, which must be clear; this one becomes VT_EMPTY.
    void MoveTo(VARIANT* target)
    {
        *target = value_;
        VariantInit(&value_);
    }

private:
    VARIANT value_;
};

class OwnedArray {
public:
    explicit OwnedArray(SAFEARRAY* array = nullptr) : array_(array) {}
    ~OwnedArray()
    {
        if (array_ != nullptr) {
            SafeArrayDestroy(array_);
        }
    }
    OwnedArray(const OwnedArray&) = delete;
    OwnedArray& operator=(const OwnedArray&) = delete;

    SAFEARRAY* get() const { return array_; }
    SAFEARRAY* release() { return std::exchange(array_, nullptr); }

private:
    SAFEARRAY* array_;
};

// A new BSTR with the text (embedded NULs kept), or null when out of memory.
inline BSTR AllocBstr(std::u16string_view text)
{
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

}  // namespace pal::wmi
