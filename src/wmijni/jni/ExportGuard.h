// Every export runs its body through Guarded: no C++ exception ever crosses into the JVM, and the
// calling thread first pays COM initialisations that native objects destroyed on other threads
// parked for it.
//
// The catch is a last resort, not the way errors are reported: COM never throws across an
// interface (a method reports failure through its HRESULT), and the native operations are noexcept
// and turn their allocation failures into codes. What it may still stop is an exception from a
// standard string or container used in an export's own body; the export then answers `onFailure`.
#pragma once

#include <new>
#include <type_traits>

#include "wmi/ComApartment.h"

namespace wmibridge {

template <class Result, class Body>
Result Guarded(Result onFailure, Body&& body) noexcept
{
    try {
        SettleComDebts();
        return body();
    } catch (...) {
        return onFailure;
    }
}

template <class Body>
void Guarded(Body&& body) noexcept
{
    try {
        SettleComDebts();
        body();
    } catch (...) {
        // Nothing to report through a void export; the exception stops here.
    }
}

}  // namespace wmibridge
