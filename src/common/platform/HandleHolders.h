// Owners for the platform's kernel handles, registry keys and loaded modules, in the manner of ComHolders.h:
// each gives back what it holds on every path out of its scope.
#pragma once

#include <utility>

#include "platform/platform.h"

namespace wmibridge {

// One resource of type T, given back through Traits::Close unless Traits::Holds says it is none.
template <class T, class Traits>
class CScopedResource {
public:
    CScopedResource() = default;
    explicit CScopedResource(T value) noexcept : m_value(value) {}
    CScopedResource(const CScopedResource&) = delete;
    CScopedResource& operator=(const CScopedResource&) = delete;
    ~CScopedResource() { Reset(); }

    // Gives back what is held and gives the address for an out-parameter that delivers a new one.
    T* Put() noexcept
    {
        Reset();
        return &m_value;
    }
    void Reset() noexcept
    {
        const T value = std::exchange(m_value, T{});
        if (Traits::Holds(value)) {
            Traits::Close(value);
        }
    }
    T Get() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return Traits::Holds(m_value); }

private:
    T m_value{};
};

struct KernelHandleTraits {
    // Functions disagree on what "no handle" is: some give null, others INVALID_HANDLE_VALUE.
    static bool Holds(HANDLE handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) noexcept { CloseHandle(handle); }
};

struct RegistryKeyTraits {
    static bool Holds(HKEY key) noexcept { return key != nullptr; }
    static void Close(HKEY key) noexcept { RegCloseKey(key); }
};

struct LoadedModuleTraits {
    static bool Holds(HMODULE module) noexcept { return module != nullptr; }
    static void Close(HMODULE module) noexcept { FreeLibrary(module); }
};

// A kernel handle (a logon token, for one), closed with CloseHandle.
using CScopedHandle = CScopedResource<HANDLE, KernelHandleTraits>;
// An open registry key, closed with RegCloseKey.
using CScopedRegKey = CScopedResource<HKEY, RegistryKeyTraits>;
// A module loaded with LoadLibraryExW, freed with FreeLibrary.
using CScopedModule = CScopedResource<HMODULE, LoadedModuleTraits>;

}  // namespace wmibridge
