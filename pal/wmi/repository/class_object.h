// IWbemClassObject for class objects and instances. Each COM object has its own ObjectData: what
// a caller changes through it is never seen by the repository or by other callers. An instance
// handed out by the repository shares the stored data, which never changes, until its first
// change copies it; so a query reads what it does not hand out without copying it.
#pragma once

#include <wbemidl.h>

#include <memory>
#include <string>
#include <string_view>

#include "comobject.h"
#include "repository/object_data.h"

namespace pal::wmi {

// Sees the name and value of every IWbemClassObject::Put before the object looks at them (the test
// controls' log of puts installs one while it records). Must not throw.
using PutObserver = void (*)(std::u16string_view name, const VARIANT* value) noexcept;
// Installs the one observer of puts; null removes it. Without one, a Put costs one load.
void SetPutObserver(PutObserver observer) noexcept;

class ClassObject final : public ComObject<IWbemClassObject, &IID_IWbemClassObject> {
public:
    // A new COM object holding `data`, with one reference for the caller.
    static IWbemClassObject* Create(ObjectData data);
    // A new COM object over data that stays unchanged for as long as anybody shares it (the
    // repository's stored instances), with one reference for the caller.
    static IWbemClassObject* Share(std::shared_ptr<const ObjectData> data);

    const ObjectData& Data() const { return *data_; }
    // The data to change: a copy of its own first, when the data is shared.
    ObjectData& MutableData();

    HRESULT STDMETHODCALLTYPE GetQualifierSet(IWbemQualifierSet** ppQualSet) noexcept override;
    HRESULT STDMETHODCALLTYPE Get(LPCWSTR wszName, LONG lFlags, VARIANT* pVal, CIMTYPE* pType,
                                  LONG* plFlavor) noexcept override;
    HRESULT STDMETHODCALLTYPE Put(LPCWSTR wszName, LONG lFlags, VARIANT* pVal,
                                  CIMTYPE Type) noexcept override;
    HRESULT STDMETHODCALLTYPE Delete(LPCWSTR wszName) noexcept override;
    HRESULT STDMETHODCALLTYPE GetNames(LPCWSTR wszQualifierName, LONG lFlags, VARIANT* pQualifierVal,
                                       SAFEARRAY** pNames) noexcept override;
    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG lEnumFlags) noexcept override;
    HRESULT STDMETHODCALLTYPE Next(LONG lFlags, BSTR* strName, VARIANT* pVal, CIMTYPE* pType,
                                   LONG* plFlavor) noexcept override;
    HRESULT STDMETHODCALLTYPE EndEnumeration() noexcept override;
    HRESULT STDMETHODCALLTYPE GetPropertyQualifierSet(LPCWSTR wszProperty,
                                                      IWbemQualifierSet** ppQualSet) noexcept override;
    HRESULT STDMETHODCALLTYPE Clone(IWbemClassObject** ppCopy) noexcept override;
    HRESULT STDMETHODCALLTYPE GetObjectText(LONG lFlags, BSTR* pstrObjectText) noexcept override;
    HRESULT STDMETHODCALLTYPE SpawnDerivedClass(LONG lFlags, IWbemClassObject** ppNewClass) noexcept override;
    HRESULT STDMETHODCALLTYPE SpawnInstance(LONG lFlags, IWbemClassObject** ppNewInstance) noexcept override;
    HRESULT STDMETHODCALLTYPE CompareTo(LONG lFlags, IWbemClassObject* pCompareTo) noexcept override;
    HRESULT STDMETHODCALLTYPE GetPropertyOrigin(LPCWSTR wszName, BSTR* pstrClassName) noexcept override;
    HRESULT STDMETHODCALLTYPE InheritsFrom(LPCWSTR strAncestor) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR wszName, LONG lFlags, IWbemClassObject** ppInSignature,
                                        IWbemClassObject** ppOutSignature) noexcept override;
    HRESULT STDMETHODCALLTYPE PutMethod(LPCWSTR wszName, LONG lFlags, IWbemClassObject* pInSignature,
                                        IWbemClassObject* pOutSignature) noexcept override;
    HRESULT STDMETHODCALLTYPE DeleteMethod(LPCWSTR wszName) noexcept override;
    HRESULT STDMETHODCALLTYPE BeginMethodEnumeration(LONG lEnumFlags) noexcept override;
    HRESULT STDMETHODCALLTYPE NextMethod(LONG lFlags, BSTR* pstrName, IWbemClassObject** ppInSignature,
                                         IWbemClassObject** ppOutSignature) noexcept override;
    HRESULT STDMETHODCALLTYPE EndMethodEnumeration() noexcept override;
    HRESULT STDMETHODCALLTYPE GetMethodQualifierSet(LPCWSTR wszMethod,
                                                    IWbemQualifierSet** ppQualSet) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMethodOrigin(LPCWSTR wszMethodName, BSTR* pstrClassName) noexcept override;

private:
    ClassObject(std::shared_ptr<const ObjectData> data, bool shared);

    HRESULT PutOnClass(std::u16string_view name, VARIANT* value, CIMTYPE type);

    std::shared_ptr<const ObjectData> data_;
    // True while data_ is shared with others and must be copied before it changes.
    bool shared_;
    // Position of the property enumeration: -1 when not enumerating.
    int enumPosition_ = -1;
    std::vector<std::u16string> enumNames_;
    int methodPosition_ = -1;
};

// The emulator's object behind an interface pointer, or null for a foreign object.
ClassObject* AsEmulatorObject(IUnknown* object);

}  // namespace pal::wmi
