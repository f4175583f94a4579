// Owners for the platform's resources: COM interface pointers, BSTRs, VARIANTs and SAFEARRAY
// data locks. Each releases what it holds on every path out of its scope.
#pragma once

#include <utility>

#include "platform/platform.h"

namespace wmibridge {

// One COM reference to an interface.
template <class T>
class CComRef {
public:
    CComRef() = default;
    explicit CComRef(T* p) noexcept : m_p(p) {}  // takes over a reference the caller owns
    CComRef(const CComRef& other) noexcept : m_p(other.m_p)
    {
        if (m_p != nullptr) {
            m_p->AddRef();
        }
    }
    CComRef(CComRef&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~CComRef() { Reset(); }

    CComRef& operator=(CComRef other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }

    // Releases what is held and gives the address for an out-parameter that delivers a reference.
    T** Put() noexcept
    {
        Reset();
        return &m_p;
    }
    void Reset() noexcept
    {
        if (T* p = std::exchange(m_p, nullptr)) {
            p->Release();
        }
    }
    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};

// A BSTR owned by one scope; null stays null.
class CBstr {
public:
    CBstr() = default;
    explicit CBstr(const WCHAR* text) noexcept : m_text(text == nullptr ? nullptr : SysAllocString(text)) {}
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    CBstr(CBstr&& other) noexcept : m_text(std::exchange(other.m_text, nullptr)) {}
    CBstr& operator=(CBstr&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_text = std::exchange(other.m_text, nullptr);
        }
        return *this;
    }
    ~CBstr() { Reset(); }

    void Reset() noexcept
    {
        SysFreeString(m_text);
        m_text = nullptr;
    }
    // Frees what is held and gives the address for an out-parameter that delivers a new BSTR.
    BSTR* Put() noexcept
    {
        Reset();
        return &m_text;
    }
    // Overwrites the characters before freeing them: for passwords.
    void Wipe() noexcept
    {
        if (m_text != nullptr) {
            SecureZeroMemory(m_text, SysStringLen(m_text) * sizeof(WCHAR));
        }
        Reset();
    }
    BSTR Get() const noexcept { return m_text; }
    BSTR Detach() noexcept { return std::exchange(m_text, nullptr); }

private:
    BSTR m_text = nullptr;
};

// A VARIANT that clears itself; pass Address() where the platform fills one.
class CVariant {
public:
    CVariant() noexcept { VariantInit(&m_value); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    ~CVariant() { VariantClear(&m_value); }

    VARIANT* Address() noexcept { return &m_value; }
    const VARIANT* Get() const noexcept { return &m_value; }
    void Clear() noexcept { VariantClear(&m_value); }

private:
    VARIANT m_value;
};

// The data of a SAFEARRAY, locked for the scope of the object.
class CSafeArrayData {
public:
    explicit CSafeArrayData(SAFEARRAY* array) noexcept : m_array(array)
    {
        if (m_array == nullptr || FAILED(SafeArrayAccessData(m_array, &m_data))) {
            m_array = nullptr;
            m_data = nullptr;
        }
    }
    CSafeArrayData(const CSafeArrayData&) = delete;
    CSafeArrayData& operator=(const CSafeArrayData&) = delete;
    ~CSafeArrayData()
    {
        if (m_array != nullptr) {
            SafeArrayUnaccessData(m_array);
        }
    }

    // Null when the data could not be locked.
    void* Data() const noexcept { return m_data; }

private:
    SAFEARRAY* m_array;
    void* m_data = nullptr;
};

}  // namespace wmibridge
