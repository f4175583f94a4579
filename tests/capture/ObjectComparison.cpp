#include "ObjectComparison.h"

#include <oleauto.h>

#include <cstring>
#include <map>

#include "owners.h"

namespace capture_test {
namespace {

using pal::ComPtr;
using pal::OwnedBstr;
using pal::OwnedVariant;

void Compare(IWbemClassObject* expected, IWbemClassObject* actual, const std::string& where,
             std::vector<std::string>& out);

std::string TypeText(VARTYPE type)
{
    return "vt " + std::to_string(type);
}

// The bytes of one element of a SAFEARRAY or a VARIANT's value, for types compared bit for bit.
size_t ElementSize(VARTYPE element)
{
    switch (element) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4: return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8: return 8;
    default: return 0;
    }
}

ComPtr<IWbemClassObject> AsObject(IUnknown* unknown)
{
    ComPtr<IWbemClassObject> object;
    if (unknown != nullptr) {
        unknown->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(object.Put()));
    }
    return object;
}

void CompareElements(VARTYPE element, const void* expected, const void* actual, const std::string& where,
                     std::vector<std::string>& out)
{
    if (element == VT_BSTR) {
        const BSTR a = *static_cast<const BSTR*>(expected);
        const BSTR b = *static_cast<const BSTR*>(actual);
        const std::u16string_view textA(a == nullptr ? u"" : a, SysStringLen(a));
        const std::u16string_view textB(b == nullptr ? u"" : b, SysStringLen(b));
        if (textA != textB) {
            out.push_back(where + ": \"" + Narrow(textA) + "\" read as \"" + Narrow(textB) + "\"");
        }
        return;
    }
    if (element == VT_UNKNOWN) {
        ComPtr<IWbemClassObject> a = AsObject(*static_cast<IUnknown* const*>(expected));
        ComPtr<IWbemClassObject> b = AsObject(*static_cast<IUnknown* const*>(actual));
        if (!a || !b) {
            out.push_back(where + ": an embedded object is missing");
            return;
        }
        Compare(a.Get(), b.Get(), where, out);
        return;
    }
    const size_t size = ElementSize(element);
    if (size == 0) {
        out.push_back(where + ": cannot compare " + TypeText(element));
    } else if (std::memcmp(expected, actual, size) != 0) {
        out.push_back(where + ": the bits differ");
    }
}

void CompareValues(const VARIANT* expected, const VARIANT* actual, const std::string& where,
                   std::vector<std::string>& out)
{
    if (V_VT(expected) != V_VT(actual)) {
        out.push_back(where + ": " + TypeText(V_VT(expected)) + " read as " + TypeText(V_VT(actual)));
        return;
    }
    const VARTYPE type = V_VT(expected);
    if (type == VT_NULL || type == VT_EMPTY) {
        return;
    }
    if ((type & VT_ARRAY) == 0) {
        const void* a = type == VT_BSTR      ? static_cast<const void*>(&V_BSTR(expected))
                        : type == VT_UNKNOWN ? static_cast<const void*>(&V_UNKNOWN(expected))
                                             : static_cast<const void*>(&V_I1(expected));
        const void* b = type == VT_BSTR      ? static_cast<const void*>(&V_BSTR(actual))
                        : type == VT_UNKNOWN ? static_cast<const void*>(&V_UNKNOWN(actual))
                                             : static_cast<const void*>(&V_I1(actual));
        CompareElements(type, a, b, where, out);
        return;
    }
    SAFEARRAY* a = V_ARRAY(expected);
    SAFEARRAY* b = V_ARRAY(actual);
    LONG lowA = 0, highA = -1, lowB = 0, highB = -1;
    SafeArrayGetLBound(a, 1, &lowA);
    SafeArrayGetUBound(a, 1, &highA);
    SafeArrayGetLBound(b, 1, &lowB);
    SafeArrayGetUBound(b, 1, &highB);
    if (highA - lowA != highB - lowB) {
        out.push_back(where + ": " + std::to_string(highA - lowA + 1) + " elements read as " +
                      std::to_string(highB - lowB + 1));
        return;
    }
    const VARTYPE element = static_cast<VARTYPE>(type & ~VT_ARRAY);
    const size_t stride = SafeArrayGetElemsize(a);
    if (stride != SafeArrayGetElemsize(b)) {
        out.push_back(where + ": the elements differ in size");
        return;
    }
    void* dataA = nullptr;
    void* dataB = nullptr;
    if (FAILED(SafeArrayAccessData(a, &dataA))) {
        out.push_back(where + ": cannot read the array");
        return;
    }
    if (SUCCEEDED(SafeArrayAccessData(b, &dataB))) {
        for (LONG i = 0; i <= highA - lowA; ++i) {
            const size_t offset = static_cast<size_t>(i) * stride;
            CompareElements(element, static_cast<const char*>(dataA) + offset,
                            static_cast<const char*>(dataB) + offset, where + "[" + std::to_string(i) + "]",
                            out);
        }
        SafeArrayUnaccessData(b);
    } else {
        out.push_back(where + ": cannot read the array");
    }
    SafeArrayUnaccessData(a);
}

struct Entry {
    OwnedVariant value;
    CIMTYPE type = 0;
    LONG flavor = 0;
};

// Every qualifier of a set by name (folded to upper case): value and flavor.
std::map<std::u16string, Entry> Qualifiers(IWbemQualifierSet* set)
{
    std::map<std::u16string, Entry> entries;
    if (set == nullptr || FAILED(set->BeginEnumeration(0))) {
        return entries;
    }
    for (;;) {
        OwnedBstr name;
        Entry entry;
        if (set->Next(0, name.Put(), entry.value.Address(), &entry.flavor) != WBEM_S_NO_ERROR) {
            break;
        }
        std::u16string key(name.Get());
        for (char16_t& c : key) {
            c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
        }
        entries.emplace(key, std::move(entry));
    }
    set->EndEnumeration();
    return entries;
}

void CompareQualifiers(IWbemQualifierSet* expected, IWbemQualifierSet* actual, const std::string& where,
                       std::vector<std::string>& out)
{
    const auto a = Qualifiers(expected);
    const auto b = Qualifiers(actual);
    for (const auto& [name, entry] : a) {
        const auto found = b.find(name);
        const std::string at = where + " [" + Narrow(name) + "]";
        if (found == b.end()) {
            out.push_back(at + ": missing");
            continue;
        }
        // Only the flavor bits that a declaration sets; the origin bits say where it was read.
        const LONG declared = ~WBEM_FLAVOR_MASK_ORIGIN;
        if ((entry.flavor & declared) != (found->second.flavor & declared)) {
            out.push_back(at + ": flavor " + std::to_string(entry.flavor) + " read as " +
                          std::to_string(found->second.flavor));
        }
        CompareValues(entry.value.Get(), found->second.value.Get(), at, out);
    }
    for (const auto& [name, entry] : b) {
        if (a.find(name) == a.end()) {
            out.push_back(where + " [" + Narrow(name) + "]: not expected");
        }
    }
}

std::map<std::u16string, Entry> Properties(IWbemClassObject* object)
{
    std::map<std::u16string, Entry> entries;
    if (FAILED(object->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY))) {
        return entries;
    }
    for (;;) {
        OwnedBstr name;
        Entry entry;
        if (object->Next(0, name.Put(), entry.value.Address(), &entry.type, &entry.flavor) !=
            WBEM_S_NO_ERROR) {
            break;
        }
        entries.emplace(std::u16string(name.Get()), std::move(entry));
    }
    object->EndEnumeration();
    return entries;
}

ComPtr<IWbemQualifierSet> PropertyQualifiers(IWbemClassObject* object, const std::u16string& name)
{
    ComPtr<IWbemQualifierSet> set;
    object->GetPropertyQualifierSet(name.c_str(), set.Put());
    return set;
}

void CompareMethods(IWbemClassObject* expected, IWbemClassObject* actual, const std::string& where,
                    std::vector<std::string>& out)
{
    if (FAILED(expected->BeginMethodEnumeration(0))) {
        return;
    }
    size_t count = 0;
    for (;;) {
        OwnedBstr name;
        ComPtr<IWbemClassObject> in, outSignature;
        if (expected->NextMethod(0, name.Put(), in.Put(), outSignature.Put()) != WBEM_S_NO_ERROR) {
            break;
        }
        ++count;
        const std::string at = where + "." + Narrow(name.Get()) + "()";
        ComPtr<IWbemClassObject> actualIn, actualOut;
        if (FAILED(actual->GetMethod(name.Get(), 0, actualIn.Put(), actualOut.Put()))) {
            out.push_back(at + ": missing");
            continue;
        }
        if (static_cast<bool>(in) != static_cast<bool>(actualIn) ||
            static_cast<bool>(outSignature) != static_cast<bool>(actualOut)) {
            out.push_back(at + ": the parameters differ in direction");
            continue;
        }
        if (in) {
            Compare(in.Get(), actualIn.Get(), at + " in", out);
        }
        if (outSignature) {
            Compare(outSignature.Get(), actualOut.Get(), at + " out", out);
        }
        ComPtr<IWbemQualifierSet> a, b;
        expected->GetMethodQualifierSet(name.Get(), a.Put());
        actual->GetMethodQualifierSet(name.Get(), b.Put());
        CompareQualifiers(a.Get(), b.Get(), at, out);
    }
    expected->EndMethodEnumeration();
    size_t actualCount = 0;
    if (SUCCEEDED(actual->BeginMethodEnumeration(0))) {
        OwnedBstr name;
        while (actual->NextMethod(0, name.Put(), nullptr, nullptr) == WBEM_S_NO_ERROR) {
            ++actualCount;
        }
        actual->EndMethodEnumeration();
    }
    if (actualCount != count) {
        out.push_back(where + ": " + std::to_string(count) + " methods read as " +
                      std::to_string(actualCount));
    }
}

void Compare(IWbemClassObject* expected, IWbemClassObject* actual, const std::string& where,
             std::vector<std::string>& out)
{
    const auto a = Properties(expected);
    const auto b = Properties(actual);
    for (const auto& [name, entry] : a) {
        const std::string at = where + "." + Narrow(name);
        const auto found = b.find(name);
        if (found == b.end()) {
            out.push_back(at + ": missing");
            continue;
        }
        if (entry.type != found->second.type) {
            out.push_back(at + ": CIM type " + std::to_string(entry.type) + " read as " +
                          std::to_string(found->second.type));
        }
        if (entry.flavor != found->second.flavor) {
            out.push_back(at + ": flavor " + std::to_string(entry.flavor) + " read as " +
                          std::to_string(found->second.flavor));
        }
        CompareValues(entry.value.Get(), found->second.value.Get(), at, out);
        CompareQualifiers(PropertyQualifiers(expected, name).Get(), PropertyQualifiers(actual, name).Get(),
                          at, out);
    }
    for (const auto& [name, entry] : b) {
        if (a.find(name) == a.end()) {
            out.push_back(where + "." + Narrow(name) + ": not expected");
        }
    }
    ComPtr<IWbemQualifierSet> qualifiersA, qualifiersB;
    expected->GetQualifierSet(qualifiersA.Put());
    actual->GetQualifierSet(qualifiersB.Put());
    CompareQualifiers(qualifiersA.Get(), qualifiersB.Get(), where, out);
    CompareMethods(expected, actual, where, out);
}

}  // namespace

std::string Narrow(std::u16string_view text)
{
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out += "\\u" + std::to_string(static_cast<unsigned>(c));
        }
    }
    return out;
}

std::vector<std::string> Differences(IWbemClassObject* expected, IWbemClassObject* actual,
                                     const std::string& where)
{
    std::vector<std::string> out;
    Compare(expected, actual, where, out);
    return out;
}

}  // namespace capture_test
