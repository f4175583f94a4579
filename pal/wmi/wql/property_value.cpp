#include "wql/property_value.h"

#include <optional>

#include "wql/like_pattern.h"
#include "wql/text.h"

namespace pal::wql {

namespace {

PropertyValue FromSigned(int64_t number)
{
    PropertyValue result;
    const bool negative = number < 0;
    const uint64_t magnitude =
        negative ? uint64_t{0} - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
    result.value = MakeInteger(negative, magnitude);
    return result;
}

PropertyValue FromUnsigned(uint64_t number)
{
    PropertyValue result;
    result.value = MakeInteger(false, number);
    return result;
}

PropertyValue FromString(const VARIANT& variant, CIMTYPE type)
{
    PropertyValue result;
    const BSTR text = V_BSTR(&variant);
    const std::u16string_view view = text == nullptr ? std::u16string_view() : std::u16string_view(text);
    if ((type == CIM_SINT64 || type == CIM_UINT64) && ParseNumber(view, result.value) &&
        result.value.kind == Value::Kind::Integer) {
        return result;
    }
    result.value = Value{};
    result.value.kind = Value::Kind::String;
    result.value.text.assign(view);
    return result;
}

PropertyValue NotComparable()
{
    PropertyValue result;
    result.comparable = false;
    return result;
}

PropertyValue FromScalar(const VARIANT& variant, CIMTYPE type)
{
    switch (V_VT(&variant)) {
    case VT_I1: return FromSigned(V_I1(&variant));
    case VT_I2: {
        if (type == CIM_CHAR16) {
            PropertyValue result = FromUnsigned(static_cast<uint16_t>(V_I2(&variant)));
            result.character = true;
            return result;
        }
        return FromSigned(V_I2(&variant));
    }
    case VT_INT: return FromSigned(V_INT(&variant));
    case VT_I4:
        if (type == CIM_UINT32) {
            return FromUnsigned(static_cast<uint32_t>(V_I4(&variant)));
        }
        return FromSigned(V_I4(&variant));
    case VT_I8: return FromSigned(V_I8(&variant));
    case VT_UI1: return FromUnsigned(V_UI1(&variant));
    case VT_UI2: return FromUnsigned(V_UI2(&variant));
    case VT_UI4: return FromUnsigned(V_UI4(&variant));
    case VT_UINT: return FromUnsigned(V_UINT(&variant));
    case VT_UI8: return FromUnsigned(V_UI8(&variant));
    case VT_R4:
    case VT_R8: {
        PropertyValue result;
        result.value.kind = Value::Kind::Real;
        result.value.real = V_VT(&variant) == VT_R4 ? static_cast<double>(V_R4(&variant)) : V_R8(&variant);
        return result;
    }
    case VT_BOOL: {
        PropertyValue result;
        result.value.kind = Value::Kind::Boolean;
        result.value.boolean = V_BOOL(&variant) != VARIANT_FALSE;
        return result;
    }
    case VT_BSTR: return FromString(variant, type);
    default: return NotComparable();
    }
}

int Sign(int x)
{
    return (x > 0) - (x < 0);
}

int CompareIntegers(const Value& a, const Value& b)
{
    if (a.negative != b.negative) {
        return a.negative ? -1 : 1;
    }
    if (a.magnitude == b.magnitude) {
        return 0;
    }
    const int byMagnitude = a.magnitude < b.magnitude ? -1 : 1;
    return a.negative ? -byMagnitude : byMagnitude;
}

int CompareReals(double a, double b)
{
    return (a > b) - (a < b);
}

// Both values numeric (Integer or Real).
int CompareNumbers(const Value& a, const Value& b)
{
    if (a.kind == Value::Kind::Integer && b.kind == Value::Kind::Integer) {
        return CompareIntegers(a, b);
    }
    return CompareReals(a.real, b.real);
}

// TRUE/FALSE as the numbers 1 and 0.
Value BooleanAsNumber(bool boolean)
{
    return MakeInteger(false, boolean ? 1 : 0);
}

// A constant seen as a number for a numeric property, if it can be one.
std::optional<Value> ConstantAsNumber(const Value& constant, bool character)
{
    switch (constant.kind) {
    case Value::Kind::Integer:
    case Value::Kind::Real: return constant;
    case Value::Kind::Boolean: return BooleanAsNumber(constant.boolean);
    case Value::Kind::String: {
        Value number;
        if (ParseNumber(constant.text, number)) {
            return number;
        }
        if (character && constant.text.size() == 1) {
            return MakeInteger(false, constant.text[0]);
        }
        return std::nullopt;
    }
    case Value::Kind::Null: break;
    }
    return std::nullopt;
}

std::optional<bool> ConstantAsBoolean(const Value& constant)
{
    if (constant.kind == Value::Kind::Boolean) {
        return constant.boolean;
    }
    if (constant.kind == Value::Kind::String) {
        if (CompareIgnoringCase(constant.text, u"TRUE") == 0) {
            return true;
        }
        if (CompareIgnoringCase(constant.text, u"FALSE") == 0) {
            return false;
        }
    }
    std::optional<Value> number = ConstantAsNumber(constant, false);
    if (!number) {
        return std::nullopt;
    }
    // Only 1 and 0 stand for TRUE and FALSE; any other number matches neither.
    if (CompareNumbers(*number, BooleanAsNumber(true)) == 0) {
        return true;
    }
    if (CompareNumbers(*number, BooleanAsNumber(false)) == 0) {
        return false;
    }
    return std::nullopt;
}

std::u16string ConstantText(const Value& constant)
{
    switch (constant.kind) {
    case Value::Kind::Boolean: return constant.boolean ? u"TRUE" : u"FALSE";
    case Value::Kind::Null: return std::u16string();
    default: return constant.text;
    }
}

// The order of property and constant (-1, 0, 1), or nothing when they cannot be compared.
std::optional<int> Order(const PropertyValue& property, const Value& constant)
{
    const Value& value = property.value;
    switch (value.kind) {
    case Value::Kind::String: return Sign(CompareIgnoringCase(value.text, ConstantText(constant)));
    case Value::Kind::Integer:
    case Value::Kind::Real: {
        const std::optional<Value> number = ConstantAsNumber(constant, property.character);
        if (!number) {
            return std::nullopt;
        }
        return CompareNumbers(value, *number);
    }
    case Value::Kind::Boolean: {
        const std::optional<bool> boolean = ConstantAsBoolean(constant);
        if (!boolean) {
            return std::nullopt;
        }
        return static_cast<int>(value.boolean) - static_cast<int>(*boolean);
    }
    case Value::Kind::Null: break;
    }
    return std::nullopt;
}

// The property as text for LIKE.
std::u16string PropertyText(const PropertyValue& property)
{
    const Value& value = property.value;
    switch (value.kind) {
    case Value::Kind::String: return value.text;
    case Value::Kind::Integer:
        if (property.character) {
            return std::u16string(1, static_cast<char16_t>(value.magnitude));
        }
        return IntegerText(value.negative, value.magnitude);
    case Value::Kind::Real: return RealText(value.real);
    case Value::Kind::Boolean: return value.boolean ? u"TRUE" : u"FALSE";
    case Value::Kind::Null: break;
    }
    return std::u16string();
}

bool IsOrdering(CompareOp op)
{
    return op != CompareOp::Equal && op != CompareOp::NotEqual && op != CompareOp::Like;
}

}  // namespace

PropertyValue ToPropertyValue(const VARIANT& variant, CIMTYPE type)
{
    if (V_VT(&variant) == VT_EMPTY || V_VT(&variant) == VT_NULL) {
        return PropertyValue{};
    }
    if ((V_VT(&variant) & (VT_ARRAY | VT_BYREF)) != 0 || (type & CIM_FLAG_ARRAY) != 0) {
        return NotComparable();
    }
    return FromScalar(variant, type);
}

bool Compare(const PropertyValue& property, CompareOp op, const Value& constant)
{
    if (!property.comparable || property.value.kind == Value::Kind::Null) {
        return false;
    }
    if (op == CompareOp::Like) {
        LikePattern pattern;
        return constant.kind == Value::Kind::String && pattern.Compile(constant.text) &&
               pattern.Matches(PropertyText(property));
    }
    if (property.value.kind == Value::Kind::Boolean && IsOrdering(op)) {
        return false;
    }
    const std::optional<int> order = Order(property, constant);
    if (!order) {
        return false;
    }
    switch (op) {
    case CompareOp::Equal: return *order == 0;
    case CompareOp::NotEqual: return *order != 0;
    case CompareOp::Less: return *order < 0;
    case CompareOp::LessOrEqual: return *order <= 0;
    case CompareOp::Greater: return *order > 0;
    case CompareOp::GreaterOrEqual: return *order >= 0;
    case CompareOp::Like: break;
    }
    return false;
}

bool IsComparable(CIMTYPE type, CompareOp op, const Value& constant)
{
    if ((type & CIM_FLAG_ARRAY) != 0 || type == CIM_OBJECT) {
        return false;
    }
    switch (type) {
    case CIM_BOOLEAN:
        return !IsOrdering(op) && op != CompareOp::Like && ConstantAsBoolean(constant).has_value();
    case CIM_SINT8:
    case CIM_UINT8:
    case CIM_SINT16:
    case CIM_UINT16:
    case CIM_SINT32:
    case CIM_UINT32:
    case CIM_SINT64:
    case CIM_UINT64:
    case CIM_REAL32:
    case CIM_REAL64:
    case CIM_CHAR16:
        return op == CompareOp::Like || ConstantAsNumber(constant, type == CIM_CHAR16).has_value();
    default: return true;
    }
}

}  // namespace pal::wql
