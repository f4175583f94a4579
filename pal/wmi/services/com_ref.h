// Owning pointer to a COM interface: releases its reference when it goes away; copies AddRef.
#pragma once

#include <unknwn.h>

#include <utility>

namespace pal::services {

template <class Interface>
class ComRef {
public:
    ComRef() noexcept = default;
    // Takes over a reference that the caller owns.
    static ComRef Adopt(Interface* raw) noexcept
    {
        ComRef ref;
        ref.raw_ = raw;
        return ref;
    }
    // Takes a reference of its own.
    static ComRef Share(Interface* raw) noexcept
    {
        if (raw != nullptr) {
            raw->AddRef();
        }
        return Adopt(raw);
    }

    ComRef(const ComRef& other) noexcept : raw_(other.raw_)
    {
        if (raw_ != nullptr) {
            raw_->AddRef();
        }
    }
    ComRef(ComRef&& other) noexcept : raw_(std::exchange(other.raw_, nullptr)) {}
    ComRef& operator=(ComRef other) noexcept
    {
        std::swap(raw_, other.raw_);
        return *this;
    }
    ~ComRef() { Reset(); }

    void Reset() noexcept
    {
        if (Interface* old = std::exchange(raw_, nullptr)) {
            old->Release();
        }
    }
    // Releases the current reference and returns the address for a function that delivers one.
    Interface** Receive() noexcept
    {
        Reset();
        return &raw_;
    }
    // Hands the reference to the caller.
    Interface* Detach() noexcept { return std::exchange(raw_, nullptr); }

    Interface* get() const noexcept { return raw_; }
    Interface* operator->() const noexcept { return raw_; }
    explicit operator bool() const noexcept { return raw_ != nullptr; }

private:
    Interface* raw_ = nullptr;
};

}  // namespace pal::services
