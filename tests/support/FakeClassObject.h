// An IWbemClassObject that only counts its references, for tests of the native object model that
// must prove every AddRef is balanced by a Release.
#pragma once

#include <atomic>

#include "ClassObjectStubs.h"
#include "platform/platform.h"

namespace testsupport {

class FakeClassObject final : public ClassObjectStubs<IWbemClassObject> {
public:
    // Objects alive right now, over all threads.
    static int Live() { return s_live.load(); }

    // A new object with one reference, owned by the caller.
    static FakeClassObject* Create() { return new FakeClassObject(); }

    ULONG References() const { return m_refs.load(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IWbemClassObject) {
            AddRef();
            *ppv = static_cast<IWbemClassObject*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0) {
            delete this;
        }
        return left;
    }

private:
    FakeClassObject() { ++s_live; }
    ~FakeClassObject() { --s_live; }

    std::atomic<ULONG> m_refs{1};
    static inline std::atomic<int> s_live{0};
};

}  // namespace testsupport
