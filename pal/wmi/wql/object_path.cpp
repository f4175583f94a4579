#include "wql/object_path.h"

#include <limits>
#include <new>
#include <optional>

#include "wql/lexer.h"
#include "wql/property_value.h"
#include "wql/status.h"
#include "wql/text.h"

namespace pal::wql {

namespace {

bool IsSeparator(char16_t c)
{
    return c == u'\\' || c == u'/';
}

class PathParser {
public:
    explicit PathParser(std::u16string_view text) : text_(text) {}

    // False for a malformed path; throws std::bad_alloc, and reports a failed BSTR allocation
    // through outOfMemory.
    bool Parse(ObjectPath& path, bool& outOfMemory)
    {
        outOfMemory = false;
        if (!ParsePrefix(path) || !ParseName(path.className)) {
            return false;
        }
        if (AtEnd()) {
            return true;
        }
        if (Accept(u'=')) {
            if (Accept(u'@')) {
                path.singleton = true;
                return AtEnd();
            }
            PathKey key;
            if (!ParseValue(key.value, outOfMemory)) {
                return false;
            }
            path.keys.push_back(std::move(key));
            return AtEnd();
        }
        if (!Accept(u'.')) {
            return false;
        }
        do {
            PathKey key;
            if (!ParseName(key.name) || !Accept(u'=') || !ParseValue(key.value, outOfMemory)) {
                return false;
            }
            for (const PathKey& earlier : path.keys) {
                if (CompareIgnoringCase(earlier.name, key.name) == 0) {
                    return false;
                }
            }
            path.keys.push_back(std::move(key));
        } while (Accept(u','));
        return AtEnd();
    }

private:
    bool AtEnd() const { return pos_ == text_.size(); }

    bool Accept(char16_t c)
    {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    // The position of the colon that ends a namespace prefix: the first colon that comes before
    // anything that can only follow the class name.
    std::optional<size_t> NamespaceColon() const
    {
        for (size_t i = pos_; i < text_.size(); ++i) {
            const char16_t c = text_[i];
            if (c == u':') {
                return i;
            }
            if (c == u'.' || c == u'=' || c == u'"' || c == u'\'') {
                break;
            }
        }
        return std::nullopt;
    }

    bool ParsePrefix(ObjectPath& path)
    {
        const bool hasServer = text_.size() >= 2 && IsSeparator(text_[0]) && IsSeparator(text_[1]);
        if (hasServer) {
            pos_ = 2;
            const size_t start = pos_;
            while (pos_ < text_.size() && !IsSeparator(text_[pos_]) && text_[pos_] != u':') {
                ++pos_;
            }
            if (pos_ == start || pos_ == text_.size() || !IsSeparator(text_[pos_])) {
                return false;
            }
            path.server.assign(text_.substr(start, pos_ - start));
            ++pos_;
        }
        const std::optional<size_t> colon = NamespaceColon();
        if (!colon) {
            return !hasServer;
        }
        if (!ParseNamespace(text_.substr(pos_, *colon - pos_), path.nameSpace)) {
            return false;
        }
        pos_ = *colon + 1;
        return true;
    }

    static bool ParseNamespace(std::u16string_view text, std::u16string& nameSpace)
    {
        bool segmentStart = true;
        for (const char16_t c : text) {
            if (IsSeparator(c)) {
                if (segmentStart) {
                    return false;
                }
                nameSpace.push_back(u'\\');
                segmentStart = true;
            } else if (segmentStart ? IsNameStart(c) : IsNamePart(c)) {
                nameSpace.push_back(c);
                segmentStart = false;
            } else {
                return false;
            }
        }
        return !segmentStart;
    }

    bool ParseName(std::u16string& name)
    {
        if (pos_ >= text_.size() || !IsNameStart(text_[pos_])) {
            return false;
        }
        const size_t start = pos_;
        while (pos_ < text_.size() && IsNamePart(text_[pos_])) {
            ++pos_;
        }
        name.assign(text_.substr(start, pos_ - start));
        return true;
    }

    bool ParseValue(OwnedVariant& value, bool& outOfMemory)
    {
        if (pos_ < text_.size() && (text_[pos_] == u'"' || text_[pos_] == u'\'')) {
            std::u16string text;
            return ParseQuoted(text) && StoreString(text, value, outOfMemory);
        }
        const size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != u',') {
            ++pos_;
        }
        const std::u16string_view token = text_.substr(start, pos_ - start);
        if (CompareIgnoringCase(token, u"TRUE") == 0 || CompareIgnoringCase(token, u"FALSE") == 0) {
            V_VT(value.Put()) = VT_BOOL;
            V_BOOL(value.Address()) = CompareIgnoringCase(token, u"TRUE") == 0 ? VARIANT_TRUE : VARIANT_FALSE;
            return true;
        }
        Value number;
        if (!ParseNumber(token, number) || number.kind != Value::Kind::Integer) {
            return false;
        }
        return StoreInteger(number, value, outOfMemory);
    }

    // Inside quotes, a backslash before a quote or a backslash stands for that character; before
    // anything else it is an ordinary character.
    bool ParseQuoted(std::u16string& text)
    {
        const char16_t quote = text_[pos_++];
        while (pos_ < text_.size()) {
            const char16_t c = text_[pos_++];
            if (c == quote) {
                return true;
            }
            const bool escape = c == u'\\' && pos_ < text_.size() &&
                                (text_[pos_] == u'\\' || text_[pos_] == u'"' || text_[pos_] == u'\'');
            text.push_back(escape ? text_[pos_++] : c);
        }
        return false;
    }

    static bool StoreString(const std::u16string& text, OwnedVariant& value, bool& outOfMemory)
    {
        const BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (copy == nullptr) {
            outOfMemory = true;
            return false;
        }
        V_VT(value.Put()) = VT_BSTR;
        V_BSTR(value.Address()) = copy;
        return true;
    }

    static bool StoreInteger(const Value& number, OwnedVariant& value, bool& outOfMemory)
    {
        constexpr uint64_t kMaxPositive = std::numeric_limits<LONG>::max();
        constexpr uint64_t kMaxNegative = kMaxPositive + 1;
        if (number.magnitude <= (number.negative ? kMaxNegative : kMaxPositive)) {
            const int64_t signedValue = number.negative ? -static_cast<int64_t>(number.magnitude)
                                                        : static_cast<int64_t>(number.magnitude);
            V_VT(value.Put()) = VT_I4;
            V_I4(value.Address()) = static_cast<LONG>(signedValue);
            return true;
        }
        return StoreString(IntegerText(number.negative, number.magnitude), value, outOfMemory);
    }

    std::u16string_view text_;
    size_t pos_ = 0;
};

// A key value as a constant to compare with: strings, numbers (with their text, for string
// properties) and booleans.
std::optional<Value> KeyAsConstant(const VARIANT& key)
{
    if (V_VT(&key) == VT_BSTR) {
        Value text;
        text.kind = Value::Kind::String;
        if (V_BSTR(&key) != nullptr) {
            text.text.assign(V_BSTR(&key), SysStringLen(V_BSTR(&key)));
        }
        return text;
    }
    PropertyValue scalar = ToPropertyValue(key, CIM_EMPTY);
    if (!scalar.comparable || scalar.value.kind == Value::Kind::Null) {
        return std::nullopt;
    }
    if (scalar.value.kind == Value::Kind::Integer) {
        scalar.value.text = IntegerText(scalar.value.negative, scalar.value.magnitude);
    } else if (scalar.value.kind == Value::Kind::Real) {
        scalar.value.text = RealText(scalar.value.real);
    }
    return scalar.value;
}

}  // namespace

PAL_WQL_API HRESULT ParseObjectPath(std::u16string_view text, ObjectPath& path) noexcept
{
    try {
        ObjectPath parsed;
        bool outOfMemory = false;
        PathParser parser(text);
        const bool parsedOk = parser.Parse(parsed, outOfMemory);
        if (!parsedOk) {
            path = ObjectPath{};
            return outOfMemory ? AsHresult(WBEM_E_OUT_OF_MEMORY) : AsHresult(WBEM_E_INVALID_OBJECT_PATH);
        }
        path = std::move(parsed);
        return S_OK;
    } catch (const std::bad_alloc&) {
        path = ObjectPath{};
        return AsHresult(WBEM_E_OUT_OF_MEMORY);
    }
}

PAL_WQL_API HRESULT KeyValueEquals(const VARIANT& key, const VARIANT& property, CIMTYPE type,
                                   bool& equal) noexcept
{
    equal = false;
    try {
        const std::optional<Value> constant = KeyAsConstant(key);
        if (constant) {
            equal = Compare(ToPropertyValue(property, type), CompareOp::Equal, *constant);
        }
        return S_OK;
    } catch (const std::bad_alloc&) {
        return AsHresult(WBEM_E_OUT_OF_MEMORY);
    }
}

PAL_WQL_API HRESULT KeyMatches(const PathKey& key, IWbemClassObject* object, bool& matches) noexcept
{
    matches = false;
    if (object == nullptr || key.name.empty()) {
        return AsHresult(WBEM_E_INVALID_PARAMETER);
    }
    OwnedVariant value;
    CIMTYPE type = CIM_EMPTY;
    const HRESULT hr = object->Get(key.name.c_str(), 0, value.Address(), &type, nullptr);
    if (hr == AsHresult(WBEM_E_NOT_FOUND)) {
        return AsHresult(WBEM_E_INVALID_OBJECT_PATH);
    }
    if (FAILED(hr)) {
        return hr;
    }
    return KeyValueEquals(*key.value.Get(), *value.Get(), type, matches);
}

}  // namespace pal::wql
