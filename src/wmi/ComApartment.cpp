#include "wmi/ComApartment.h"

#include <atomic>

namespace wmiprov {

struct ComThreadDebt {
    std::atomic<long> owed{0};
};

namespace {

// The calling thread's debt cell, shared with the holders made on the thread so that a holder
// destroyed elsewhere can still park its debt after the thread has gone.
thread_local std::shared_ptr<ComThreadDebt> t_debt;

std::shared_ptr<ComThreadDebt>* CurrentDebtSlot() noexcept
{
    if (!t_debt) {
        try {
            t_debt = std::make_shared<ComThreadDebt>();
        } catch (...) {
            return nullptr;
        }
    }
    return &t_debt;
}

}  // namespace

void SettleComDebts() noexcept
{
    if (!t_debt) {
        return;
    }
    for (long owed = t_debt->owed.exchange(0); owed > 0; --owed) {
        CoUninitialize();
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
    SettleComDebts();
    auto* slot = CurrentDebtSlot();
    if (slot == nullptr) {
        // Without a debt cell the holder could not give the initialisation back from another
        // thread; give it back now rather than risk an unbalanced count.
        CoUninitialize();
        return;
    }
    m_owner = *slot;
}

CComInitHold::~CComInitHold()
{
    if (!m_owner) {
        return;
    }
    if (m_owner == t_debt) {
        CoUninitialize();
        SettleComDebts();
    } else {
        m_owner->owed.fetch_add(1, std::memory_order_relaxed);
    }
}

}  // namespace wmiprov
