// The exception boundary of the platform layer. Real COM never lets a C++ exception cross a method
// call, so every method that a caller reaches through a vtable or an exported function catches what
// its body throws and returns a code instead: out of memory for std::bad_alloc, a general failure for
// anything else. Each family of interfaces has its own pair of codes (ComBoundary's arguments).
//
// A method either wraps its body in a function-try-block:
//
//     HRESULT Services::GetObject(...) noexcept
//     try {
//         ...
//     } catch (...) {
//         return CaughtWmiError();
//     }
//
// or hands a lambda to ComBoundary: `return ComBoundary(kWmiErrors, [&] { ... });`.
#pragma once

#include <wbemidl.h>
#include <winbase.h>
#include <winerror.h>

#include <new>
#include <utility>

namespace pal {

// The codes a boundary returns for a caught exception.
template <class Result>
struct BoundaryErrors {
    Result outOfMemory;
    Result failure;
};

inline constexpr BoundaryErrors<HRESULT> kWmiErrors{static_cast<HRESULT>(WBEM_E_OUT_OF_MEMORY),
                                                    static_cast<HRESULT>(WBEM_E_FAILED)};
inline constexpr BoundaryErrors<HRESULT> kOleErrors{E_OUTOFMEMORY, E_FAIL};
inline constexpr BoundaryErrors<LSTATUS> kWin32Errors{ERROR_NOT_ENOUGH_MEMORY, ERROR_INVALID_FUNCTION};

// The code for the exception being handled; call only from a catch handler.
template <class Result>
Result CaughtError(const BoundaryErrors<Result>& errors) noexcept
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return errors.outOfMemory;
    } catch (...) {
        return errors.failure;
    }
}

inline HRESULT CaughtWmiError() noexcept
{
    return CaughtError(kWmiErrors);
}
inline HRESULT CaughtOleError() noexcept
{
    return CaughtError(kOleErrors);
}
inline LSTATUS CaughtWin32Error() noexcept
{
    return CaughtError(kWin32Errors);
}
// For the functions that report FALSE and leave the reason in the thread's last error.
inline BOOL CaughtBoolError() noexcept
{
    SetLastError(static_cast<DWORD>(CaughtWin32Error()));
    return FALSE;
}

// Runs the body and returns its result, or the code for what it threw.
template <class Result, class Body>
Result ComBoundary(const BoundaryErrors<Result>& errors, Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return CaughtError(errors);
    }
}

}  // namespace pal
