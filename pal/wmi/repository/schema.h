// Class definitions as the repository stores them. A class holds its inherited properties and
// methods as well (flattened when it is built), so that objects never walk the superclass chain.
#pragma once

#include <wbemidl.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "repository/value.h"

namespace pal::wmi {

struct ClassDef;

struct Qualifier {
    std::u16string name;
    CIMTYPE type = CIM_BOOLEAN;  // CIM_BOOLEAN, CIM_SINT32, CIM_REAL64 or CIM_STRING, maybe | CIM_FLAG_ARRAY
    Value value;
    LONG flavor = WBEM_FLAVOR_FLAG_PROPAGATE_TO_DERIVED_CLASS;
};

using QualifierList = std::vector<Qualifier>;

const Qualifier* FindQualifier(const QualifierList& qualifiers, std::u16string_view name);
// True when the qualifier is present and not false.
bool HasTrueQualifier(const QualifierList& qualifiers, std::u16string_view name);
// Adds or replaces a qualifier of the same name.
void SetQualifier(QualifierList& qualifiers, Qualifier qualifier);

struct PropertyDef {
    std::u16string name;
    CIMTYPE type = CIM_STRING;
    // Class named by `ref:Class` or `object:Class`; empty when untyped.
    std::u16string typeClass;
    QualifierList qualifiers;  // includes CIMTYPE
    Value defaultValue;
    std::u16string origin;  // class that declares the property
};

struct MethodDef {
    std::u16string name;
    QualifierList qualifiers;
    std::shared_ptr<const ClassDef> inSignature;   // null: no [in] parameters
    std::shared_ptr<const ClassDef> outSignature;  // null: no [out] parameters and no return value
    std::u16string origin;
};

struct ClassDef {
    std::u16string name;
    std::u16string superclass;               // empty for a root class
    std::vector<std::u16string> derivation;  // superclasses, nearest first
    QualifierList qualifiers;
    std::vector<PropertyDef> properties;  // inherited ones first, in declaration order
    std::vector<MethodDef> methods;
    // Key property names, kept by a projection even when the keys themselves are not selected.
    std::vector<std::u16string> keyNames;
    bool singleton = false;
    // Declared by a MOF fixture: its instances are the stored ones, whatever provider the class's
    // name has.
    bool fixture = false;

    // Index of the property, or -1.
    int FindProperty(std::u16string_view propertyName) const;
    const MethodDef* FindMethod(std::u16string_view methodName) const;
    // Recomputes keyNames and singleton from the qualifiers.
    void UpdateKeys();
};

// The CIMTYPE qualifier text of a property type: "sint32", "ref:Class", "object:Class".
std::u16string CimTypeQualifierText(CIMTYPE type, std::u16string_view typeClass);

}  // namespace pal::wmi
