// An IWbemClassObject whose property walk follows a script: the properties that Next delivers
// (name, value, CIM type), failures of BeginEnumeration or of one Next, and properties that embed
// the object itself. It counts walks that overlap (a BeginEnumeration while another walk of the
// same object is open), which is what two unsynchronised listings of one object would do.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ClassObjectStubs.h"
#include "platform/platform.h"

namespace testsupport {

class ScriptedClassObject final : public ClassObjectStubs<IWbemClassObject> {
public:
    // Objects alive right now, over all threads.
    static int Live() { return s_live.load(); }

    // A new object with one reference, owned by the caller.
    static ScriptedClassObject* Create() { return new ScriptedClassObject(); }

    ULONG References() const { return m_refs.load(); }

    // A property with a copy of `value`.
    void Add(const char16_t* name, CIMTYPE type, const VARIANT& value)
    {
        Property property{name, type, {}, false};
        VariantInit(&property.value);
        VariantCopy(&property.value, const_cast<VARIANT*>(&value));
        m_properties.push_back(property);
    }
    // A property whose value is this object itself (VT_UNKNOWN).
    void AddSelf(const char16_t* name)
    {
        Property property{name, CIM_OBJECT, {}, true};
        VariantInit(&property.value);
        m_properties.push_back(property);
    }

    HRESULT beginResult = WBEM_S_NO_ERROR;
    int failingNext = -1;  // index of the Next call (from 0) that fails with nextFailure
    HRESULT nextFailure = WBEM_E_FAILED;
    bool yieldInWalk = false;  // give other threads a chance inside every Next

    LONG lastBeginFlags = -1;
    std::atomic<int> walksBegun{0};
    std::atomic<int> walksEnded{0};
    std::atomic<int> overlaps{0};

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

    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG flags) override
    {
        lastBeginFlags = flags;
        if (FAILED(beginResult)) {
            return beginResult;
        }
        if (m_walking.exchange(true)) {
            ++overlaps;
        }
        ++walksBegun;
        m_position = 0;
        return WBEM_S_NO_ERROR;
    }

    HRESULT STDMETHODCALLTYPE Next(LONG, BSTR* name, VARIANT* value, CIMTYPE* type, LONG*) override
    {
        if (!m_walking) {
            return WBEM_E_UNEXPECTED;
        }
        if (yieldInWalk) {
            std::this_thread::yield();
        }
        const int index = m_position++;
        if (index == failingNext) {
            return nextFailure;
        }
        if (index >= static_cast<int>(m_properties.size())) {
            return WBEM_S_NO_MORE_DATA;
        }
        const Property& property = m_properties[static_cast<size_t>(index)];
        *name = SysAllocString(property.name.c_str());
        *type = property.type;
        if (property.self) {
            AddRef();
            V_VT(value) = VT_UNKNOWN;
            V_UNKNOWN(value) = static_cast<IWbemClassObject*>(this);
        } else {
            VariantCopy(value, const_cast<VARIANT*>(&property.value));
        }
        return WBEM_S_NO_ERROR;
    }

    HRESULT STDMETHODCALLTYPE EndEnumeration() override
    {
        m_walking = false;
        ++walksEnded;
        return WBEM_S_NO_ERROR;
    }

private:
    struct Property {
        std::u16string name;
        CIMTYPE type;
        VARIANT value;
        bool self;
    };

    ScriptedClassObject() { ++s_live; }
    ~ScriptedClassObject()
    {
        for (Property& property : m_properties) {
            VariantClear(&property.value);
        }
        --s_live;
    }

    std::atomic<ULONG> m_refs{1};
    std::atomic<bool> m_walking{false};
    int m_position = 0;
    std::vector<Property> m_properties;
    static inline std::atomic<int> s_live{0};
};

}  // namespace testsupport
