// WQL association queries:
//
//   ASSOCIATORS OF {path} [WHERE keyword...]   the objects at the other ends of the associations
//                                              that refer to the object at `path`
//   REFERENCES OF {path} [WHERE keyword...]    those associations themselves
//
// The keywords follow one another without AND or commas: `AssocClass = C`, `ResultClass = C`,
// `ResultRole = P`, `Role = P`, `RequiredQualifier = Q`, `RequiredAssocQualifier = Q` (each
// naming a class, a property or a qualifier), and `ClassDefsOnly`, `SchemaOnly`, `KeysOnly`.
// REFERENCES OF takes neither AssocClass, ResultRole nor RequiredAssocQualifier. A keyword given
// twice, ClassDefsOnly with ResultClass or with SchemaOnly, a missing value, an empty path or
// anything else the grammar lacks is WBEM_E_INVALID_QUERY, as WMI answers.
#pragma once

#include <wbemidl.h>

#include <string>
#include <string_view>

#include "wql/api.h"

namespace pal::wql {

struct AssociationQuery {
    enum class Kind { Associators, References };

    Kind kind = Kind::Associators;
    std::u16string objectPath;  // between the braces, as written
    std::u16string assocClass;  // each empty when not given
    std::u16string resultClass;
    std::u16string resultRole;
    std::u16string role;
    std::u16string requiredQualifier;
    std::u16string requiredAssocQualifier;
    bool classDefsOnly = false;
    bool schemaOnly = false;
    bool keysOnly = false;
};

// True when the text starts with ASSOCIATORS or REFERENCES (in any case), which makes it an
// association query rather than a SELECT.
PAL_WQL_API bool IsAssociationQuery(std::u16string_view text) noexcept;

// S_OK and the parsed query; WBEM_E_INVALID_QUERY for any text that is not an association query
// (query is then empty); WBEM_E_OUT_OF_MEMORY. The path itself is parsed by the caller.
PAL_WQL_API HRESULT ParseAssociationQuery(std::u16string_view text, AssociationQuery& query) noexcept;

}  // namespace pal::wql
