#include "wmicapture/Capture.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <set>
#include <utility>

#include "platform/ComHolders.h"
#include "values/ArrayElements.h"
#include "wmi/Query.h"

namespace wmicapture {
namespace {

using wmibridge::CArrayElements;
using wmibridge::CBstr;
using wmibridge::CComRef;
using wmibridge::CRefPtr;
using wmibridge::CVariant;
using wmibridge::CWmiService;

constexpr char16_t kIndent[] = u"    ";
// WBEM_INFINITE, as the LONG that IEnumWbemClassObject::Next takes.
constexpr auto kWaitForever = static_cast<LONG>(WBEM_INFINITE);
// WMI's codes as HRESULTs (the SDK declares them as an unsigned enumeration).
constexpr auto kNotFound = static_cast<HRESULT>(WBEM_E_NOT_FOUND);
constexpr auto kOutOfMemory = static_cast<HRESULT>(WBEM_E_OUT_OF_MEMORY);
constexpr auto kInvalidParameter = static_cast<HRESULT>(WBEM_E_INVALID_PARAMETER);

Text Indent(int depth)
{
    Text text;
    for (int i = 0; i < depth; ++i) {
        text += kIndent;
    }
    return text;
}

bool IsSystemName(TextView name)
{
    return name.size() >= 2 && name[0] == u'_' && name[1] == u'_';
}

// The core library answers WMI's HRESULTs or Win32 error numbers; the capture speaks HRESULT, in
// which a positive Win32 number would read as success.
HRESULT AsHresult(wmibridge::ErrorCode code)
{
    return code > 0 ? HRESULT_FROM_WIN32(static_cast<DWORD>(code)) : static_cast<HRESULT>(code);
}

Text HexOf(HRESULT hr)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    Text text = u"0x";
    const auto bits = static_cast<std::uint32_t>(hr);
    for (int shift = 28; shift >= 0; shift -= 4) {
        text.push_back(static_cast<char16_t>(kDigits[(bits >> shift) & 0xF]));
    }
    return text;
}

// A SAFEARRAY owned by one scope.
class CSafeArray {
public:
    CSafeArray() = default;
    CSafeArray(const CSafeArray&) = delete;
    CSafeArray& operator=(const CSafeArray&) = delete;
    ~CSafeArray()
    {
        if (m_array != nullptr) {
            SafeArrayDestroy(m_array);
        }
    }
    SAFEARRAY** Put() { return &m_array; }
    SAFEARRAY* Get() const { return m_array; }

private:
    SAFEARRAY* m_array = nullptr;
};

// The BSTR elements of a one-dimensional array (GetNames), copied out.
std::vector<Text> NamesOf(SAFEARRAY* array)
{
    std::vector<Text> names;
    CArrayElements elements(array, VT_BSTR);
    for (int64_t i = 0; i < elements.Count(); ++i) {
        names.emplace_back(ViewOf(*static_cast<const BSTR*>(elements.At(i))));
    }
    return names;
}

// A text property of an object (__CLASS, __RELPATH, ...); empty when NULL or missing.
Text TextProperty(IWbemClassObject* object, const char16_t* name)
{
    CVariant value;
    if (FAILED(object->Get(reinterpret_cast<LPCWSTR>(name), 0, value.Address(), nullptr, nullptr)) ||
        V_VT(value.Get()) != VT_BSTR) {
        return {};
    }
    return Text(ViewOf(V_BSTR(value.Get())));
}

bool IsNullVariant(const VARIANT* value)
{
    return V_VT(value) == VT_NULL || V_VT(value) == VT_EMPTY;
}

// The key property names of an instance path `Class.A="x",B=5` (`Class=@`: none, singleton; a
// bare `Class`, as some WMIs name the one instance of a class without keys, is read as `Class=@`).
std::vector<Text> KeyNamesOfPath(TextView path, bool& singleton)
{
    std::vector<Text> names;
    const size_t separator = path.find_first_of(u".=");
    singleton = separator == TextView::npos && !path.empty();
    if (separator == TextView::npos) {
        return names;
    }
    if (path[separator] == u'=') {
        singleton = path.substr(separator + 1) == u"@";
        return names;
    }
    size_t position = separator + 1;
    while (position < path.size()) {
        const size_t equals = path.find(u'=', position);
        if (equals == TextView::npos) {
            break;
        }
        names.emplace_back(path.substr(position, equals - position));
        position = equals + 1;
        if (position < path.size() && path[position] == u'"') {
            ++position;
            while (position < path.size() && path[position] != u'"') {
                position += path[position] == u'\\' ? 2 : 1;
            }
            ++position;
        }
        while (position < path.size() && path[position] != u',') {
            ++position;
        }
        ++position;
    }
    return names;
}

// One value as a VARIANT or a SAFEARRAY stores it.
struct Element {
    VARTYPE vt;
    const void* data;

    template <class T>
    T As() const
    {
        T value;
        std::memcpy(&value, data, sizeof(value));
        return value;
    }
};

// Digits of a decimal text, as 64-bit values (WMI hands 64-bit integers over as text).
std::optional<std::uint64_t> ParseDecimal(TextView text, bool& negative)
{
    negative = !text.empty() && text[0] == u'-';
    if (negative || (!text.empty() && text[0] == u'+')) {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9' || value > (UINT64_MAX - static_cast<std::uint64_t>(c - u'0')) / 10) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - u'0');
    }
    return value;
}

// The element as a 64-bit pattern: signed tags sign-extended, unsigned ones zero-extended.
std::optional<std::uint64_t> BitsOf(const Element& element)
{
    switch (element.vt) {
    case VT_I1: return static_cast<std::uint64_t>(static_cast<std::int64_t>(element.As<signed char>()));
    case VT_I2: return static_cast<std::uint64_t>(static_cast<std::int64_t>(element.As<SHORT>()));
    case VT_I4:
    case VT_INT: return static_cast<std::uint64_t>(static_cast<std::int64_t>(element.As<LONG>()));
    case VT_I8: return static_cast<std::uint64_t>(element.As<LONGLONG>());
    case VT_UI1: return element.As<BYTE>();
    case VT_UI2: return element.As<USHORT>();
    case VT_UI4:
    case VT_UINT: return element.As<ULONG>();
    case VT_UI8: return element.As<ULONGLONG>();
    case VT_BSTR: {
        bool negative = false;
        const std::optional<std::uint64_t> magnitude = ParseDecimal(ViewOf(element.As<BSTR>()), negative);
        if (!magnitude) {
            return std::nullopt;
        }
        return negative ? 0 - *magnitude : *magnitude;
    }
    default: return std::nullopt;
    }
}

int BitWidth(CIMTYPE type)
{
    switch (type) {
    case CIM_SINT8:
    case CIM_UINT8: return 8;
    case CIM_SINT16:
    case CIM_UINT16:
    case CIM_CHAR16: return 16;
    case CIM_SINT32:
    case CIM_UINT32: return 32;
    default: return 64;
    }
}

const char16_t* TypeName(CIMTYPE element)
{
    switch (element) {
    case CIM_SINT8: return u"sint8";
    case CIM_UINT8: return u"uint8";
    case CIM_SINT16: return u"sint16";
    case CIM_UINT16: return u"uint16";
    case CIM_SINT32: return u"sint32";
    case CIM_UINT32: return u"uint32";
    case CIM_SINT64: return u"sint64";
    case CIM_UINT64: return u"uint64";
    case CIM_REAL32: return u"real32";
    case CIM_REAL64: return u"real64";
    case CIM_BOOLEAN: return u"boolean";
    case CIM_STRING: return u"string";
    case CIM_DATETIME: return u"datetime";
    case CIM_CHAR16: return u"char16";
    case CIM_OBJECT: return u"object";
    default: return nullptr;
    }
}

// A class as the capture found it, and what it must add for the MOF to load.
struct ClassInfo {
    Text name;
    CComRef<IWbemClassObject> object;
    // Empty for a root class and for a class whose superclass is a system class.
    Text superclass;
    // A system class (an event class's __ExtrinsicEvent, say) that the class derives from: named
    // in the MOF, as every namespace has it, but never written; what it declares is left out.
    Text systemSuperclass;
    CComRef<IWbemClassObject> systemParent;
    // Made from an embedded object because the namespace has no such class: only its properties.
    bool synthesized = false;
    // Keys that the instances' paths name but the class does not mark with `key`.
    std::vector<Text> addedKeys;
    bool addedSingleton = false;
};

class Capturer {
public:
    Capturer(const CRefPtr<CWmiService>& session, TextView nameSpace, const CaptureOptions& options,
             CaptureReport& report)
        : m_session(session), m_nameSpace(nameSpace), m_options(options), m_report(report)
    {
    }

    HRESULT Run(Text& mof, Text& error)
    {
        std::vector<Text> chosen = m_options.classes;
        if (chosen.empty()) {
            const HRESULT hr = AllClassNames(chosen, error);
            if (FAILED(hr)) {
                return hr;
            }
        }
        for (const Text& name : chosen) {
            if (IsSystemName(name)) {
                Warn(u"system class " + name + u" is not written");
                continue;
            }
            const HRESULT hr = Require(name, nullptr);
            if (FAILED(hr)) {
                error = u"class " + name;
                return hr;
            }
        }
        Text instances;
        if (!m_options.definitionsOnly) {
            std::set<Text> chosenNames;
            for (const Text& name : chosen) {
                chosenNames.insert(Folded(name));
            }
            for (const Text& name : chosen) {
                if (!IsSystemName(name)) {
                    const HRESULT hr = CaptureInstances(name, chosenNames, instances, error);
                    if (FAILED(hr)) {
                        return hr;
                    }
                }
            }
        }
        Text classes;
        std::set<Text> written;
        for (const ClassInfo& info : m_classes) {
            WriteClassAndParents(info, written, classes);
        }
        WriteHeader(mof);
        mof += classes;
        mof += instances;
        return WBEM_S_NO_ERROR;
    }

private:
    void Warn(Text message) { m_report.warnings.push_back(std::move(message)); }

    ClassInfo* Find(TextView name)
    {
        for (ClassInfo& info : m_classes) {
            if (SameName(info.name, name)) {
                return &info;
            }
        }
        return nullptr;
    }

    // Every class of the namespace: a schema query, or where that gives nothing (not every WMI
    // knows meta_class), the deep enumeration of the classes.
    HRESULT AllClassNames(std::vector<Text>& names, Text& error)
    {
        CComRef<IEnumWbemClassObject> enumerator;
        std::vector<CComRef<IWbemClassObject>> objects;
        HRESULT hr = AsHresult(wmibridge::OpenQuery(m_session, W("SELECT * FROM meta_class"),
                                                    WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                                    enumerator));
        if (SUCCEEDED(hr)) {
            hr = Drain(enumerator.Get(), objects);
        }
        if (FAILED(hr) || objects.empty()) {
            objects.clear();
            enumerator.Reset();
            const HRESULT enumerated = m_session->Services()->CreateClassEnum(
                nullptr, WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,  // deep: every class
                enumerator.Put());
            if (SUCCEEDED(enumerated) && enumerator) {
                hr = wmibridge::SecureProxy(enumerator.Get(), m_session->User(), m_session->Password(),
                                            m_session->Identity().Get());
                if (SUCCEEDED(hr)) {
                    hr = Drain(enumerator.Get(), objects);
                }
            } else if (SUCCEEDED(hr)) {
                hr = enumerated;
            }
        }
        if (FAILED(hr)) {
            error = u"the list of classes (name the classes to capture instead)";
            return hr;
        }
        for (const auto& object : objects) {
            Text name = TextProperty(object.Get(), u"__CLASS");
            if (!name.empty() && !IsSystemName(name)) {
                names.push_back(std::move(name));
            }
        }
        return WBEM_S_NO_ERROR;
    }

    static HRESULT Drain(IEnumWbemClassObject* enumerator, std::vector<CComRef<IWbemClassObject>>& objects)
    {
        for (;;) {
            IWbemClassObject* batch[16] = {};
            ULONG returned = 0;
            const HRESULT hr = enumerator->Next(kWaitForever, 16, batch, &returned);
            for (ULONG i = 0; i < returned && i < 16; ++i) {
                if (batch[i] != nullptr) {
                    objects.emplace_back(batch[i]);
                }
            }
            if (FAILED(hr)) {
                return hr;
            }
            if (hr != WBEM_S_NO_ERROR || returned == 0) {
                return WBEM_S_NO_ERROR;
            }
        }
    }

    // Makes sure the class (and its superclasses) will be written; `embedded`, when the class is
    // that of an embedded object, stands in for a class the namespace does not know.
    HRESULT Require(TextView name, IWbemClassObject* embedded)
    {
        if (Find(name) != nullptr) {
            return WBEM_S_NO_ERROR;
        }
        ClassInfo info;
        CBstr path(Units(Text(name)));
        HRESULT hr = path.Get() == nullptr ? kOutOfMemory
                                           : m_session->Services()->GetObject(path.Get(), 0, nullptr,
                                                                              info.object.Put(), nullptr);
        if (SUCCEEDED(hr) && !info.object) {
            hr = kNotFound;
        }
        if (FAILED(hr)) {
            if (embedded == nullptr) {
                return hr;
            }
            Warn(u"class " + Text(name) + u" of an embedded object is not in the namespace (" + HexOf(hr) +
                 u"): it is written with the properties of the object");
            info.object = CComRef<IWbemClassObject>(embedded);
            embedded->AddRef();
            info.synthesized = true;
            info.name = Text(name);
            m_classes.push_back(std::move(info));
            return WBEM_S_NO_ERROR;
        }
        info.name = TextProperty(info.object.Get(), u"__CLASS");
        if (info.name.empty()) {
            info.name = Text(name);
        }
        const Text superclass = TextProperty(info.object.Get(), u"__SUPERCLASS");
        if (!superclass.empty() && IsSystemName(superclass)) {
            CBstr parentPath(Units(superclass));
            if (parentPath.Get() != nullptr &&
                SUCCEEDED(m_session->Services()->GetObject(parentPath.Get(), 0, nullptr,
                                                           info.systemParent.Put(), nullptr)) &&
                info.systemParent) {
                info.systemSuperclass = superclass;
            } else {
                info.systemParent.Reset();
                Warn(u"system class " + superclass + u" of " + info.name +
                     u" cannot be read: the class is written with its inherited properties");
            }
        } else if (!superclass.empty()) {
            hr = Require(superclass, nullptr);
            if (SUCCEEDED(hr)) {
                info.superclass = Find(superclass)->name;
            } else {
                Warn(u"superclass " + superclass + u" of " + info.name + u" cannot be read (" + HexOf(hr) +
                     u"): the class is written with its inherited properties");
            }
        }
        m_classes.push_back(std::move(info));
        return WBEM_S_NO_ERROR;
    }

    // ---- instances ----

    HRESULT CaptureInstances(const Text& className, const std::set<Text>& chosenNames, Text& out, Text& error)
    {
        Text query = u"SELECT * FROM " + className;
        const auto condition = m_options.where.find(Folded(className));
        if (condition != m_options.where.end()) {
            query += u" WHERE " + condition->second;
        }
        CComRef<IEnumWbemClassObject> enumerator;
        std::vector<CComRef<IWbemClassObject>> objects;
        HRESULT hr = AsHresult(wmibridge::OpenQuery(
            m_session, Units(query), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, enumerator));
        if (SUCCEEDED(hr)) {
            hr = Drain(enumerator.Get(), objects);
        }
        if (FAILED(hr)) {
            if (condition != m_options.where.end()) {
                error = query;
                return hr;
            }
            Warn(u"instances of " + className + u" cannot be read (" + HexOf(hr) + u"): none written");
            return WBEM_S_NO_ERROR;
        }
        long written = 0;
        for (const auto& instance : objects) {
            if (m_options.limit >= 0 && written >= m_options.limit) {
                break;
            }
            const Text ownClass = TextProperty(instance.Get(), u"__CLASS");
            if (!SameName(ownClass, className) && chosenNames.count(Folded(ownClass)) != 0) {
                continue;  // written with its own class
            }
            const Text path = TextProperty(instance.Get(), u"__RELPATH");
            if (path.empty()) {
                Warn(u"an instance of " + ownClass + u" without a path (a key is NULL) is not written");
                continue;
            }
            if (!m_instancePaths.insert(Folded(path)).second) {
                continue;
            }
            hr = Require(ownClass, nullptr);
            if (FAILED(hr)) {
                Warn(u"instance " + path + u": its class cannot be read (" + HexOf(hr) + u"), not written");
                continue;
            }
            NoteKeys(*Find(ownClass), path);
            out += u"instance of " + Find(ownClass)->name + u"\n{\n";
            WriteInstanceBody(instance.Get(), 1, out);
            out += u"};\n\n";
            ++written;
            ++m_report.instances;
        }
        return WBEM_S_NO_ERROR;
    }

    // The keys an instance's path names, added to the class that declares them when it does not
    // mark them itself.
    void NoteKeys(ClassInfo& info, TextView path)
    {
        bool singleton = false;
        const std::vector<Text> keys = KeyNamesOfPath(path, singleton);
        if (singleton) {
            if (!HasTrueQualifier(info.object.Get(), nullptr, u"singleton") && !AnySingleton(info)) {
                Declaring(info, {})->addedSingleton = true;
            }
            return;
        }
        for (const Text& key : keys) {
            if (HasTrueQualifier(info.object.Get(), key.c_str(), u"key")) {
                continue;
            }
            ClassInfo* declaring = Declaring(info, key);
            if (std::none_of(declaring->addedKeys.begin(), declaring->addedKeys.end(),
                             [&](const Text& added) { return SameName(added, key); })) {
                declaring->addedKeys.push_back(key);
            }
        }
    }

    bool AnySingleton(const ClassInfo& info)
    {
        for (const ClassInfo* at = &info; at != nullptr;
             at = at->superclass.empty() ? nullptr : Find(at->superclass)) {
            if (at->addedSingleton) {
                return true;
            }
        }
        return false;
    }

    // The class among `info` and its written superclasses that declares the property (the root
    // one for a class qualifier: empty name).
    ClassInfo* Declaring(ClassInfo& info, TextView property)
    {
        ClassInfo* at = &info;
        while (!at->superclass.empty()) {
            ClassInfo* parent = Find(at->superclass);
            if (parent == nullptr || (!property.empty() && !HasProperty(parent->object.Get(), property))) {
                break;
            }
            at = parent;
        }
        return at;
    }

    static bool HasProperty(IWbemClassObject* object, TextView name)
    {
        const Text copy(name);
        return SUCCEEDED(object->Get(Units(copy), 0, nullptr, nullptr, nullptr));
    }

    // True when the class (property == null) or the property carries the qualifier, not false.
    static bool HasTrueQualifier(IWbemClassObject* object, const char16_t* property,
                                 const char16_t* qualifier)
    {
        CComRef<IWbemQualifierSet> set;
        const HRESULT hr = property == nullptr ? object->GetQualifierSet(set.Put())
                                               : object->GetPropertyQualifierSet(
                                                     reinterpret_cast<LPCWSTR>(property), set.Put());
        if (FAILED(hr) || !set) {
            return false;
        }
        CVariant value;
        if (FAILED(set->Get(reinterpret_cast<LPCWSTR>(qualifier), 0, value.Address(), nullptr))) {
            return false;
        }
        return V_VT(value.Get()) != VT_BOOL || V_BOOL(value.Get()) != VARIANT_FALSE;
    }

    // Writes `Name = value;` for every property whose value the instance does not take from its
    // class: every non-NULL value, and NULL where the class has a default.
    void WriteInstanceBody(IWbemClassObject* instance, int depth, Text& out)
    {
        const ClassInfo* info = Find(TextProperty(instance, u"__CLASS"));
        if (FAILED(instance->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY))) {
            return;
        }
        for (;;) {
            CBstr name;
            CVariant value;
            CIMTYPE type = 0;
            if (instance->Next(0, name.Put(), value.Address(), &type, nullptr) != WBEM_S_NO_ERROR) {
                break;
            }
            const Text propertyName(ViewOf(name.Get()));
            Text text;
            if (IsNullVariant(value.Get())) {
                if (info == nullptr || info->synthesized || !HasDefault(info->object.Get(), propertyName)) {
                    continue;
                }
                text = u"NULL";
            } else if (!AppendValue(text, value.Get(), type, depth, propertyName)) {
                continue;
            }
            out += Indent(depth) + propertyName + u" = " + text + u";\n";
        }
        instance->EndEnumeration();
    }

    static bool HasDefault(IWbemClassObject* classObject, const Text& name)
    {
        CVariant value;
        return SUCCEEDED(classObject->Get(Units(name), 0, value.Address(), nullptr, nullptr)) &&
               !IsNullVariant(value.Get());
    }

    // ---- values ----

    // Appends the value of a property (or default) of CIM type `type`; false, with a warning,
    // when it cannot be written.
    bool AppendValue(Text& out, const VARIANT* value, CIMTYPE type, int depth, const Text& what)
    {
        const CIMTYPE element = type & ~CIM_FLAG_ARRAY;
        const VARTYPE vt = V_VT(value);
        if ((vt & VT_ARRAY) == 0) {
            return AppendElement(out, Element{vt, &V_UI1(value)}, element, depth, what);
        }
        if ((vt & VT_BYREF) != 0) {
            Warn(u"value of " + what + u" is held by reference: not written");
            return false;
        }
        CArrayElements elements(V_ARRAY(value), static_cast<VARTYPE>(vt & ~VT_ARRAY));
        // Objects stand one per line, indented a level deeper; other elements share one line.
        const bool objects = element == CIM_OBJECT && elements.Count() > 0;
        Text text = u"{";
        for (int64_t i = 0; i < elements.Count(); ++i) {
            text += objects ? (i > 0 ? u",\n" : u"\n") + Indent(depth + 1) : Text(i > 0 ? u", " : u"");
            if (!AppendElement(text, Element{static_cast<VARTYPE>(vt & ~VT_ARRAY), elements.At(i)}, element,
                               depth + (objects ? 1 : 0), what)) {
                return false;
            }
        }
        out += text + (objects ? u"\n" + Indent(depth) : Text()) + u"}";
        return true;
    }

    bool AppendElement(Text& out, const Element& value, CIMTYPE element, int depth, const Text& what)
    {
        switch (element) {
        case CIM_SINT8:
        case CIM_SINT16:
        case CIM_SINT32:
        case CIM_SINT64:
        case CIM_UINT8:
        case CIM_UINT16:
        case CIM_UINT32:
        case CIM_UINT64:
        case CIM_CHAR16: {
            const std::optional<std::uint64_t> bits = BitsOf(value);
            if (!bits) {
                break;
            }
            const int width = BitWidth(element);
            const std::uint64_t mask = width == 64 ? UINT64_MAX : (std::uint64_t{1} << width) - 1;
            const std::uint64_t unsignedValue = *bits & mask;
            if (element == CIM_CHAR16) {
                AppendChar16(out, static_cast<char16_t>(unsignedValue));
            } else if (element == CIM_UINT8 || element == CIM_UINT16 || element == CIM_UINT32 ||
                       element == CIM_UINT64) {
                AppendUnsigned(out, unsignedValue);
            } else {
                const std::uint64_t sign = std::uint64_t{1} << (width - 1);
                AppendSigned(out, static_cast<std::int64_t>((unsignedValue ^ sign) - sign));
            }
            return true;
        }
        case CIM_REAL32:
        case CIM_REAL64: {
            double number = 0;
            if (value.vt == VT_R4) {
                number = static_cast<double>(value.As<float>());
            } else if (value.vt == VT_R8) {
                number = value.As<double>();
            } else {
                break;
            }
            const bool written = element == CIM_REAL32 ? AppendReal32(out, static_cast<float>(number))
                                                       : AppendReal64(out, number);
            if (!written) {
                Warn(u"value of " + what + u" is not a finite number, which MOF cannot write: not written");
            }
            return written;
        }
        case CIM_BOOLEAN:
            if (value.vt != VT_BOOL) {
                break;
            }
            out += value.As<VARIANT_BOOL>() != VARIANT_FALSE ? u"TRUE" : u"FALSE";
            return true;
        case CIM_STRING:
        case CIM_DATETIME:
        case CIM_REFERENCE:
            if (value.vt != VT_BSTR) {
                break;
            }
            if (element == CIM_DATETIME && !IsCimDatetime(ViewOf(value.As<BSTR>()))) {
                Text text;
                AppendString(text, ViewOf(value.As<BSTR>()));
                Warn(u"value of " + what + u" is not a datetime (" + text +
                     u"), which MOF cannot write: not written");
                return false;
            }
            AppendString(out, ViewOf(value.As<BSTR>()));
            return true;
        case CIM_OBJECT: {
            if (value.vt != VT_UNKNOWN && value.vt != VT_DISPATCH) {
                break;
            }
            IUnknown* unknown = value.As<IUnknown*>();
            CComRef<IWbemClassObject> embedded;
            if (unknown == nullptr || FAILED(unknown->QueryInterface(
                                          IID_IWbemClassObject, reinterpret_cast<void**>(embedded.Put())))) {
                break;
            }
            return AppendEmbedded(out, embedded.Get(), depth, what);
        }
        default: break;
        }
        Warn(u"value of " + what + u" does not match its CIM type (VARIANT type " +
             Text(1, static_cast<char16_t>(u'0' + value.vt / 10 % 10)) +
             Text(1, static_cast<char16_t>(u'0' + value.vt % 10)) + u"): not written");
        return false;
    }

    bool AppendEmbedded(Text& out, IWbemClassObject* embedded, int depth, const Text& what)
    {
        CVariant genus;
        if (SUCCEEDED(embedded->Get(W("__GENUS"), 0, genus.Address(), nullptr, nullptr)) &&
            V_VT(genus.Get()) == VT_I4 && V_I4(genus.Get()) == WBEM_GENUS_CLASS) {
            Warn(u"value of " + what + u" is an embedded class, which MOF cannot write: not written");
            return false;
        }
        const Text className = TextProperty(embedded, u"__CLASS");
        if (className.empty() || FAILED(Require(className, embedded))) {
            Warn(u"value of " + what + u" is an object without a class: not written");
            return false;
        }
        out += u"instance of " + Find(className)->name + u"\n" + Indent(depth) + u"{\n";
        WriteInstanceBody(embedded, depth + 1, out);
        out += Indent(depth) + u"}";
        return true;
    }

    // ---- qualifiers ----

    // Appends `Name`, `Name(value)` or `Name{values}` with its flavor; false for a value MOF
    // qualifiers cannot hold.
    bool AppendQualifier(Text& out, const Text& name, const VARIANT* value, LONG flavor)
    {
        Text text = name;
        const VARTYPE vt = V_VT(value);
        const auto scalar = [&](const Element& element, Text& into) {
            switch (element.vt) {
            case VT_BOOL:
                into += element.As<VARIANT_BOOL>() != VARIANT_FALSE ? u"TRUE" : u"FALSE";
                return true;
            case VT_R8: return AppendReal64(into, element.As<double>());
            case VT_R4: return AppendReal64(into, static_cast<double>(element.As<float>()));
            case VT_BSTR: AppendString(into, ViewOf(element.As<BSTR>())); return true;
            default: {
                const std::optional<std::uint64_t> bits = BitsOf(element);
                if (!bits) {
                    return false;
                }
                AppendSigned(into, static_cast<std::int64_t>(*bits));
                return true;
            }
            }
        };
        if ((vt & VT_ARRAY) != 0) {
            CArrayElements elements(V_ARRAY(value), static_cast<VARTYPE>(vt & ~VT_ARRAY));
            text += u"{";
            for (int64_t i = 0; i < elements.Count(); ++i) {
                if (i > 0) {
                    text += u", ";
                }
                if (!scalar(Element{static_cast<VARTYPE>(vt & ~VT_ARRAY), elements.At(i)}, text)) {
                    return false;
                }
            }
            text += u"}";
        } else if (vt != VT_BOOL || V_BOOL(value) == VARIANT_FALSE) {
            text += u"(";
            if (!scalar(Element{vt, &V_UI1(value)}, text)) {
                return false;
            }
            text += u")";
        }
        AppendFlavor(text, flavor);
        out += text;
        return true;
    }

    // The qualifiers of a set that the object declares itself (not those it inherits or the
    // system's), except those named in `skip`, written as `[a, b(1)]` followed by a space; with
    // `extra` qualifiers first. Nothing when there are none.
    Text QualifierList(IWbemQualifierSet* set, std::initializer_list<const char16_t*> skip,
                       const std::vector<Text>& extra, const Text& what)
    {
        std::vector<Text> items = extra;
        if (set != nullptr && SUCCEEDED(set->BeginEnumeration(0))) {
            for (;;) {
                CBstr name;
                CVariant value;
                LONG flavor = 0;
                if (set->Next(0, name.Put(), value.Address(), &flavor) != WBEM_S_NO_ERROR) {
                    break;
                }
                const Text qualifierName(ViewOf(name.Get()));
                if ((flavor & (WBEM_FLAVOR_ORIGIN_PROPAGATED | WBEM_FLAVOR_ORIGIN_SYSTEM)) != 0 ||
                    std::any_of(skip.begin(), skip.end(),
                                [&](const char16_t* s) { return SameName(qualifierName, s); }) ||
                    std::any_of(extra.begin(), extra.end(),
                                [&](const Text& e) { return SameName(qualifierName, e); })) {
                    continue;
                }
                Text item;
                if (IsNullVariant(value.Get()) ||
                    !AppendQualifier(item, qualifierName, value.Get(), flavor)) {
                    Warn(u"qualifier " + qualifierName + u" of " + what +
                         u" has a value MOF cannot write: not written");
                    continue;
                }
                items.push_back(std::move(item));
            }
            set->EndEnumeration();
        }
        if (items.empty()) {
            return {};
        }
        Text list = u"[";
        for (size_t i = 0; i < items.size(); ++i) {
            list += (i > 0 ? u", " : u"") + items[i];
        }
        return list + u"] ";
    }

    // ---- classes ----

    void WriteClassAndParents(const ClassInfo& info, std::set<Text>& written, Text& out)
    {
        if (!written.insert(Folded(info.name)).second) {
            return;
        }
        if (!info.superclass.empty()) {
            WriteClassAndParents(*Find(info.superclass), written, out);
        }
        WriteClass(info, out);
        ++m_report.classes;
    }

    // The type of a property or parameter in MOF, and the CIMTYPE qualifier to write for a typed
    // embedded object (whose class a MOF type cannot name unless it is defined before).
    static Text TypeOf(CIMTYPE type, IWbemQualifierSet* set, std::vector<Text>& extraQualifiers)
    {
        const CIMTYPE element = type & ~CIM_FLAG_ARRAY;
        Text cimType;
        CVariant declared;
        LONG flavor = 0;
        if (set != nullptr && SUCCEEDED(set->Get(W("CIMTYPE"), 0, declared.Address(), &flavor)) &&
            V_VT(declared.Get()) == VT_BSTR) {
            cimType = Text(ViewOf(V_BSTR(declared.Get())));
        }
        if (element == CIM_REFERENCE) {
            return cimType.size() > 4 && SameName(cimType.substr(0, 4), u"ref:") ? cimType.substr(4) + u" ref"
                                                                                 : Text(u"object ref");
        }
        if (element == CIM_OBJECT && cimType.size() > 7 && SameName(cimType.substr(0, 7), u"object:")) {
            Text qualifier = u"CIMTYPE(";
            AppendString(qualifier, cimType);
            qualifier += u")";
            AppendFlavor(qualifier, flavor & ~WBEM_FLAVOR_MASK_ORIGIN);
            extraQualifiers.push_back(qualifier);
        }
        const char16_t* name = TypeName(element);
        return name != nullptr ? Text(name) : Text(u"string");
    }

    void WriteClass(const ClassInfo& info, Text& out)
    {
        IWbemClassObject* object = info.object.Get();
        ClassInfo* parent = info.superclass.empty() ? nullptr : Find(info.superclass);
        IWbemClassObject* parentObject = parent == nullptr ? info.systemParent.Get() : parent->object.Get();
        const Text& superclass = info.superclass.empty() ? info.systemSuperclass : info.superclass;
        if (info.synthesized) {
            out += u"// Made from an embedded object: the namespace has no class " + info.name + u".\n";
        }
        if (!info.addedKeys.empty()) {
            out += u"// The instances' paths name keys that the class does not mark: they are marked here.\n";
        }
        if (info.addedSingleton) {
            out +=
                u"// The instance's path names no key and the class is not marked [singleton]: it is here.\n";
        }
        std::vector<Text> extra;
        if (info.addedSingleton) {
            extra.push_back(u"singleton");
        }
        CComRef<IWbemQualifierSet> set;
        if (!info.synthesized) {
            object->GetQualifierSet(set.Put());
        }
        Text qualifiers = QualifierList(set.Get(), {}, extra, u"class " + info.name);
        if (!qualifiers.empty()) {
            qualifiers.back() = u'\n';
        }
        out += qualifiers;
        out += u"class " + info.name + (superclass.empty() ? Text() : u" : " + superclass) + u"\n{\n";
        WriteProperties(info, parentObject, out);
        if (!info.synthesized) {
            WriteMethods(info, parentObject, out);
        }
        out += u"};\n\n";
    }

    void WriteProperties(const ClassInfo& info, IWbemClassObject* parentObject, Text& out)
    {
        IWbemClassObject* object = info.object.Get();
        if (FAILED(object->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY))) {
            return;
        }
        for (;;) {
            CBstr name;
            CVariant value;
            CIMTYPE type = 0;
            if (object->Next(0, name.Put(), value.Address(), &type, nullptr) != WBEM_S_NO_ERROR) {
                break;
            }
            const Text propertyName(ViewOf(name.Get()));
            CComRef<IWbemQualifierSet> set;
            object->GetPropertyQualifierSet(name.Get(), set.Put());
            std::vector<Text> extra;
            if (std::any_of(info.addedKeys.begin(), info.addedKeys.end(),
                            [&](const Text& key) { return SameName(key, propertyName); })) {
                extra.push_back(u"key");
            }
            const Text type_ = TypeOf(type, set.Get(), extra);
            const Text what = info.name + u"." + propertyName;
            const Text qualifiers = QualifierList(set.Get(), {u"CIMTYPE"}, extra, u"property " + what);
            Text defaultText;
            if (!info.synthesized && !IsNullVariant(value.Get())) {
                Text written;
                if (AppendValue(written, value.Get(), type, 1, u"the default of " + what)) {
                    defaultText = u" = " + written;
                }
            }
            if (parentObject != nullptr && Inherited(parentObject, propertyName, type, defaultText)) {
                if (qualifiers.empty()) {
                    continue;  // as the superclass declares it
                }
            }
            out += kIndent + qualifiers + type_ + u" " + propertyName +
                   ((type & CIM_FLAG_ARRAY) != 0 ? u"[]" : u"") + defaultText + u";\n";
        }
        object->EndEnumeration();
    }

    // True when the superclass has the property with the same type; then a default that differs
    // from the superclass's is kept, one that does not is dropped.
    bool Inherited(IWbemClassObject* parentObject, const Text& name, CIMTYPE type, Text& defaultText)
    {
        CVariant parentValue;
        CIMTYPE parentType = 0;
        if (FAILED(parentObject->Get(Units(name), 0, parentValue.Address(), &parentType, nullptr)) ||
            parentType != type) {
            return false;
        }
        Text parentDefault;
        if (!IsNullVariant(parentValue.Get())) {
            Text written;
            const size_t warnings = m_report.warnings.size();
            if (AppendValue(written, parentValue.Get(), parentType, 1, name)) {
                parentDefault = u" = " + written;
            }
            m_report.warnings.resize(warnings);
        }
        if (parentDefault == defaultText) {
            defaultText.clear();
            return true;
        }
        // A different default is an override of its own.
        return false;
    }

    struct Parameter {
        Text name;
        CIMTYPE type = 0;
        bool in = false;
        bool out = false;
        Text inName = u"in";  // the spelling of the source's qualifier
        Text outName = u"out";
        std::optional<LONG> id;
        CComRef<IWbemQualifierSet> qualifiers;
    };

    static void ReadParameters(IWbemClassObject* signature, bool input, std::vector<Parameter>& parameters,
                               CIMTYPE* returnType)
    {
        if (signature == nullptr || FAILED(signature->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY))) {
            return;
        }
        for (;;) {
            CBstr name;
            CIMTYPE type = 0;
            if (signature->Next(0, name.Put(), nullptr, &type, nullptr) != WBEM_S_NO_ERROR) {
                break;
            }
            const Text parameterName(ViewOf(name.Get()));
            if (!input && SameName(parameterName, u"ReturnValue")) {
                *returnType = type;
                continue;
            }
            auto existing = std::find_if(parameters.begin(), parameters.end(),
                                         [&](const Parameter& p) { return SameName(p.name, parameterName); });
            if (existing == parameters.end()) {
                Parameter added;
                added.name = parameterName;
                added.type = type;
                parameters.push_back(std::move(added));
                existing = parameters.end() - 1;
                signature->GetPropertyQualifierSet(name.Get(), existing->qualifiers.Put());
            }
            Parameter& parameter = *existing;
            (input ? parameter.in : parameter.out) = true;
            CComRef<IWbemQualifierSet> set;
            if (SUCCEEDED(signature->GetPropertyQualifierSet(name.Get(), set.Put())) && set) {
                CVariant id;
                if (SUCCEEDED(set->Get(W("ID"), 0, id.Address(), nullptr)) && V_VT(id.Get()) == VT_I4) {
                    parameter.id = V_I4(id.Get());
                }
                const char16_t* direction = input ? u"In" : u"Out";
                CSafeArray names;
                if (SUCCEEDED(set->GetNames(0, names.Put()))) {
                    for (const Text& qualifierName : NamesOf(names.Get())) {
                        if (SameName(qualifierName, direction)) {
                            (input ? parameter.inName : parameter.outName) = qualifierName;
                        }
                    }
                }
            }
        }
        signature->EndEnumeration();
    }

    void WriteMethods(const ClassInfo& info, IWbemClassObject* parentObject, Text& out)
    {
        IWbemClassObject* object = info.object.Get();
        if (FAILED(object->BeginMethodEnumeration(0))) {
            return;
        }
        for (;;) {
            CBstr name;
            CComRef<IWbemClassObject> inSignature;
            CComRef<IWbemClassObject> outSignature;
            if (object->NextMethod(0, name.Put(), inSignature.Put(), outSignature.Put()) != WBEM_S_NO_ERROR) {
                break;
            }
            const Text methodName(ViewOf(name.Get()));
            CBstr origin;
            const bool local = SUCCEEDED(object->GetMethodOrigin(name.Get(), origin.Put()))
                                   ? SameName(ViewOf(origin.Get()), info.name) || parentObject == nullptr
                                   : parentObject == nullptr ||
                                         FAILED(parentObject->GetMethod(name.Get(), 0, nullptr, nullptr));
            if (!local) {
                continue;
            }
            std::vector<Parameter> parameters;
            CIMTYPE returnType = CIM_EMPTY;
            ReadParameters(inSignature.Get(), true, parameters, &returnType);
            ReadParameters(outSignature.Get(), false, parameters, &returnType);
            std::stable_sort(parameters.begin(), parameters.end(),
                             [](const Parameter& a, const Parameter& b) {
                                 return a.id.value_or(INT32_MAX) < b.id.value_or(INT32_MAX);
                             });
            const Text what = info.name + u"." + methodName;
            CComRef<IWbemQualifierSet> set;
            object->GetMethodQualifierSet(name.Get(), set.Put());
            std::vector<Text> unused;
            const Text returns =
                returnType == CIM_EMPTY ? Text(u"void") : TypeOf(returnType, nullptr, unused);
            out += kIndent + QualifierList(set.Get(), {}, {}, u"method " + what) + returns + u" " +
                   methodName + u"(";
            for (size_t i = 0; i < parameters.size(); ++i) {
                const Parameter& parameter = parameters[i];
                std::vector<Text> extra;
                if (parameter.in) {
                    extra.push_back(parameter.inName);
                }
                if (parameter.out) {
                    extra.push_back(parameter.outName);
                }
                if (parameter.id) {
                    Text id = u"ID(";
                    AppendSigned(id, *parameter.id);
                    extra.push_back(id + u")");
                }
                const Text type_ = TypeOf(parameter.type, parameter.qualifiers.Get(), extra);
                const Text qualifiers =
                    QualifierList(parameter.qualifiers.Get(), {u"CIMTYPE", u"ID", u"In", u"Out"}, extra,
                                  u"parameter " + what + u"." + parameter.name);
                out += (i > 0 ? u", " : u"") + qualifiers + type_ + u" " + parameter.name +
                       ((parameter.type & CIM_FLAG_ARRAY) != 0 ? u"[]" : u"");
            }
            out += u");\n";
        }
        object->EndMethodEnumeration();
    }

    void WriteHeader(Text& mof)
    {
        Text server;
        if (!m_classes.empty()) {
            server = TextProperty(m_classes.front().object.Get(), u"__SERVER");
        }
        mof +=
            u"// Captured from " + Text(m_nameSpace) + (server.empty() ? Text() : u" on " + server) + u": ";
        AppendSigned(mof, m_report.classes);
        mof += u" classes, ";
        AppendSigned(mof, m_report.instances);
        mof += u" instances.\n";
        for (const Text& warning : m_report.warnings) {
            mof += u"// Note: " + warning + u"\n";
        }
        Text target = m_options.targetNamespace.empty() ? Text(m_nameSpace) : m_options.targetNamespace;
        if (target.rfind(u"\\\\", 0) != 0) {
            target = u"\\\\.\\" + target;
        }
        mof += u"#pragma namespace(";
        AppendString(mof, target);
        mof += u")\n\n";
    }

    const CRefPtr<CWmiService>& m_session;
    TextView m_nameSpace;
    const CaptureOptions& m_options;
    CaptureReport& m_report;
    std::vector<ClassInfo> m_classes;
    std::set<Text> m_instancePaths;
};

}  // namespace

Text WithProcessId(TextView condition, unsigned long processId)
{
    Text digits;
    AppendUnsigned(digits, processId);
    Text expanded;
    for (size_t at = 0; at < condition.size();) {
        if (condition.substr(at, 5) == u"{pid}") {
            expanded += digits;
            at += 5;
        } else {
            expanded.push_back(condition[at++]);
        }
    }
    return expanded;
}

HRESULT CaptureNamespace(const CRefPtr<CWmiService>& session, TextView nameSpace,
                         const CaptureOptions& options, Text& mof, CaptureReport& report, Text& error)
{
    if (session.IsEmpty() || session->Services() == nullptr) {
        error = u"no session";
        return kInvalidParameter;
    }
    report = CaptureReport{};
    try {
        return Capturer(session, nameSpace, options, report).Run(mof, error);
    } catch (const std::bad_alloc&) {
        error = u"out of memory";
        return kOutOfMemory;
    }
}

}  // namespace wmicapture
