#include "repository/cim_types.h"

#include <array>
#include <utility>

#include "repository/names.h"

namespace pal::wmi {
namespace {

struct TypeName {
    CIMTYPE type;
    const char16_t* name;
};

constexpr std::array<TypeName, 17> kTypeNames{{
    {CIM_SINT8, u"sint8"},
    {CIM_UINT8, u"uint8"},
    {CIM_SINT16, u"sint16"},
    {CIM_UINT16, u"uint16"},
    {CIM_SINT32, u"sint32"},
    {CIM_UINT32, u"uint32"},
    {CIM_SINT64, u"sint64"},
    {CIM_UINT64, u"uint64"},
    {CIM_REAL32, u"real32"},
    {CIM_REAL64, u"real64"},
    {CIM_BOOLEAN, u"boolean"},
    {CIM_STRING, u"string"},
    {CIM_DATETIME, u"datetime"},
    {CIM_REFERENCE, u"reference"},
    {CIM_CHAR16, u"char16"},
    {CIM_OBJECT, u"object"},
    {CIM_EMPTY, u"void"},
}};

}  // namespace

std::u16string CimTypeName(CIMTYPE elementType)
{
    for (const auto& entry : kTypeNames) {
        if (entry.type == elementType) {
            return entry.name;
        }
    }
    return {};
}

std::optional<CIMTYPE> ParseCimTypeName(std::u16string_view name)
{
    for (const auto& entry : kTypeNames) {
        if (NamesEqual(name, entry.name)) {
            return entry.type;
        }
    }
    return std::nullopt;
}

VARTYPE AutomationType(CIMTYPE elementType)
{
    switch (elementType) {
    case CIM_SINT8:
    case CIM_SINT16:
    case CIM_CHAR16: return VT_I2;
    case CIM_UINT8: return VT_UI1;
    case CIM_UINT16:
    case CIM_SINT32:
    case CIM_UINT32: return VT_I4;
    case CIM_REAL32: return VT_R4;
    case CIM_REAL64: return VT_R8;
    case CIM_BOOLEAN: return VT_BOOL;
    case CIM_OBJECT: return VT_UNKNOWN;
    default: return VT_BSTR;  // string, datetime, reference, sint64, uint64
    }
}

}  // namespace pal::wmi
