#include "repository/variant_convert.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "repository/cim_types.h"
#include "repository/class_object.h"
#include "owners.h"
#include "repository/names.h"
#include "repository/object_data.h"

namespace pal::wmi {
namespace {

// ---- Get: stored scalar -> VARIANT ----------------------------------------------------------

std::u16string DecimalText(const Scalar& scalar)
{
    if (const auto* number = std::get_if<std::int64_t>(&scalar)) {
        return Widen(std::to_string(*number));
    }
    if (const auto* unsignedNumber = std::get_if<std::uint64_t>(&scalar)) {
        return Widen(std::to_string(*unsignedNumber));
    }
    return {};
}

std::int64_t IntegerOf(const Scalar& scalar)
{
    if (const auto* number = std::get_if<std::int64_t>(&scalar)) {
        return *number;
    }
    if (const auto* unsignedNumber = std::get_if<std::uint64_t>(&scalar)) {
        return static_cast<std::int64_t>(*unsignedNumber);
    }
    if (const auto* flag = std::get_if<bool>(&scalar)) {
        return *flag ? 1 : 0;
    }
    return 0;
}

double RealOf(const Scalar& scalar)
{
    if (const auto* real = std::get_if<double>(&scalar)) {
        return *real;
    }
    return static_cast<double>(IntegerOf(scalar));
}

// Writes a scalar into `out` with the automation tag of `elementType`.
HRESULT ScalarToVariant(CIMTYPE elementType, const Scalar& scalar, VARIANT* out)
{
    const VARTYPE tag = AutomationType(elementType);
    switch (tag) {
    case VT_I2: V_I2(out) = static_cast<SHORT>(IntegerOf(scalar)); break;
    case VT_UI1: V_UI1(out) = static_cast<BYTE>(IntegerOf(scalar)); break;
    case VT_I4: V_I4(out) = static_cast<LONG>(static_cast<std::uint32_t>(IntegerOf(scalar))); break;
    case VT_R4: V_R4(out) = static_cast<FLOAT>(RealOf(scalar)); break;
    case VT_R8: V_R8(out) = RealOf(scalar); break;
    case VT_BOOL: V_BOOL(out) = IntegerOf(scalar) != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
    case VT_UNKNOWN: {
        const auto* object = std::get_if<std::shared_ptr<const ObjectData>>(&scalar);
        if (object == nullptr || *object == nullptr) {
            V_VT(out) = VT_NULL;
            return S_OK;
        }
        V_UNKNOWN(out) = ClassObject::Create(**object);
        break;
    }
    default: {
        const auto* text = std::get_if<std::u16string>(&scalar);
        const std::u16string digits = text == nullptr ? DecimalText(scalar) : std::u16string();
        V_BSTR(out) = AllocBstr(text != nullptr ? *text : digits);
        if (V_BSTR(out) == nullptr) {
            return WBEM_E_OUT_OF_MEMORY;
        }
        break;
    }
    }
    V_VT(out) = tag;
    return S_OK;
}

HRESULT ArrayToVariant(CIMTYPE elementType, const std::vector<Scalar>& elements, VARIANT* out)
{
    const VARTYPE tag = AutomationType(elementType);
    OwnedSafeArray array(SafeArrayCreateVector(tag, 0, static_cast<ULONG>(elements.size())));
    if (array.Get() == nullptr) {
        return WBEM_E_OUT_OF_MEMORY;
    }
    for (size_t i = 0; i < elements.size(); ++i) {
        OwnedVariant element;
        const HRESULT hr = ScalarToVariant(elementType, elements[i], element.Address());
        if (FAILED(hr)) {
            return hr;
        }
        if (V_VT(element.Address()) == VT_NULL) {
            continue;  // a missing embedded object stays a null pointer
        }
        LONG index = static_cast<LONG>(i);
        // SafeArrayPutElement copies strings and adds references, so the element keeps its own.
        void* source = &V_UNION(element.Address(), llVal);
        if (tag == VT_BSTR) {
            source = V_BSTR(element.Address());
        } else if (tag == VT_UNKNOWN) {
            source = V_UNKNOWN(element.Address());
        }
        const HRESULT put = SafeArrayPutElement(array.Get(), &index, source);
        if (FAILED(put)) {
            return put;
        }
    }
    V_VT(out) = static_cast<VARTYPE>(VT_ARRAY | tag);
    V_ARRAY(out) = array.Detach();
    return S_OK;
}

// ---- Put: VARIANT -> stored scalar ----------------------------------------------------------

// One source value, whatever tag or array element it came from.
struct Source {
    enum class Kind { Signed, Unsigned, Real, Boolean, Text, NullText, Object, Unsupported };
    Kind kind = Kind::Unsupported;
    std::int64_t signedValue = 0;
    std::uint64_t unsignedValue = 0;
    double real = 0;
    bool flag = false;
    std::u16string text;
    IUnknown* object = nullptr;
};

Source Signed(std::int64_t value)
{
    Source s;
    s.kind = Source::Kind::Signed;
    s.signedValue = value;
    return s;
}

Source Unsigned(std::uint64_t value)
{
    Source s;
    s.kind = Source::Kind::Unsigned;
    s.unsignedValue = value;
    return s;
}

// Reads one element of tag `tag` stored at `data`.
Source ReadSource(VARTYPE tag, const void* data)
{
    Source s;
    switch (tag) {
    case VT_I1: return Signed(*static_cast<const signed char*>(data));
    case VT_UI1: return Unsigned(*static_cast<const BYTE*>(data));
    case VT_I2: return Signed(*static_cast<const SHORT*>(data));
    case VT_UI2: return Unsigned(*static_cast<const USHORT*>(data));
    case VT_I4:
    case VT_INT: return Signed(*static_cast<const LONG*>(data));
    case VT_UI4:
    case VT_UINT: return Unsigned(*static_cast<const ULONG*>(data));
    case VT_I8: return Signed(*static_cast<const LONGLONG*>(data));
    case VT_UI8: return Unsigned(*static_cast<const ULONGLONG*>(data));
    case VT_R4:
        s.kind = Source::Kind::Real;
        s.real = static_cast<double>(*static_cast<const FLOAT*>(data));
        return s;
    case VT_R8:
        s.kind = Source::Kind::Real;
        s.real = *static_cast<const DOUBLE*>(data);
        return s;
    case VT_BOOL:
        s.kind = Source::Kind::Boolean;
        s.flag = *static_cast<const VARIANT_BOOL*>(data) != 0;
        return s;
    case VT_BSTR: {
        const BSTR text = *static_cast<const BSTR*>(data);
        if (text == nullptr) {
            s.kind = Source::Kind::NullText;
        } else {
            s.kind = Source::Kind::Text;
            s.text.assign(text, SysStringLen(text));
        }
        return s;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH:
        s.kind = Source::Kind::Object;
        s.object = *static_cast<IUnknown* const*>(data);
        return s;
    case VT_VARIANT: {
        const auto* inner = static_cast<const VARIANT*>(data);
        if ((V_VT(inner) & (VT_ARRAY | VT_BYREF)) != 0) {
            return s;
        }
        return ReadSource(V_VT(inner), &V_UNION(inner, llVal));
    }
    default: return s;
    }
}

std::optional<std::int64_t> ParseSigned(std::u16string_view text)
{
    bool negative = false;
    size_t i = 0;
    if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) {
        negative = text[0] == u'-';
        i = 1;
    }
    if (i >= text.size()) {
        return std::nullopt;
    }
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') {
            return std::nullopt;
        }
        const std::uint64_t digit = text[i] - u'0';
        if (magnitude > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (negative) {
        if (magnitude > std::uint64_t{1} << 63) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(0 - magnitude);
    }
    if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(magnitude);
}

std::optional<std::uint64_t> ParseUnsigned(std::u16string_view text)
{
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        const std::uint64_t digit = c - u'0';
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return value;
}

struct IntegerRange {
    int bits;
    bool isSigned;
};

IntegerRange RangeOf(CIMTYPE elementType)
{
    switch (elementType) {
    case CIM_SINT8: return {8, true};
    case CIM_UINT8: return {8, false};
    case CIM_SINT16: return {16, true};
    case CIM_UINT16:
    case CIM_CHAR16: return {16, false};
    case CIM_SINT32: return {32, true};
    case CIM_UINT32: return {32, false};
    case CIM_SINT64: return {64, true};
    default: return {64, false};
    }
}

// Integers that a property of `elementType` takes. An unsigned property also takes negative
// numbers down to the signed minimum of its width, read as two's complement: automation has no
// unsigned 32-bit tag of its own, so clients write large uint32 values as negative VT_I4.
std::optional<Scalar> ToInteger(CIMTYPE elementType, const Source& source)
{
    const IntegerRange range = RangeOf(elementType);
    bool negative = false;
    std::uint64_t magnitude = 0;  // absolute value
    switch (source.kind) {
    case Source::Kind::Signed:
        negative = source.signedValue < 0;
        magnitude = negative ? 0 - static_cast<std::uint64_t>(source.signedValue)
                             : static_cast<std::uint64_t>(source.signedValue);
        break;
    case Source::Kind::Unsigned: magnitude = source.unsignedValue; break;
    case Source::Kind::Real: {
        const double rounded = std::nearbyint(source.real);
        if (!std::isfinite(rounded) || std::fabs(rounded) >= 18446744073709551616.0) {
            return std::nullopt;
        }
        negative = rounded < 0;
        magnitude = static_cast<std::uint64_t>(std::fabs(rounded));
        break;
    }
    case Source::Kind::Text: {
        if (range.bits != 64) {
            return std::nullopt;
        }
        if (range.isSigned) {
            const auto parsed = ParseSigned(source.text);
            if (!parsed) {
                return std::nullopt;
            }
            return Scalar{*parsed};
        }
        const auto parsed = ParseUnsigned(source.text);
        if (!parsed) {
            return std::nullopt;
        }
        return Scalar{*parsed};
    }
    default: return std::nullopt;
    }
    const std::uint64_t halfRange = std::uint64_t{1} << (range.bits - 1);
    const std::uint64_t unsignedMax =
        range.bits == 64 ? std::numeric_limits<std::uint64_t>::max() : (std::uint64_t{1} << range.bits) - 1;
    if (range.isSigned) {
        if (negative ? magnitude > halfRange : magnitude >= halfRange) {
            return std::nullopt;
        }
        return Scalar{negative ? static_cast<std::int64_t>(0 - magnitude)
                               : static_cast<std::int64_t>(magnitude)};
    }
    if (negative) {
        if (magnitude > halfRange) {
            return std::nullopt;
        }
        magnitude = (0 - magnitude) & unsignedMax;
    } else if (magnitude > unsignedMax) {
        return std::nullopt;
    }
    if (range.bits == 64) {
        return Scalar{magnitude};
    }
    return Scalar{static_cast<std::int64_t>(magnitude)};
}

std::optional<Scalar> ToReal(CIMTYPE elementType, const Source& source)
{
    double value = 0;
    switch (source.kind) {
    case Source::Kind::Signed: value = static_cast<double>(source.signedValue); break;
    case Source::Kind::Unsigned: value = static_cast<double>(source.unsignedValue); break;
    case Source::Kind::Real: value = source.real; break;
    default: return std::nullopt;
    }
    if (elementType == CIM_REAL32) {
        // A value rounds to the largest real32 up to half a unit in the last place above it (the
        // shortest text of that real32 denotes a value a little above it).
        constexpr double kLargest = static_cast<double>(std::numeric_limits<float>::max());
        constexpr double kRoundsToLargest = kLargest + 0x1p103;
        if (std::isfinite(value) && std::fabs(value) >= kRoundsToLargest) {
            return std::nullopt;
        }
        value = std::fabs(value) > kLargest ? std::copysign(kLargest, value)
                                            : static_cast<double>(static_cast<float>(value));
    }
    return Scalar{value};
}

// Embedded objects are copied, as WMI copies them during Put; a foreign object is kept by
// reference (see VariantToValue). An object that would nest too deep is refused (see Refusal).
std::optional<Scalar> ToObject(const Source& source)
{
    if (source.kind != Source::Kind::Object || source.object == nullptr) {
        return std::nullopt;
    }
    const ClassObject* object = AsEmulatorObject(source.object);
    if (object == nullptr) {
        return std::nullopt;
    }
    std::shared_ptr<const ObjectData> snapshot = EmbeddedSnapshot(object->Data());
    if (snapshot == nullptr) {
        return std::nullopt;
    }
    return Scalar{std::move(snapshot)};
}

std::optional<Scalar> Coerce(CIMTYPE elementType, const Source& source)
{
    switch (elementType) {
    case CIM_REAL32:
    case CIM_REAL64: return ToReal(elementType, source);
    case CIM_BOOLEAN:
        if (source.kind == Source::Kind::Boolean) {
            return Scalar{source.flag};
        }
        if (source.kind == Source::Kind::Signed || source.kind == Source::Kind::Unsigned) {
            return Scalar{source.signedValue != 0 || source.unsignedValue != 0};
        }
        return std::nullopt;
    case CIM_STRING:
    case CIM_REFERENCE:
        if (source.kind == Source::Kind::Text) {
            return Scalar{source.text};
        }
        return std::nullopt;
    case CIM_DATETIME:
        if (source.kind == Source::Kind::Text && IsDmtfDatetime(source.text)) {
            return Scalar{source.text};
        }
        return std::nullopt;
    case CIM_CHAR16:
        if (source.kind == Source::Kind::Text && source.text.size() == 1) {
            return Scalar{std::int64_t{source.text[0]}};
        }
        return ToInteger(elementType, source);
    case CIM_OBJECT: return ToObject(source);
    default: return ToInteger(elementType, source);
    }
}

// Why Coerce refused `source`: an object of ours that nests too deep to be embedded is a value
// that WMI does not take (WBEM_E_INVALID_PARAMETER); anything else is of a type the property does
// not hold.
HRESULT Refusal(CIMTYPE elementType, const Source& source)
{
    if (elementType == CIM_OBJECT && source.kind == Source::Kind::Object) {
        const ClassObject* object = AsEmulatorObject(source.object);
        if (object != nullptr && EmbeddedSnapshot(object->Data()) == nullptr) {
            return WBEM_E_INVALID_PARAMETER;
        }
    }
    return WBEM_E_TYPE_MISMATCH;
}

HRESULT ArrayToValue(CIMTYPE elementType, const VARIANT* in, Value* out)
{
    SAFEARRAY* array = V_ARRAY(in);
    if (array == nullptr || SafeArrayGetDim(array) != 1) {
        return WBEM_E_TYPE_MISMATCH;
    }
    const VARTYPE tag = V_VT(in) & VT_TYPEMASK;
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    std::vector<Scalar> elements;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
        return WBEM_E_TYPE_MISMATCH;
    }
    const ULONG size = SafeArrayGetElemsize(array);
    HRESULT hr = WBEM_S_NO_ERROR;
    for (LONG i = 0; i <= upper - lower; ++i) {
        const void* element = static_cast<const BYTE*>(data) + static_cast<size_t>(i) * size;
        Source source = ReadSource(tag, element);
        if (source.kind == Source::Kind::NullText) {
            source.kind = Source::Kind::Text;  // a null string element reads as ""
        }
        std::optional<Scalar> scalar = Coerce(elementType, source);
        if (!scalar) {
            hr = Refusal(elementType, source);
            break;
        }
        elements.push_back(std::move(*scalar));
    }
    SafeArrayUnaccessData(array);
    if (SUCCEEDED(hr)) {
        *out = Value::MakeArray(std::move(elements));
    }
    return hr;
}

bool AllDigitsOrStars(std::u16string_view text)
{
    for (char16_t c : text) {
        if (!((c >= u'0' && c <= u'9') || c == u'*')) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsDmtfDatetime(std::u16string_view text)
{
    if (text.size() != 25 || text[14] != u'.') {
        return false;
    }
    if (!AllDigitsOrStars(text.substr(0, 14)) || !AllDigitsOrStars(text.substr(15, 6))) {
        return false;
    }
    if (text[21] == u':') {
        return text.substr(22) == u"000";
    }
    return (text[21] == u'+' || text[21] == u'-') && AllDigitsOrStars(text.substr(22));
}

HRESULT ValueToVariant(CIMTYPE type, const Value& value, VARIANT* out)
{
    VariantInit(out);
    switch (value.shape) {
    case Value::Shape::Null: V_VT(out) = VT_NULL; return S_OK;
    case Value::Shape::Raw:
        return SUCCEEDED(VariantCopy(out, &value.raw->get())) ? S_OK : WBEM_E_OUT_OF_MEMORY;
    case Value::Shape::List: return ArrayToVariant(ElementType(type), value.elements, out);
    case Value::Shape::Single: return ScalarToVariant(ElementType(type), value.scalar, out);
    }
    return WBEM_E_FAILED;
}

HRESULT VariantToValue(CIMTYPE type, const VARIANT* in, Value* out)
{
    if (in == nullptr || V_VT(in) == VT_NULL || V_VT(in) == VT_EMPTY) {
        *out = Value::MakeNull();
        return WBEM_S_NO_ERROR;
    }
    const VARTYPE tag = V_VT(in);
    if ((tag & VT_BYREF) != 0) {
        return WBEM_E_TYPE_MISMATCH;
    }
    const bool isArray = (tag & VT_ARRAY) != 0;
    if (isArray != IsArrayType(type)) {
        return WBEM_E_TYPE_MISMATCH;
    }
    if (isArray) {
        return ArrayToValue(ElementType(type), in, out);
    }
    const Source source = ReadSource(tag, &V_UNION(in, llVal));
    if (source.kind == Source::Kind::NullText && ElementType(type) != CIM_OBJECT) {
        // WMI takes a VT_BSTR with a null pointer as NULL for text properties.
        const CIMTYPE element = ElementType(type);
        if (element == CIM_STRING || element == CIM_DATETIME || element == CIM_REFERENCE) {
            *out = Value::MakeNull();
            return WBEM_S_NO_ERROR;
        }
        return WBEM_E_TYPE_MISMATCH;
    }
    if (ElementType(type) == CIM_OBJECT && source.kind == Source::Kind::Object) {
        if (source.object == nullptr) {
            *out = Value::MakeNull();
            return WBEM_S_NO_ERROR;
        }
        if (AsEmulatorObject(source.object) == nullptr) {
            // Not an object of ours: it must at least be a class object, which is then kept by
            // reference.
            IWbemClassObject* foreign = nullptr;
            if (FAILED(source.object->QueryInterface(IID_IWbemClassObject,
                                                     reinterpret_cast<void**>(&foreign)))) {
                return WBEM_E_TYPE_MISMATCH;
            }
            foreign->Release();
            auto raw = RawVariant::Copy(*in);
            if (raw == nullptr) {
                return WBEM_E_OUT_OF_MEMORY;
            }
            *out = Value::MakeRaw(std::move(raw));
            return WBEM_S_NO_ERROR;
        }
    }
    std::optional<Scalar> scalar = Coerce(ElementType(type), source);
    if (!scalar) {
        return Refusal(ElementType(type), source);
    }
    *out = Value::MakeScalar(std::move(*scalar));
    return WBEM_S_NO_ERROR;
}

CIMTYPE CimTypeOfVariant(const VARIANT* value)
{
    if (value == nullptr) {
        return CIM_STRING;
    }
    const CIMTYPE array = (V_VT(value) & VT_ARRAY) != 0 ? CIM_FLAG_ARRAY : 0;
    switch (V_VT(value) & VT_TYPEMASK) {
    case VT_I1: return CIM_SINT8 | array;
    case VT_UI1: return CIM_UINT8 | array;
    case VT_I2: return CIM_SINT16 | array;
    case VT_UI2: return CIM_UINT16 | array;
    case VT_I4:
    case VT_INT: return CIM_SINT32 | array;
    case VT_UI4:
    case VT_UINT: return CIM_UINT32 | array;
    case VT_I8: return CIM_SINT64 | array;
    case VT_UI8: return CIM_UINT64 | array;
    case VT_R4: return CIM_REAL32 | array;
    case VT_R8: return CIM_REAL64 | array;
    case VT_BOOL: return CIM_BOOLEAN | array;
    case VT_UNKNOWN:
    case VT_DISPATCH: return CIM_OBJECT | array;
    default: return CIM_STRING | array;
    }
}

}  // namespace pal::wmi
