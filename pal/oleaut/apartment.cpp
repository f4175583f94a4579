// COM apartments: each thread enters the multithreaded or a single-threaded apartment with
// CoInitializeEx and leaves it with as many CoUninitialize calls.
#include <objbase.h>

#include "accounting.h"

namespace {

struct ThreadApartment {
    LONG depth = 0;
    DWORD mode = COINIT_MULTITHREADED;

    ~ThreadApartment()
    {
        // A thread that ends still initialised leaves its apartment, as it does on Windows.
        if (depth != 0) {
            pal::AddApartmentDepth(-depth);
        }
    }
};

thread_local ThreadApartment t_apartment;

constexpr DWORD kApartmentMask = COINIT_APARTMENTTHREADED;

}  // namespace

STDAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit)
{
    if (pvReserved != nullptr) {
        return E_INVALIDARG;
    }
    const DWORD mode = dwCoInit & kApartmentMask;
    ThreadApartment& apartment = t_apartment;
    if (apartment.depth > 0 && apartment.mode != mode) {
        return RPC_E_CHANGED_MODE;
    }
    apartment.mode = mode;
    ++apartment.depth;
    pal::AddApartmentDepth(1);
    return apartment.depth == 1 ? S_OK : S_FALSE;
}

PALAPI void CoUninitialize(void)
{
    ThreadApartment& apartment = t_apartment;
    if (apartment.depth == 0) {
        return;
    }
    --apartment.depth;
    pal::AddApartmentDepth(-1);
}

PALAPI LONG PalApartmentDepth(void)
{
    return t_apartment.depth;
}

PALAPI LONG PalApartmentMode(void)
{
    return t_apartment.depth == 0 ? -1 : static_cast<LONG>(t_apartment.mode);
}
