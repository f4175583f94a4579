// A BSTR that is freed when it goes out of scope.
#pragma once

#include <oleauto.h>

#include <utility>

namespace pal::services {

class ScopedBstr {
public:
    ScopedBstr() noexcept = default;
    explicit ScopedBstr(const OLECHAR* text) : value_(text != nullptr ? SysAllocString(text) : nullptr) {}
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    ~ScopedBstr() { SysFreeString(value_); }

    BSTR get() const noexcept { return value_; }
    // Frees the current text and returns the address for a function that delivers one.
    BSTR* Receive() noexcept
    {
        SysFreeString(std::exchange(value_, nullptr));
        return &value_;
    }

private:
    BSTR value_ = nullptr;
};

}  // namespace pal::services
