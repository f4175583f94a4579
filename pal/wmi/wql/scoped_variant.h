// A VARIANT that is cleared when it goes out of scope; movable, not copyable.
#pragma once

#include <oleauto.h>

#include <utility>

namespace pal::wql {

class ScopedVariant {
public:
    ScopedVariant() noexcept { VariantInit(&value_); }
    ~ScopedVariant() { VariantClear(&value_); }

    ScopedVariant(ScopedVariant&& other) noexcept
    {
        value_ = other.value_;
        VariantInit(&other.value_);
    }
    ScopedVariant& operator=(ScopedVariant&& other) noexcept
    {
        if (this != &other) {
            VariantClear(&value_);
            value_ = other.value_;
            VariantInit(&other.value_);
        }
        return *this;
    }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;

    VARIANT* get() noexcept { return &value_; }
    const VARIANT* get() const noexcept { return &value_; }
    VARTYPE type() const noexcept { return V_VT(&value_); }

    // Clears the current value and returns the VARIANT for a function that fills it.
    VARIANT* Reset() noexcept
    {
        VariantClear(&value_);
        return &value_;
    }

private:
    VARIANT value_;
};

}  // namespace pal::wql
