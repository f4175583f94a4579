#include "wmi/ComApartment.h"

#include <atomic>
#include <new>

namespace wmibridge {

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

// Debts parked for living threads and not paid yet, over all threads. While it is 0 an export
// has nothing to pay and does not even look its thread's bookkeeping up. It may lag behind a park
// for a moment; the debt is then paid at a later entry.
std::atomic<long> g_unpaid{0};

void Park(ComThreadDebt* home) noexcept
{
    const long parked = home->parked.fetch_add(1, std::memory_order_acq_rel) + 1;
    if (parked == 0) {
        delete home;
    } else if (parked > 0) {
        // The thread still lives and will pay.
        g_unpaid.fetch_add(1, std::memory_order_release);
    }
}

// Hands the thread's bookkeeping over to the holders still out when the thread ends.
struct ThreadEnd {
    bool armed = false;

    ~ThreadEnd()
    {
        ComThreadDebt* debt = t_debt;
        t_debt = nullptr;
        if (debt == nullptr) {
            return;
        }
        const long parked = debt->parked.fetch_sub(debt->out, std::memory_order_acq_rel);
        // What the thread leaves unpaid is nobody's to pay any more.
        g_unpaid.fetch_sub(parked - debt->paid, std::memory_order_relaxed);
        if (parked - debt->out == 0) {
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

void Settle(ComThreadDebt* debt) noexcept
{
    const long parked = debt->parked.load(std::memory_order_acquire);
    if (debt->paid == parked) {
        return;
    }
    g_unpaid.fetch_sub(parked - debt->paid, std::memory_order_relaxed);
    for (; debt->paid < parked; ++debt->paid) {
        CoUninitialize();
    }
}

}  // namespace

void SettleComDebts() noexcept
{
    if (g_unpaid.load(std::memory_order_acquire) <= 0) {
        return;
    }
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

}  // namespace wmibridge
