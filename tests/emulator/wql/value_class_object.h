// A minimal IWbemClassObject for the query tests: named values with their CIM types, answered by
// Get the way WMI answers (a copy of the VARIANT, WBEM_E_NOT_FOUND for an unknown name).
#pragma once

#include <comobject.h>
#include <wbemidl.h>

#include <string>
#include <utility>
#include <vector>

#include "ClassObjectStubs.h"
#include "wql/query.h"
#include "owners.h"
#include "wql/status.h"

namespace wqltest {

class ValueClassObject
    : public testsupport::ClassObjectStubs<pal::ComObject<IWbemClassObject, &IID_IWbemClassObject>> {
public:
    static ValueClassObject* Create() { return new ValueClassObject(); }

    ValueClassObject& String(const char16_t* name, const char16_t* value, CIMTYPE type = CIM_STRING)
    {
        pal::OwnedVariant variant;
        V_VT(variant.Address()) = VT_BSTR;
        V_BSTR(variant.Address()) = SysAllocString(value);
        return Add(name, std::move(variant), type);
    }
    ValueClassObject& Int(const char16_t* name, LONG value, CIMTYPE type = CIM_SINT32)
    {
        pal::OwnedVariant variant;
        V_VT(variant.Address()) = VT_I4;
        V_I4(variant.Address()) = value;
        return Add(name, std::move(variant), type);
    }
    ValueClassObject& Short(const char16_t* name, SHORT value, CIMTYPE type = CIM_SINT16)
    {
        pal::OwnedVariant variant;
        V_VT(variant.Address()) = VT_I2;
        V_I2(variant.Address()) = value;
        return Add(name, std::move(variant), type);
    }
    ValueClassObject& Byte(const char16_t* name, BYTE value)
    {
        pal::OwnedVariant variant;
        V_VT(variant.Address()) = VT_UI1;
        V_UI1(variant.Address()) = value;
        return Add(name, std::move(variant), CIM_UINT8);
    }
    ValueClassObject& Real(const char16_t* name, double value, CIMTYPE type = CIM_REAL64)
    {
        pal::OwnedVariant variant;
        if (type == CIM_REAL32) {
            V_VT(variant.Address()) = VT_R4;
            V_R4(variant.Address()) = static_cast<float>(value);
        } else {
            V_VT(variant.Address()) = VT_R8;
            V_R8(variant.Address()) = value;
        }
        return Add(name, std::move(variant), type);
    }
    ValueClassObject& Bool(const char16_t* name, bool value)
    {
        pal::OwnedVariant variant;
        V_VT(variant.Address()) = VT_BOOL;
        V_BOOL(variant.Address()) = value ? VARIANT_TRUE : VARIANT_FALSE;
        return Add(name, std::move(variant), CIM_BOOLEAN);
    }
    ValueClassObject& Null(const char16_t* name, CIMTYPE type)
    {
        pal::OwnedVariant variant;
        V_VT(variant.Address()) = VT_NULL;
        return Add(name, std::move(variant), type);
    }
    // An embedded object (VT_UNKNOWN), which the property holds a reference to.
    ValueClassObject& Object(const char16_t* name, IWbemClassObject* value)
    {
        pal::OwnedVariant variant;
        V_VT(variant.Address()) = VT_UNKNOWN;
        V_UNKNOWN(variant.Address()) = value;
        value->AddRef();
        return Add(name, std::move(variant), CIM_OBJECT);
    }
    // The superclasses that InheritsFrom answers for.
    ValueClassObject& Derives(std::vector<std::u16string> ancestors)
    {
        ancestors_ = std::move(ancestors);
        return *this;
    }
    ValueClassObject& StringArray(const char16_t* name)
    {
        pal::OwnedVariant variant;
        V_VT(variant.Address()) = VT_ARRAY | VT_BSTR;
        V_ARRAY(variant.Address()) = SafeArrayCreateVector(VT_BSTR, 0, 1);
        return Add(name, std::move(variant), CIM_STRING | CIM_FLAG_ARRAY);
    }

    // Number of Get calls, to check that AND and OR stop early.
    int getCalls = 0;
    // A result that every Get returns instead of the value, when set.
    HRESULT failGetWith = S_OK;

    HRESULT STDMETHODCALLTYPE Get(LPCWSTR wszName, LONG, VARIANT* pVal, CIMTYPE* pType, LONG*) override
    {
        ++getCalls;
        if (FAILED(failGetWith)) {
            return failGetWith;
        }
        for (const Property& property : properties_) {
            if (pal::NamesEqual(wszName, property.name)) {
                if (pType != nullptr) {
                    *pType = property.type;
                }
                return pVal == nullptr ? S_OK : VariantCopy(pVal, property.value.Get());
            }
        }
        return pal::wql::AsHresult(WBEM_E_NOT_FOUND);
    }

    HRESULT STDMETHODCALLTYPE InheritsFrom(LPCWSTR strAncestor) override
    {
        for (const std::u16string& ancestor : ancestors_) {
            if (pal::NamesEqual(strAncestor, ancestor)) {
                return WBEM_S_NO_ERROR;
            }
        }
        return WBEM_S_FALSE;
    }

private:
    struct Property {
        std::u16string name;
        pal::OwnedVariant value;
        CIMTYPE type;
    };

    ValueClassObject() : ClassObjectStubs(PAL_KIND_WBEM_INSTANCE) {}

    ValueClassObject& Add(const char16_t* name, pal::OwnedVariant value, CIMTYPE type)
    {
        properties_.push_back({name, std::move(value), type});
        return *this;
    }

    std::vector<Property> properties_;
    std::vector<std::u16string> ancestors_;
};

// Holds one reference to a fake and releases it at the end of the scope.
class FakeRef {
public:
    FakeRef() : object_(ValueClassObject::Create()) {}
    ~FakeRef() { object_->Release(); }
    FakeRef(const FakeRef&) = delete;
    FakeRef& operator=(const FakeRef&) = delete;

    ValueClassObject* operator->() const { return object_; }
    ValueClassObject& operator*() const { return *object_; }
    IWbemClassObject* get() const { return object_; }

private:
    ValueClassObject* object_;
};

}  // namespace wqltest
