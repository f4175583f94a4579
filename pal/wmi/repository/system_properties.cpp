#include "repository/system_properties.h"

#include "owners.h"
#include "repository/names.h"
#include "repository/qualifier_set.h"

namespace pal::wmi {
namespace {

HRESULT TextOrNull(std::u16string_view text, VARIANT* value)
{
    if (text.empty()) {
        V_VT(value) = VT_NULL;
        return WBEM_S_NO_ERROR;
    }
    V_BSTR(value) = AllocBstr(text);
    if (V_BSTR(value) == nullptr) {
        return WBEM_E_OUT_OF_MEMORY;
    }
    V_VT(value) = VT_BSTR;
    return WBEM_S_NO_ERROR;
}

HRESULT Integer(LONG number, VARIANT* value)
{
    V_VT(value) = VT_I4;
    V_I4(value) = number;
    return WBEM_S_NO_ERROR;
}

}  // namespace

const std::vector<std::u16string>& SystemPropertyNames()
{
    static const std::vector<std::u16string> names(kSystemPropertyNames.begin(), kSystemPropertyNames.end());
    return names;
}

HRESULT GetSystemProperty(const ObjectData& data, std::u16string_view name, VARIANT* value, CIMTYPE* type)
{
    const ClassDef& cls = *data.cls;
    CIMTYPE cimType = CIM_STRING;
    OwnedVariant result;
    HRESULT hr = WBEM_S_NO_ERROR;
    if (NamesEqual(name, u"__GENUS")) {
        cimType = CIM_SINT32;
        hr = Integer(data.isClass ? WBEM_GENUS_CLASS : WBEM_GENUS_INSTANCE, result.Address());
    } else if (NamesEqual(name, u"__CLASS")) {
        hr = TextOrNull(cls.name, result.Address());
    } else if (NamesEqual(name, u"__SUPERCLASS")) {
        hr = TextOrNull(cls.superclass, result.Address());
    } else if (NamesEqual(name, u"__DYNASTY")) {
        hr = TextOrNull(cls.derivation.empty() ? cls.name : cls.derivation.back(), result.Address());
    } else if (NamesEqual(name, u"__RELPATH")) {
        hr = TextOrNull(data.RelativePath(), result.Address());
    } else if (NamesEqual(name, u"__PROPERTY_COUNT")) {
        cimType = CIM_SINT32;
        hr = Integer(static_cast<LONG>(cls.properties.size()), result.Address());
    } else if (NamesEqual(name, u"__DERIVATION")) {
        cimType = CIM_STRING | CIM_FLAG_ARRAY;
        SAFEARRAY* names = NamesToSafeArray(cls.derivation);
        if (names == nullptr) {
            return WBEM_E_OUT_OF_MEMORY;
        }
        V_VT(result.Address()) = VT_ARRAY | VT_BSTR;
        V_ARRAY(result.Address()) = names;
    } else if (NamesEqual(name, u"__SERVER")) {
        hr = TextOrNull(data.server, result.Address());
    } else if (NamesEqual(name, u"__NAMESPACE")) {
        hr = TextOrNull(data.nsPath, result.Address());
    } else if (NamesEqual(name, u"__PATH")) {
        hr = TextOrNull(data.FullPath(), result.Address());
    } else {
        return WBEM_E_NOT_FOUND;
    }
    if (FAILED(hr)) {
        return hr;
    }
    if (type != nullptr) {
        *type = cimType;
    }
    if (value != nullptr) {
        *value = result.Detach();
    }
    return WBEM_S_NO_ERROR;
}

}  // namespace pal::wmi
