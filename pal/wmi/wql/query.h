// WQL data and event queries: SELECT * | property list FROM class [WITHIN seconds] [WHERE condition].
//
// ParseQuery turns the text into a Query; the service checks the language with CheckQueryLanguage,
// resolves the class (an unknown class is WBEM_E_INVALID_CLASS, its business), calls ValidateQuery
// once with the class object, and then EvaluateWhere for every instance of the class and its
// subclasses. Every function returns an HRESULT and lets no exception out.
//
// Evaluation rules (those of WMI):
// - String comparisons (=, <>, !=, <, <=, >, >=, LIKE) ignore case.
// - A comparison of a NULL property value is false, whatever the operator; only IS NULL is true.
//   NOT inverts the result of its operand (two-valued logic).
// - A numeric property compared with a number is compared numerically; sint64 and uint64 values,
//   which arrive as decimal text, included. A string constant compared with a numeric property is
//   read as a number; one that is not a number never matches (ValidateQuery rejects it).
// - Booleans compare with TRUE/FALSE, with 1/0 and with the strings "TRUE"/"FALSE"; only =, <>
//   and != apply to them.
// - `Prop = NULL` and `Prop <> NULL` mean IS NULL and IS NOT NULL.
// - The constant may stand on either side of the operator; `5 < Prop` is `Prop > 5`.
// - A property of an embedded object is named through the property that holds it:
//   `TargetInstance.Name`. When the holding property is NULL, the named one reads as NULL too.
// - `Prop ISA 'Class'` is true when the embedded object in Prop is of that class or derives from it.
#pragma once

#include <wbemidl.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/names.h"
#include "wql/api.h"
#include "wql/value.h"

namespace pal::wql {

struct Expression {
    enum class Kind { And, Or, Not, Compare, IsNull, IsNotNull, Isa };

    Kind kind = Kind::Compare;
    std::unique_ptr<Expression> left;   // And, Or: first operand; Not: the operand
    std::unique_ptr<Expression> right;  // And, Or: second operand
    std::u16string property;            // Compare, IsNull, IsNotNull, Isa; `A.B` for B of the object in A
    CompareOp op = CompareOp::Equal;    // Compare: `property op constant`
    Value constant;                     // Compare; a LIKE pattern is a String; Isa: the class name
};

struct Query {
    std::vector<std::u16string> properties;  // as written; empty for SELECT *
    std::u16string className;                // as written
    std::unique_ptr<Expression> where;       // null without WHERE
    double within = 0;                       // the WITHIN of an event query, in seconds; 0 without one

    bool SelectsAll() const { return properties.empty(); }
    bool HasWithin() const { return within > 0; }
};

// S_OK when the language is "WQL" in any case; WBEM_E_INVALID_QUERY_TYPE otherwise (also for null).
PAL_WQL_API HRESULT CheckQueryLanguage(const OLECHAR* language) noexcept;

// S_OK and the parsed query; WBEM_E_INVALID_QUERY for a syntax error (query is then empty), a
// WITHIN that is not a positive number among them; WBEM_E_OUT_OF_MEMORY.
PAL_WQL_API HRESULT ParseQuery(std::u16string_view text, Query& query) noexcept;

// Checks the query against the class named in FROM: every property of the select list and of the
// WHERE clause must exist (system properties such as __PATH, __RELPATH, __CLASS always do), and
// every comparison must suit the property's type (no ordering of booleans, no arrays or embedded
// objects, no non-numeric string against a number). A property named through another one
// (`A.B`) and the property of an ISA must be held by an embedded-object property of the class
// (WBEM_E_PROPERTY_NOT_AN_OBJECT otherwise); what the embedded object holds is read only when
// evaluating. S_OK or WBEM_E_INVALID_QUERY; a failure of IWbemClassObject::Get other than
// WBEM_E_NOT_FOUND is passed on.
PAL_WQL_API HRESULT ValidateQuery(const Query& query, IWbemClassObject* classObject) noexcept;

// True for a schema query: `SELECT ... FROM meta_class`, which selects the class objects of the
// namespace rather than instances.
PAL_WQL_API bool IsSchemaQuery(const Query& query) noexcept;

// Checks a schema query: its select list and its WHERE clause may name system properties only
// (__CLASS, __SUPERCLASS, ...), as WMI allows. S_OK or WBEM_E_INVALID_QUERY.
PAL_WQL_API HRESULT ValidateSchemaQuery(const Query& query) noexcept;

// Evaluates the WHERE clause against an instance (matches is true without a WHERE clause).
// Property values come from IWbemClassObject::Get; a property the object lacks gives
// WBEM_E_INVALID_QUERY.
PAL_WQL_API HRESULT EvaluateWhere(const Query& query, IWbemClassObject* object, bool& matches) noexcept;

}  // namespace pal::wql
