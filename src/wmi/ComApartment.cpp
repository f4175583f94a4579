#include "wmi/ComApartment.h"

#include <atomic>
#include <new>

namespace wmiprov {

// A thread's bookkeeping lives on the heap, so that holders destroyed after the thread ended can
// still park their debt. `parked` is the only field other threads touch.
//
// While the thread lives, `parked` counts the holders of its initialisations that were destroyed
// elsewhere, and only grows; the thread has paid `paid` of them. When the thread ends it subtracts
// the holders it still had out (`out`), so that `parked` becomes minus the number of holders still
// alive; each of them adds one as it goes, and whoever brings it to 0 frees the bookkeeping.
struct ComThreadDebt {
    std::atomic<long> parked{0};
    long paid = 0;  // the owning thread only
    long out = 0;   // the owning thread only: holders made here and not destroyed here
};

namespace {

// The calling thread's bookkeeping; a plain pointer, so that reading it costs no initialisation
// check.
thread_local ComThreadDebt* t_debt = nullptr;

void Park(ComThreadDebt* home) noexcept
{
    if (home->parked.fetch_add(1, std::memory_order_acq_rel) + 1 == 0) {
        delete home;
    }
}

// Hands the thread's bookkeeping over to the holders still out when the thread ends.
struct ThreadEnd {
    bool armed = false;

    ~ThreadEnd()
    {
        ComThreadDebt* debt = t_debt;
        t_debt = nullptr;
        if (debt != nullptr &&
            debt->parked.fetch_sub(debt->out, std::memory_order_acq_rel) - debt->out == 0) {
            delete debt;
        }
    }
};

thread_local ThreadEnd t_threadEnd;

ComThreadDebt* CurrentDebt() noexcept
{
    if (t_debt == nullptr) {
        t_debt = new (std::nothrow) ComThreadDebt();
        if (t_debt != nullptr) {
            t_threadEnd.armed = true;  // its destructor now runs when the thread ends
        }
    }
    return t_debt;
}

}  // namespace

namespace {

void Settle(ComThreadDebt* debt) noexcept
{
    const long parked = debt->parked.load(std::memory_order_acquire);
    for (; debt->paid < parked; ++debt->paid) {
        CoUninitialize();
    }
}

}  // namespace

void SettleComDebts() noexcept
{
    if (ComThreadDebt* debt = t_debt) {
        Settle(debt);
    }
}

CComInitHold::CComInitHold() noexcept
{
    Adopt(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
}

CComInitHold::CComInitHold(HRESULT hrOfInitialisation) noexcept
{
    Adopt(hrOfInitialisation);
}

void CComInitHold::Adopt(HRESULT hr) noexcept
{
    if (FAILED(hr)) {
        return;
    }
    ComThreadDebt* debt = t_debt;
    if (debt != nullptr) {
        Settle(debt);
    } else if ((debt = CurrentDebt()) == nullptr) {
        // Without bookkeeping the holder could not give the initialisation back from another
        // thread; give it back now rather than risk an unbalanced count.
        CoUninitialize();
        return;
    }
    ++debt->out;
    m_home = debt;
}

CComInitHold::~CComInitHold()
{
    if (m_home == nullptr) {
        return;
    }
    ComThreadDebt* const here = t_debt;
    if (m_home == here) {
        --here->out;
        CoUninitialize();
        Settle(here);
    } else {
        Park(m_home);
    }
}

}  // namespace wmiprov
