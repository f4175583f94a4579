// Base of the platform layer's COM objects: an atomic reference count that starts at one (the
// creator's reference), accounting by kind, and QueryInterface for IUnknown and the object's own
// interface. Objects that answer further interfaces override QueryOtherInterface.
#pragma once

#include <unknwn.h>

#include <atomic>

#include "accounting.h"
#include "com_boundary.h"

namespace pal {

template <class Interface, const IID* InterfaceId>
class ComObject : public Interface {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) noexcept override
    {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        *ppvObject = nullptr;
        if (riid == IID_IUnknown || riid == *InterfaceId) {
            AddRef();
            *ppvObject = static_cast<Interface*>(this);
            return S_OK;
        }
        try {
            return QueryOtherInterface(riid, ppvObject);
        } catch (...) {
            return CaughtOleError();
        }
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }

    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    // Current reference count, for tests that check the balance of AddRef and Release.
    ULONG References() const { return refs_.load(std::memory_order_relaxed); }

protected:
    explicit ComObject(PalObjectKind kind) : kind_(kind)
    {
        CountCreated(PAL_KIND_COM_OBJECT);
        CountCreated(kind_);
    }

    virtual ~ComObject()
    {
        CountDestroyed(kind_);
        CountDestroyed(PAL_KIND_COM_OBJECT);
    }

    virtual HRESULT QueryOtherInterface(REFIID /*riid*/, void** /*ppvObject*/) { return E_NOINTERFACE; }

private:
    std::atomic<ULONG> refs_{1};
    PalObjectKind kind_;
};

}  // namespace pal
