#include "repository/schema.h"

#include "repository/cim_types.h"
#include "repository/names.h"

namespace pal::wmi {

const Qualifier* FindQualifier(const QualifierList& qualifiers, std::u16string_view name)
{
    for (const auto& qualifier : qualifiers) {
        if (NamesEqual(qualifier.name, name)) {
            return &qualifier;
        }
    }
    return nullptr;
}

bool HasTrueQualifier(const QualifierList& qualifiers, std::u16string_view name)
{
    const Qualifier* qualifier = FindQualifier(qualifiers, name);
    if (qualifier == nullptr) {
        return false;
    }
    const auto* flag = std::get_if<bool>(&qualifier->value.scalar);
    return qualifier->value.shape != Value::Shape::Single || flag == nullptr || *flag;
}

void SetQualifier(QualifierList& qualifiers, Qualifier qualifier)
{
    for (auto& existing : qualifiers) {
        if (NamesEqual(existing.name, qualifier.name)) {
            existing = std::move(qualifier);
            return;
        }
    }
    qualifiers.push_back(std::move(qualifier));
}

int ClassDef::FindProperty(std::u16string_view propertyName) const
{
    for (size_t i = 0; i < properties.size(); ++i) {
        if (NamesEqual(properties[i].name, propertyName)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const MethodDef* ClassDef::FindMethod(std::u16string_view methodName) const
{
    for (const auto& method : methods) {
        if (NamesEqual(method.name, methodName)) {
            return &method;
        }
    }
    return nullptr;
}

void ClassDef::UpdateKeys()
{
    keyNames.clear();
    for (const auto& property : properties) {
        if (HasTrueQualifier(property.qualifiers, u"key")) {
            keyNames.push_back(property.name);
        }
    }
    singleton = HasTrueQualifier(qualifiers, u"singleton");
}

std::u16string CimTypeQualifierText(CIMTYPE type, std::u16string_view typeClass)
{
    const CIMTYPE element = ElementType(type);
    if (element == CIM_REFERENCE) {
        return typeClass.empty() ? std::u16string(u"ref") : u"ref:" + std::u16string(typeClass);
    }
    if (element == CIM_OBJECT && !typeClass.empty()) {
        return u"object:" + std::u16string(typeClass);
    }
    return CimTypeName(element);
}

}  // namespace pal::wmi
