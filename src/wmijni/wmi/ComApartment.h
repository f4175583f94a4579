// One COM initialisation of the multithreaded apartment, held by a native object for its life.
//
// Native objects that hold WMI interfaces enter the multithreaded apartment when they are built
// and give that initialisation back when they are destroyed, which may happen on another thread.
// The rule that keeps every thread's count balanced: an initialisation is given back only if it
// succeeded, and only on the thread that made it. A holder destroyed on another thread parks the
// initialisation as a debt of its own thread, which that thread pays (CoUninitialize) the next
// time it enters the library. So no holder ever uninitialises COM that somebody else initialised.
//
// The bookkeeping costs a holder made and destroyed on one thread no atomic operation, and an
// export, while no thread owes anything, one load of a shared count.
#pragma once

#include "platform/platform.h"

namespace wmibridge {

// The bookkeeping of one thread: what it owes for holders destroyed elsewhere.
struct ComThreadDebt;

class CComInitHold {
public:
    // Calls CoInitializeEx(NULL, COINIT_MULTITHREADED); holds the initialisation if it succeeded.
    CComInitHold() noexcept;
    // Takes over an initialisation that the calling thread has just made and whose result was hr.
    explicit CComInitHold(HRESULT hrOfInitialisation) noexcept;
    ~CComInitHold();

    CComInitHold(const CComInitHold&) = delete;
    CComInitHold& operator=(const CComInitHold&) = delete;

    bool Holds() const { return m_home != nullptr; }

private:
    void Adopt(HRESULT hr) noexcept;

    // The bookkeeping of the thread that made the initialisation; null when none is held.
    ComThreadDebt* m_home = nullptr;
};

// Pays the calling thread's parked initialisations. Every export calls it on entry.
void SettleComDebts() noexcept;

}  // namespace wmibridge
