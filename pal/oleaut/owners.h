// Owners for the platform layer's COM and OLE Automation resources: interface pointers, BSTRs,
// VARIANTs and SAFEARRAYs. Each releases what it holds on every path out of its scope. The verbs are
// those of the bridge's own owners:
//   Get      borrows what is held (no reference, no copy);
//   Put      releases what is held, then gives the address for an out-parameter that delivers one;
//   Reset    releases what is held (Clear for a VARIANT);
//   Detach   hands what is held to the caller, leaving the owner empty;
//   Address  the held VARIANT itself, for a call that reads or updates it in place.
// A raw pointer is taken over with Adopt (or the explicit constructor) and shared with Share, which
// adds a reference of its own; copying a ComPtr adds a reference, and assignment takes the new one
// before it drops the old.
#pragma once

#include <oleauto.h>
#include <unknwn.h>
#include <wbemidl.h>

#include <cstddef>
#include <string_view>
#include <utility>

namespace pal {

// One COM reference to an interface.
template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}  // NOLINT(google-explicit-constructor): an empty owner
    // Takes over a reference the caller owns (as Adopt).
    explicit ComPtr(T* raw) noexcept : raw_(raw) {}
    static ComPtr Adopt(T* raw) noexcept { return ComPtr(raw); }
    // Adds a reference of its own; the caller keeps theirs.
    static ComPtr Share(T* raw) noexcept
    {
        if (raw != nullptr) {
            raw->AddRef();
        }
        return ComPtr(raw);
    }

    ComPtr(const ComPtr& other) noexcept : raw_(other.raw_)
    {
        if (raw_ != nullptr) {
            raw_->AddRef();
        }
    }
    ComPtr(ComPtr&& other) noexcept : raw_(std::exchange(other.raw_, nullptr)) {}
    // The parameter holds the new reference before the old one is released (in its destructor), so
    // assigning an owner to itself, or to one that the old object keeps alive, is safe.
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(raw_, other.raw_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    void Reset() noexcept
    {
        if (T* old = std::exchange(raw_, nullptr)) {
            old->Release();
        }
    }
    // Releases what is held and takes over a reference the caller owns.
    void Attach(T* raw) noexcept
    {
        if (T* old = std::exchange(raw_, raw)) {
            old->Release();
        }
    }
    T** Put() noexcept
    {
        Reset();
        return &raw_;
    }
    T* Detach() noexcept { return std::exchange(raw_, nullptr); }

    T* Get() const noexcept { return raw_; }
    T* operator->() const noexcept { return raw_; }
    explicit operator bool() const noexcept { return raw_ != nullptr; }
    friend bool operator==(const ComPtr& owner, std::nullptr_t) noexcept { return owner.raw_ == nullptr; }

private:
    T* raw_ = nullptr;
};

// A BSTR owned by one scope; null stays null.
class OwnedBstr {
public:
    OwnedBstr() noexcept = default;
    // A copy of the text; null when the text is null or memory runs out.
    explicit OwnedBstr(const OLECHAR* text) noexcept : text_(text != nullptr ? SysAllocString(text) : nullptr)
    {
    }
    // A copy of the text, embedded NULs kept; null when memory runs out.
    explicit OwnedBstr(std::u16string_view text) noexcept
        : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())))
    {
    }
    static OwnedBstr Adopt(BSTR text) noexcept
    {
        OwnedBstr owner;
        owner.text_ = text;
        return owner;
    }
    OwnedBstr(const OwnedBstr&) = delete;
    OwnedBstr& operator=(const OwnedBstr&) = delete;
    OwnedBstr(OwnedBstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
    OwnedBstr& operator=(OwnedBstr&& other) noexcept
    {
        if (this != &other) {
            Reset();
            text_ = std::exchange(other.text_, nullptr);
        }
        return *this;
    }
    ~OwnedBstr() { Reset(); }

    void Reset() noexcept { SysFreeString(std::exchange(text_, nullptr)); }
    BSTR* Put() noexcept
    {
        Reset();
        return &text_;
    }
    BSTR Detach() noexcept { return std::exchange(text_, nullptr); }
    BSTR Get() const noexcept { return text_; }
    explicit operator bool() const noexcept { return text_ != nullptr; }

private:
    BSTR text_ = nullptr;
};

// A VARIANT that clears itself; movable, not copyable.
class OwnedVariant {
public:
    OwnedVariant() noexcept { VariantInit(&value_); }
    OwnedVariant(OwnedVariant&& other) noexcept : value_(other.Detach()) {}
    OwnedVariant& operator=(OwnedVariant&& other) noexcept
    {
        if (this != &other) {
            VariantClear(&value_);
            value_ = other.Detach();
        }
        return *this;
    }
    OwnedVariant(const OwnedVariant&) = delete;
    OwnedVariant& operator=(const OwnedVariant&) = delete;
    ~OwnedVariant() { VariantClear(&value_); }

    void Clear() noexcept { VariantClear(&value_); }
    VARIANT* Put() noexcept
    {
        Clear();
        return &value_;
    }
    VARIANT* Address() noexcept { return &value_; }
    const VARIANT* Get() const noexcept { return &value_; }
    VARTYPE Type() const noexcept { return V_VT(&value_); }
    // Hands the value to the caller (whose VARIANT must be clear); this one becomes VT_EMPTY.
    VARIANT Detach() noexcept
    {
        VARIANT value = value_;
        VariantInit(&value_);
        return value;
    }

private:
    VARIANT value_;
};

// A SAFEARRAY owned by one scope.
class OwnedSafeArray {
public:
    OwnedSafeArray() noexcept = default;
    // Takes over an array the caller owns.
    explicit OwnedSafeArray(SAFEARRAY* array) noexcept : array_(array) {}
    OwnedSafeArray(const OwnedSafeArray&) = delete;
    OwnedSafeArray& operator=(const OwnedSafeArray&) = delete;
    OwnedSafeArray(OwnedSafeArray&& other) noexcept : array_(std::exchange(other.array_, nullptr)) {}
    OwnedSafeArray& operator=(OwnedSafeArray&& other) noexcept
    {
        if (this != &other) {
            Reset();
            array_ = std::exchange(other.array_, nullptr);
        }
        return *this;
    }
    ~OwnedSafeArray() { Reset(); }

    void Reset() noexcept
    {
        if (SAFEARRAY* old = std::exchange(array_, nullptr)) {
            SafeArrayDestroy(old);
        }
    }
    SAFEARRAY** Put() noexcept
    {
        Reset();
        return &array_;
    }
    SAFEARRAY* Detach() noexcept { return std::exchange(array_, nullptr); }
    SAFEARRAY* Get() const noexcept { return array_; }
    explicit operator bool() const noexcept { return array_ != nullptr; }

private:
    SAFEARRAY* array_ = nullptr;
};

// A new BSTR with the text (embedded NULs kept), or null when out of memory.
inline BSTR AllocBstr(std::u16string_view text) noexcept
{
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

namespace wmi {
// The emulator's most common owner: one reference to a class or instance.
using ObjectPtr = ComPtr<IWbemClassObject>;
}  // namespace wmi

}  // namespace pal
