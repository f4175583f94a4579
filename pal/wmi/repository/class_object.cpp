#include "repository/class_object.h"
#include "com_boundary.h"

#include <atomic>

#include "repository/cim_types.h"
#include "owners.h"
#include "repository/names.h"
#include "repository/qualifier_set.h"
#include "repository/system_properties.h"
#include "repository/variant_convert.h"

namespace pal::wmi {
namespace {

constinit std::atomic<PutObserver> g_putObserver{nullptr};

LONG PropertyFlavor(const ObjectData& data, const PropertyDef& property)
{
    if (!data.isClass || !NamesEqual(property.origin, data.cls->name)) {
        return WBEM_FLAVOR_ORIGIN_PROPAGATED;
    }
    return WBEM_FLAVOR_ORIGIN_LOCAL;
}

// Property names that pass the origin and key conditions of GetNames and BeginEnumeration.
std::vector<std::u16string> SelectNames(const ObjectData& data, LONG flags, std::u16string_view qualifierName,
                                        LONG condition)
{
    std::vector<std::u16string> names;
    const LONG origin = flags & WBEM_MASK_CONDITION_ORIGIN;
    if (qualifierName.empty() && (origin == 0 || origin == WBEM_FLAG_SYSTEM_ONLY)) {
        names = SystemPropertyNames();
    }
    if (origin == WBEM_FLAG_SYSTEM_ONLY) {
        return names;
    }
    for (const auto& property : data.cls->properties) {
        const bool local = NamesEqual(property.origin, data.cls->name);
        if ((origin == WBEM_FLAG_LOCAL_ONLY && !local) || (origin == WBEM_FLAG_PROPAGATED_ONLY && local)) {
            continue;
        }
        if ((flags & WBEM_FLAG_KEYS_ONLY) != 0 && !HasTrueQualifier(property.qualifiers, u"key")) {
            continue;
        }
        if ((flags & WBEM_FLAG_REFS_ONLY) != 0 && ElementType(property.type) != CIM_REFERENCE) {
            continue;
        }
        if (!qualifierName.empty()) {
            const bool present = FindQualifier(property.qualifiers, qualifierName) != nullptr;
            const bool isTrue = HasTrueQualifier(property.qualifiers, qualifierName);
            if ((condition == WBEM_FLAG_ONLY_IF_TRUE && !isTrue) ||
                (condition == WBEM_FLAG_ONLY_IF_FALSE && present) ||
                (condition != WBEM_FLAG_ONLY_IF_FALSE && !present)) {
                continue;
            }
        }
        names.push_back(property.name);
    }
    return names;
}

// The flags BeginEnumeration accepts, as WMI documents them: one flag at most of each group —
// keys only or references only; one origin condition; one class override condition.
bool ValidEnumerationFlags(LONG flags)
{
    constexpr LONG kKnown =
        WBEM_FLAG_KEYS_ONLY | WBEM_FLAG_REFS_ONLY | WBEM_MASK_CONDITION_ORIGIN | WBEM_MASK_CLASS_CONDITION;
    const LONG origin = flags & WBEM_MASK_CONDITION_ORIGIN;
    return (flags & ~kKnown) == 0 &&
           (flags & (WBEM_FLAG_KEYS_ONLY | WBEM_FLAG_REFS_ONLY)) !=
               (WBEM_FLAG_KEYS_ONLY | WBEM_FLAG_REFS_ONLY) &&
           origin <= WBEM_FLAG_NONSYSTEM_ONLY &&
           (flags & WBEM_MASK_CLASS_CONDITION) != WBEM_MASK_CLASS_CONDITION;
}

HRESULT HandOutSignature(const std::shared_ptr<const ClassDef>& signature, IWbemClassObject** out)
{
    if (out == nullptr) {
        return WBEM_S_NO_ERROR;
    }
    *out = signature == nullptr ? nullptr : ClassObject::Create(ObjectData::ForClass(signature, u"", u""));
    return WBEM_S_NO_ERROR;
}

}  // namespace

void SetPutObserver(PutObserver observer) noexcept
{
    g_putObserver.store(observer, std::memory_order_release);
}

IWbemClassObject* ClassObject::Create(ObjectData data)
{
    return new ClassObject(std::make_shared<ObjectData>(std::move(data)), false);
}

IWbemClassObject* ClassObject::Share(std::shared_ptr<const ObjectData> data)
{
    return new ClassObject(std::move(data), true);
}

ClassObject::ClassObject(std::shared_ptr<const ObjectData> data, bool shared)
    : ComObject(data->isClass ? PAL_KIND_WBEM_CLASS_OBJECT : PAL_KIND_WBEM_INSTANCE),
      data_(std::move(data)),
      shared_(shared)
{
}

ObjectData& ClassObject::MutableData()
{
    if (shared_) {
        data_ = std::make_shared<ObjectData>(*data_);
        shared_ = false;
    }
    // Not shared: this object made the data itself, as a non-const ObjectData.
    return const_cast<ObjectData&>(*data_);
}

ClassObject* AsEmulatorObject(IUnknown* object)
{
    if (object == nullptr) {
        return nullptr;
    }
    IWbemClassObject* classObject = nullptr;
    if (FAILED(object->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(&classObject)))) {
        return nullptr;
    }
    auto* ours = dynamic_cast<ClassObject*>(classObject);
    classObject->Release();
    return ours;
}

HRESULT ClassObject::GetQualifierSet(IWbemQualifierSet** ppQualSet) noexcept
try {
    if (ppQualSet == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    *ppQualSet =
        QualifierSet::Create(data_->cls->qualifiers, data_->isClass ? 0 : WBEM_FLAVOR_ORIGIN_PROPAGATED);
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::Get(LPCWSTR wszName, LONG /*lFlags*/, VARIANT* pVal, CIMTYPE* pType,
                         LONG* plFlavor) noexcept
try {
    if (wszName == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const std::u16string_view name(wszName);
    if (IsReservedPropertyName(name)) {
        const HRESULT hr = GetSystemProperty(*data_, name, pVal, pType);
        if (SUCCEEDED(hr) && plFlavor != nullptr) {
            *plFlavor = WBEM_FLAVOR_ORIGIN_SYSTEM;
        }
        return hr;
    }
    const int index = data_->cls->FindProperty(name);
    if (index < 0) {
        return WBEM_E_NOT_FOUND;
    }
    const PropertyDef& property = data_->cls->properties[static_cast<size_t>(index)];
    if (pVal != nullptr) {
        const HRESULT hr = ValueToVariant(property.type, data_->values[static_cast<size_t>(index)], pVal);
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (pType != nullptr) {
        *pType = property.type;
    }
    if (plFlavor != nullptr) {
        *plFlavor = PropertyFlavor(*data_, property);
    }
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::Put(LPCWSTR wszName, LONG /*lFlags*/, VARIANT* pVal, CIMTYPE Type) noexcept
try {
    if (wszName == nullptr || wszName[0] == u'\0') {
        return WBEM_E_INVALID_PARAMETER;
    }
    if (const PutObserver observer = g_putObserver.load(std::memory_order_acquire)) {
        observer(wszName, pVal);
    }
    const std::u16string_view name(wszName);
    if (IsReservedPropertyName(name)) {
        return WBEM_E_READ_ONLY;
    }
    const int index = data_->cls->FindProperty(name);
    if (index < 0) {
        return data_->isClass ? PutOnClass(name, pVal, Type) : WBEM_E_NOT_FOUND;
    }
    const PropertyDef& property = data_->cls->properties[static_cast<size_t>(index)];
    if (Type != 0 && Type != property.type) {
        return WBEM_E_TYPE_MISMATCH;
    }
    Value value;
    const HRESULT hr = VariantToValue(property.type, pVal, &value);
    if (FAILED(hr)) {
        return hr;
    }
    MutableData().values[static_cast<size_t>(index)] = std::move(value);
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

// A class object takes new properties: their type is `type`, or else the VARIANT's own.
HRESULT ClassObject::PutOnClass(std::u16string_view name, VARIANT* value, CIMTYPE type)
{
    const bool noValue = value == nullptr || V_VT(value) == VT_NULL || V_VT(value) == VT_EMPTY;
    if (type == 0 && noValue) {
        return WBEM_E_INVALID_PARAMETER;
    }
    PropertyDef property;
    property.name = std::u16string(name);
    property.type = type != 0 ? type : CimTypeOfVariant(value);
    property.origin = data_->cls->name;
    if (CimTypeName(ElementType(property.type)).empty()) {
        return WBEM_E_INVALID_PROPERTY_TYPE;
    }
    Value stored;
    const HRESULT hr = VariantToValue(property.type, value, &stored);
    if (FAILED(hr)) {
        return hr;
    }
    Qualifier cimType;
    cimType.name = u"CIMTYPE";
    cimType.type = CIM_STRING;
    cimType.value = Value::MakeScalar(CimTypeQualifierText(property.type, u""));
    property.qualifiers.push_back(std::move(cimType));
    property.defaultValue = stored;
    auto changed = std::make_shared<ClassDef>(*data_->cls);
    changed->properties.push_back(std::move(property));
    ObjectData& data = MutableData();
    data.cls = std::move(changed);
    data.values.push_back(std::move(stored));
    return WBEM_S_NO_ERROR;
}

HRESULT ClassObject::Delete(LPCWSTR wszName) noexcept
try {
    if (wszName == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    if (IsReservedPropertyName(wszName)) {
        return WBEM_E_SYSTEM_PROPERTY;
    }
    const int index = data_->cls->FindProperty(wszName);
    if (index < 0) {
        return WBEM_E_NOT_FOUND;
    }
    const auto position = static_cast<size_t>(index);
    if (!data_->isClass) {
        MutableData().values[position] = data_->cls->properties[position].defaultValue;
        return WBEM_S_RESET_TO_DEFAULT;
    }
    if (!NamesEqual(data_->cls->properties[position].origin, data_->cls->name)) {
        return WBEM_E_PROPAGATED_PROPERTY;
    }
    auto changed = std::make_shared<ClassDef>(*data_->cls);
    changed->properties.erase(changed->properties.begin() + index);
    changed->UpdateKeys();
    ObjectData& data = MutableData();
    data.cls = std::move(changed);
    data.values.erase(data.values.begin() + index);
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::GetNames(LPCWSTR wszQualifierName, LONG lFlags, VARIANT* /*pQualifierVal*/,
                              SAFEARRAY** pNames) noexcept
try {
    if (pNames == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const LONG condition = lFlags & WBEM_MASK_PRIMARY_CONDITION;
    if (condition == WBEM_FLAG_ONLY_IF_IDENTICAL) {
        return WBEM_E_NOT_SUPPORTED;
    }
    if (condition != WBEM_FLAG_ALWAYS && wszQualifierName == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const std::u16string_view qualifierName = wszQualifierName == nullptr ? u"" : wszQualifierName;
    *pNames = NamesToSafeArray(SelectNames(*data_, lFlags, qualifierName, condition));
    return *pNames == nullptr ? WBEM_E_OUT_OF_MEMORY : WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::BeginEnumeration(LONG lEnumFlags) noexcept
try {
    if (!ValidEnumerationFlags(lEnumFlags)) {
        return WBEM_E_INVALID_PARAMETER;
    }
    enumNames_ = SelectNames(*data_, lEnumFlags, u"", WBEM_FLAG_ALWAYS);
    enumPosition_ = 0;
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::Next(LONG lFlags, BSTR* strName, VARIANT* pVal, CIMTYPE* pType, LONG* plFlavor) noexcept
try {
    // Next takes no flags: the enumeration's flags belong to BeginEnumeration.
    if (lFlags != 0) {
        return WBEM_E_INVALID_PARAMETER;
    }
    if (enumPosition_ < 0) {
        return WBEM_E_UNEXPECTED;
    }
    if (static_cast<size_t>(enumPosition_) >= enumNames_.size()) {
        return WBEM_S_NO_MORE_DATA;
    }
    const std::u16string& name = enumNames_[static_cast<size_t>(enumPosition_++)];
    const HRESULT hr = Get(name.c_str(), 0, pVal, pType, plFlavor);
    if (SUCCEEDED(hr) && strName != nullptr) {
        *strName = AllocBstr(name);
    }
    return hr;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::EndEnumeration() noexcept
try {
    enumPosition_ = -1;
    enumNames_.clear();
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::GetPropertyQualifierSet(LPCWSTR wszProperty, IWbemQualifierSet** ppQualSet) noexcept
try {
    if (wszProperty == nullptr || ppQualSet == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    if (IsReservedPropertyName(wszProperty)) {
        return WBEM_E_SYSTEM_PROPERTY;
    }
    const int index = data_->cls->FindProperty(wszProperty);
    if (index < 0) {
        return WBEM_E_NOT_FOUND;
    }
    const PropertyDef& property = data_->cls->properties[static_cast<size_t>(index)];
    *ppQualSet =
        QualifierSet::Create(property.qualifiers, data_->isClass ? 0 : WBEM_FLAVOR_ORIGIN_PROPAGATED);
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::Clone(IWbemClassObject** ppCopy) noexcept
try {
    if (ppCopy == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    *ppCopy = shared_ ? Share(data_) : Create(*data_);
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::GetObjectText(LONG /*lFlags*/, BSTR* /*pstrObjectText*/) noexcept
try {
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::SpawnDerivedClass(LONG /*lFlags*/, IWbemClassObject** /*ppNewClass*/) noexcept
try {
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

// On an instance WMI also answers, with a new instance of the same class holding the defaults.
HRESULT ClassObject::SpawnInstance(LONG /*lFlags*/, IWbemClassObject** ppNewInstance) noexcept
try {
    if (ppNewInstance == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    if (HasTrueQualifier(data_->cls->qualifiers, u"abstract")) {
        return WBEM_E_INVALID_OPERATION;
    }
    *ppNewInstance = Create(ObjectData::NewInstance(data_->cls));
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::CompareTo(LONG /*lFlags*/, IWbemClassObject* /*pCompareTo*/) noexcept
try {
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::GetPropertyOrigin(LPCWSTR wszName, BSTR* pstrClassName) noexcept
try {
    if (wszName == nullptr || pstrClassName == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const int index = data_->cls->FindProperty(wszName);
    if (index < 0) {
        return WBEM_E_NOT_FOUND;
    }
    *pstrClassName = AllocBstr(data_->cls->properties[static_cast<size_t>(index)].origin);
    return *pstrClassName == nullptr ? WBEM_E_OUT_OF_MEMORY : WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::InheritsFrom(LPCWSTR strAncestor) noexcept
try {
    if (strAncestor == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    for (const auto& ancestor : data_->cls->derivation) {
        if (NamesEqual(ancestor, strAncestor)) {
            return WBEM_S_NO_ERROR;
        }
    }
    return WBEM_S_FALSE;
} catch (...) {
    return CaughtWmiError();
}

// WMI reads method signatures from class objects only.
HRESULT ClassObject::GetMethod(LPCWSTR wszName, LONG /*lFlags*/, IWbemClassObject** ppInSignature,
                               IWbemClassObject** ppOutSignature) noexcept
try {
    if (ppInSignature != nullptr) {
        *ppInSignature = nullptr;
    }
    if (ppOutSignature != nullptr) {
        *ppOutSignature = nullptr;
    }
    if (wszName == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    if (!data_->isClass) {
        return WBEM_E_ILLEGAL_OPERATION;
    }
    const MethodDef* method = data_->cls->FindMethod(wszName);
    if (method == nullptr) {
        return WBEM_E_NOT_FOUND;
    }
    HandOutSignature(method->inSignature, ppInSignature);
    HandOutSignature(method->outSignature, ppOutSignature);
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::PutMethod(LPCWSTR /*wszName*/, LONG /*lFlags*/, IWbemClassObject* /*pInSignature*/,
                               IWbemClassObject* /*pOutSignature*/) noexcept
try {
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::DeleteMethod(LPCWSTR /*wszName*/) noexcept
try {
    return WBEM_E_NOT_SUPPORTED;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::BeginMethodEnumeration(LONG /*lEnumFlags*/) noexcept
try {
    if (!data_->isClass) {
        return WBEM_E_ILLEGAL_OPERATION;
    }
    methodPosition_ = 0;
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::NextMethod(LONG /*lFlags*/, BSTR* pstrName, IWbemClassObject** ppInSignature,
                                IWbemClassObject** ppOutSignature) noexcept
try {
    if (methodPosition_ < 0) {
        return WBEM_E_UNEXPECTED;
    }
    if (static_cast<size_t>(methodPosition_) >= data_->cls->methods.size()) {
        return WBEM_S_NO_MORE_DATA;
    }
    const MethodDef& method = data_->cls->methods[static_cast<size_t>(methodPosition_++)];
    if (pstrName != nullptr) {
        *pstrName = AllocBstr(method.name);
    }
    HandOutSignature(method.inSignature, ppInSignature);
    HandOutSignature(method.outSignature, ppOutSignature);
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::EndMethodEnumeration() noexcept
try {
    methodPosition_ = -1;
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::GetMethodQualifierSet(LPCWSTR wszMethod, IWbemQualifierSet** ppQualSet) noexcept
try {
    if (wszMethod == nullptr || ppQualSet == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const MethodDef* method = data_->cls->FindMethod(wszMethod);
    if (method == nullptr) {
        return WBEM_E_NOT_FOUND;
    }
    *ppQualSet = QualifierSet::Create(method->qualifiers, 0);
    return WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

HRESULT ClassObject::GetMethodOrigin(LPCWSTR wszMethodName, BSTR* pstrClassName) noexcept
try {
    if (wszMethodName == nullptr || pstrClassName == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const MethodDef* method = data_->cls->FindMethod(wszMethodName);
    if (method == nullptr) {
        return WBEM_E_NOT_FOUND;
    }
    *pstrClassName = AllocBstr(method->origin);
    return *pstrClassName == nullptr ? WBEM_E_OUT_OF_MEMORY : WBEM_S_NO_ERROR;
} catch (...) {
    return CaughtWmiError();
}

}  // namespace pal::wmi
