// Validation of a parsed query against its class, and evaluation of the WHERE clause against
// instances.
#include <new>
#include <utility>

#include "wql/property_value.h"
#include "wql/query.h"
#include "owners.h"
#include "wql/status.h"
#include "wql/text.h"

namespace pal::wql {

namespace {

// The embedded object a value holds; false for NULL and for values that hold no object.
bool EmbeddedObject(const VARIANT& value, wmi::ObjectPtr& object)
{
    if ((V_VT(&value) != VT_UNKNOWN && V_VT(&value) != VT_DISPATCH) || V_UNKNOWN(&value) == nullptr) {
        return false;
    }
    return SUCCEEDED(
        V_UNKNOWN(&value)->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(object.Put())));
}

// Reads the value at a property path (`A` or `A.B.C`). A property the object itself lacks is
// WBEM_E_INVALID_QUERY; further in, a missing property, a NULL and anything that holds no object
// read as NULL, as the embedded object may be of any class.
HRESULT ReadPath(IWbemClassObject* object, std::u16string_view path, OwnedVariant& value, CIMTYPE& type)
{
    wmi::ObjectPtr held;
    IWbemClassObject* current = object;
    for (size_t start = 0;;) {
        const size_t dot = path.find(u'.', start);
        const std::u16string name(
            path.substr(start, dot == std::u16string_view::npos ? path.npos : dot - start));
        type = CIM_EMPTY;
        const HRESULT hr = current->Get(name.c_str(), 0, value.Put(), &type, nullptr);
        if (hr == AsHresult(WBEM_E_NOT_FOUND) && current == object) {
            return AsHresult(WBEM_E_INVALID_QUERY);
        }
        if (hr == AsHresult(WBEM_E_NOT_FOUND)) {
            value.Clear();
            type = CIM_EMPTY;
            return S_OK;
        }
        if (FAILED(hr) || dot == std::u16string_view::npos) {
            return hr;
        }
        wmi::ObjectPtr next;
        if (!EmbeddedObject(*value.Address(), next)) {
            value.Clear();
            type = CIM_EMPTY;
            return S_OK;
        }
        // The next step reads the embedded object, which `held` keeps alive.
        held = std::move(next);
        current = held.Get();
        start = dot + 1;
    }
}

HRESULT ReadProperty(IWbemClassObject* object, const std::u16string& name, PropertyValue& value)
{
    OwnedVariant variant;
    CIMTYPE type = CIM_EMPTY;
    const HRESULT hr = ReadPath(object, name, variant, type);
    if (FAILED(hr)) {
        return hr;
    }
    value = ToPropertyValue(*variant.Address(), type);
    return S_OK;
}

// Whether the embedded object at a property path is of the class or derives from it.
HRESULT IsOfClass(IWbemClassObject* object, const Expression& expression, bool& result)
{
    result = false;
    OwnedVariant variant;
    CIMTYPE type = CIM_EMPTY;
    const HRESULT hr = ReadPath(object, expression.property, variant, type);
    wmi::ObjectPtr embedded;
    if (FAILED(hr) || !EmbeddedObject(*variant.Address(), embedded)) {
        return hr;
    }
    OwnedVariant className;
    if (SUCCEEDED(embedded.Get()->Get(u"__CLASS", 0, className.Address(), nullptr, nullptr)) &&
        className.Type() == VT_BSTR && V_BSTR(className.Address()) != nullptr &&
        NamesEqual(V_BSTR(className.Address()), expression.constant.text)) {
        result = true;
        return S_OK;
    }
    result = embedded.Get()->InheritsFrom(expression.constant.text.c_str()) == WBEM_S_NO_ERROR;
    return S_OK;
}

HRESULT Evaluate(const Expression& expression, IWbemClassObject* object, bool& result)
{
    switch (expression.kind) {
    case Expression::Kind::And:
    case Expression::Kind::Or: {
        HRESULT hr = Evaluate(*expression.left, object, result);
        const bool decided = expression.kind == Expression::Kind::And ? !result : result;
        if (FAILED(hr) || decided) {
            return hr;
        }
        return Evaluate(*expression.right, object, result);
    }
    case Expression::Kind::Not: {
        const HRESULT hr = Evaluate(*expression.left, object, result);
        result = !result;
        return hr;
    }
    case Expression::Kind::Isa: return IsOfClass(object, expression, result);
    case Expression::Kind::IsNull:
    case Expression::Kind::IsNotNull:
    case Expression::Kind::Compare: {
        PropertyValue value;
        const HRESULT hr = ReadProperty(object, expression.property, value);
        if (FAILED(hr)) {
            result = false;
            return hr;
        }
        const bool isNull = value.comparable && value.value.kind == Value::Kind::Null;
        if (expression.kind == Expression::Kind::IsNull) {
            result = isNull;
        } else if (expression.kind == Expression::Kind::IsNotNull) {
            result = !isNull;
        } else {
            result = Compare(value, expression.op, expression.constant);
        }
        return S_OK;
    }
    }
    result = false;
    return AsHresult(WBEM_E_INVALID_QUERY);
}

// Type of a property of the class; S_FALSE for a system property the class does not describe.
HRESULT PropertyType(IWbemClassObject* classObject, const std::u16string& name, CIMTYPE& type)
{
    OwnedVariant ignored;
    type = CIM_EMPTY;
    const HRESULT hr = classObject->Get(name.c_str(), 0, ignored.Address(), &type, nullptr);
    if (hr == AsHresult(WBEM_E_NOT_FOUND)) {
        return IsSystemProperty(name) ? S_FALSE : AsHresult(WBEM_E_INVALID_QUERY);
    }
    return FAILED(hr) ? hr : S_OK;
}

// A property that the query looks into (`A` of `A.B`, or of `A ISA 'C'`) must hold an embedded
// object.
HRESULT ValidateObjectProperty(IWbemClassObject* classObject, const std::u16string& name)
{
    CIMTYPE type = CIM_EMPTY;
    const HRESULT hr = PropertyType(classObject, name, type);
    if (FAILED(hr)) {
        return hr;
    }
    return hr == S_OK && type == CIM_OBJECT ? S_OK : AsHresult(WBEM_E_PROPERTY_NOT_AN_OBJECT);
}

HRESULT Validate(const Expression& expression, IWbemClassObject* classObject)
{
    switch (expression.kind) {
    case Expression::Kind::And:
    case Expression::Kind::Or: {
        const HRESULT hr = Validate(*expression.left, classObject);
        return FAILED(hr) ? hr : Validate(*expression.right, classObject);
    }
    case Expression::Kind::Not: return Validate(*expression.left, classObject);
    case Expression::Kind::Isa:
    case Expression::Kind::IsNull:
    case Expression::Kind::IsNotNull:
    case Expression::Kind::Compare: {
        const size_t dot = expression.property.find(u'.');
        if (dot != std::u16string::npos || expression.kind == Expression::Kind::Isa) {
            return ValidateObjectProperty(classObject, expression.property.substr(0, dot));
        }
        CIMTYPE type = CIM_EMPTY;
        const HRESULT hr = PropertyType(classObject, expression.property, type);
        if (hr != S_OK) {
            return FAILED(hr) ? hr : S_OK;
        }
        if (expression.kind == Expression::Kind::Compare &&
            !IsComparable(type, expression.op, expression.constant)) {
            return AsHresult(WBEM_E_INVALID_QUERY);
        }
        return S_OK;
    }
    }
    return AsHresult(WBEM_E_INVALID_QUERY);
}

bool NamesSystemPropertiesOnly(const Expression& expression)
{
    switch (expression.kind) {
    case Expression::Kind::And:
    case Expression::Kind::Or:
        return NamesSystemPropertiesOnly(*expression.left) && NamesSystemPropertiesOnly(*expression.right);
    case Expression::Kind::Not: return NamesSystemPropertiesOnly(*expression.left);
    case Expression::Kind::Isa:
    case Expression::Kind::IsNull:
    case Expression::Kind::IsNotNull:
    case Expression::Kind::Compare: return IsSystemProperty(expression.property);
    }
    return false;
}

}  // namespace

PAL_WQL_API HRESULT ValidateQuery(const Query& query, IWbemClassObject* classObject) noexcept
{
    if (classObject == nullptr) {
        return AsHresult(WBEM_E_INVALID_PARAMETER);
    }
    try {
        for (const std::u16string& name : query.properties) {
            CIMTYPE type = CIM_EMPTY;
            const HRESULT hr = PropertyType(classObject, name, type);
            if (FAILED(hr)) {
                return hr;
            }
        }
        return query.where ? Validate(*query.where, classObject) : S_OK;
    } catch (const std::bad_alloc&) {
        return AsHresult(WBEM_E_OUT_OF_MEMORY);
    }
}

PAL_WQL_API bool IsSchemaQuery(const Query& query) noexcept
{
    return NamesEqual(query.className, u"meta_class");
}

PAL_WQL_API HRESULT ValidateSchemaQuery(const Query& query) noexcept
{
    for (const std::u16string& name : query.properties) {
        if (!IsSystemProperty(name)) {
            return AsHresult(WBEM_E_INVALID_QUERY);
        }
    }
    return !query.where || NamesSystemPropertiesOnly(*query.where) ? S_OK : AsHresult(WBEM_E_INVALID_QUERY);
}

PAL_WQL_API HRESULT EvaluateWhere(const Query& query, IWbemClassObject* object, bool& matches) noexcept
{
    matches = false;
    if (object == nullptr) {
        return AsHresult(WBEM_E_INVALID_PARAMETER);
    }
    if (!query.where) {
        matches = true;
        return S_OK;
    }
    try {
        bool result = false;
        const HRESULT hr = Evaluate(*query.where, object, result);
        matches = SUCCEEDED(hr) && result;
        return hr;
    } catch (const std::bad_alloc&) {
        return AsHresult(WBEM_E_OUT_OF_MEMORY);
    }
}

}  // namespace pal::wql
