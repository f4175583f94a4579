#include "values/PropertyListing.h"

#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions.h>

#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "jni/LocalFrame.h"
#include "platform/ComHolders.h"
#include "values/ArrayElements.h"
#include "values/JavaText.h"
#include "values/ValueNumber.h"
#include "values/ValueText.h"
#include "wmi/PropertySnapshot.h"

namespace wmibridge {
namespace {

constexpr jint kNullMarker = com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_NULL_MARKER;
constexpr jsize kSlots = com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LISTING_SLOTS;
constexpr jsize kNamesSlot = com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LISTING_NAMES;
constexpr jsize kTypesSlot = com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LISTING_TYPES;
constexpr jsize kValuesSlot = com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LISTING_VALUES;
constexpr jsize kNumbersSlot = com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LISTING_NUMBERS;
constexpr jsize kArrayNumbersSlot = com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LISTING_ARRAY_NUMBERS;
static_assert(com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_CIM_FLAG_ARRAY == CIM_FLAG_ARRAY);
static_assert(com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_MAX_LISTING_DEPTH == kMaxListingDepth);
static_assert(com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_ERROR_NESTING_TOO_DEEP == kNestingTooDeep);

// References one level holds at most at once: the listing and its five slot arrays, the value of
// the property at hand and one element or nested listing inside it.
constexpr jint kFrameCapacity = 16;

bool FitsJsize(int64_t count)
{
    return count >= 0 && count <= std::numeric_limits<jsize>::max();
}

bool IsNull(const VARIANT* value)
{
    return V_VT(value) == VT_NULL || V_VT(value) == VT_EMPTY;
}

bool IsObjectType(VARTYPE vt)
{
    return vt == VT_UNKNOWN || vt == VT_DISPATCH;
}

// An embedded object's interface, read from a VARIANT or an array element of either object type.
IUnknown* UnknownAt(const void* slot)
{
    return *static_cast<IUnknown* const*>(slot);
}

class CLister {
public:
    CLister(JNIEnv* env, LONG enumFlags) noexcept
        : m_env(env),
          m_flags(enumFlags),
          m_stringClass(env->FindClass("java/lang/String")),
          m_objectClass(m_stringClass == nullptr ? nullptr : env->FindClass("java/lang/Object"))
    {
        if (m_objectClass == nullptr) {
            m_code = kOutOfMemory;
        }
    }
    ~CLister()
    {
        for (jclass cls : {m_stringClass, m_objectClass}) {
            if (cls != nullptr) {
                m_env->DeleteLocalRef(cls);
            }
        }
    }

    CLister(const CLister&) = delete;
    CLister& operator=(const CLister&) = delete;

    ErrorCode Code() const { return m_code; }
    bool Ready() const { return m_code == kSuccess; }

    // The listing of `object` at nesting level `level` (1 for the object listed).
    jobjectArray List(IWbemClassObject* object, int level)
    {
        if (level > kMaxListingDepth) {
            m_code = kNestingTooDeep;
            return nullptr;
        }
        PropertySnapshot snapshot;
        m_code = TakePropertySnapshot(object, m_flags, snapshot);
        if (m_code != kSuccess) {
            return nullptr;
        }
        if (!FitsJsize(static_cast<int64_t>(snapshot.size()))) {
            m_code = kOutOfMemory;
            return nullptr;
        }
        CLocalFrame frame(m_env, kFrameCapacity);
        if (!frame.Pushed()) {
            m_code = kOutOfMemory;
            return nullptr;
        }
        jobjectArray listing = Fill(snapshot, level);
        return listing == nullptr ? nullptr : static_cast<jobjectArray>(frame.Pop(listing));
    }

private:
    bool Fail(ErrorCode code)
    {
        m_code = code;
        return false;
    }

    // Stores `element` (which may be null) and drops the local reference at once.
    void Store(jobjectArray array, jsize index, jobject element)
    {
        if (element != nullptr) {
            m_env->SetObjectArrayElement(array, index, element);
            m_env->DeleteLocalRef(element);
        }
    }

    jobjectArray Fill(const PropertySnapshot& snapshot, int level)
    {
        const auto count = static_cast<jsize>(snapshot.size());
        jobjectArray listing = m_env->NewObjectArray(kSlots, m_objectClass, nullptr);
        jobjectArray names = m_env->NewObjectArray(count, m_stringClass, nullptr);
        jintArray types = m_env->NewIntArray(count);
        jobjectArray values = m_env->NewObjectArray(count, m_objectClass, nullptr);
        jlongArray numbers = m_env->NewLongArray(count);
        jobjectArray arrayNumbers = m_env->NewObjectArray(count, m_objectClass, nullptr);
        if (listing == nullptr || names == nullptr || types == nullptr || values == nullptr ||
            numbers == nullptr || arrayNumbers == nullptr) {
            m_code = kOutOfMemory;
            return nullptr;
        }
        std::vector<jint> typeCodes(static_cast<size_t>(count));
        std::vector<jlong> exactNumbers(static_cast<size_t>(count));
        jsize index = 0;
        for (const CPropertyEntry& entry : snapshot) {
            const VARIANT* value = entry.value.Get();
            typeCodes[static_cast<size_t>(index)] =
                static_cast<jint>(entry.type) | (IsNull(value) ? kNullMarker : 0);
            int64_t number = 0;
            ScalarNumber(V_VT(value), &V_UI1(value), number);
            exactNumbers[static_cast<size_t>(index)] = number;
            jobject name = nullptr;
            jobject converted = nullptr;
            jobject elementNumbers = nullptr;
            if (!Name(entry.name.Get(), name)) {
                return nullptr;
            }
            Store(names, index, name);
            if (!Value(value, level, converted)) {
                return nullptr;
            }
            Store(values, index, converted);
            if (!ArrayNumbers(value, elementNumbers)) {
                return nullptr;
            }
            Store(arrayNumbers, index, elementNumbers);
            ++index;
        }
        if (count > 0) {
            m_env->SetIntArrayRegion(types, 0, count, typeCodes.data());
            m_env->SetLongArrayRegion(numbers, 0, count, exactNumbers.data());
        }
        const jobject slots[] = {names, types, values, numbers, arrayNumbers};
        const jsize positions[] = {kNamesSlot, kTypesSlot, kValuesSlot, kNumbersSlot, kArrayNumbersSlot};
        for (size_t i = 0; i < kSlots; ++i) {
            m_env->SetObjectArrayElement(listing, positions[i], slots[i]);
        }
        return listing;
    }

    bool Name(BSTR name, jobject& out)
    {
        ValueTextBuffer buffer;
        ValueText text;
        ScalarText(VT_BSTR, &name, buffer, text);
        out = NewJavaString(m_env, text);
        return out != nullptr || Fail(kOutOfMemory);
    }

    // The value slot of one property: text, a String[] of element texts, a nested listing, an
    // Object[] of listings, or null where the text rules give none.
    bool Value(const VARIANT* value, int level, jobject& out)
    {
        const VARTYPE vt = V_VT(value);
        if ((vt & VT_ARRAY) != 0) {
            const VARTYPE element = vt & static_cast<VARTYPE>(~VT_ARRAY);
            if (IsObjectType(element)) {
                return ListingArray(V_ARRAY(value), element, level, out);
            }
            return !IsReadableArrayElement(element) || TextArray(V_ARRAY(value), element, out);
        }
        if (IsObjectType(vt)) {
            return Nested(UnknownAt(&V_UI1(value)), level, out);
        }
        ValueTextBuffer buffer;
        ValueText text;
        if (!VariantText(value, buffer, text)) {
            return true;
        }
        out = NewJavaString(m_env, text);
        return out != nullptr || Fail(kOutOfMemory);
    }

    // The listing of an embedded object; null for a null pointer or an interface that is no object.
    bool Nested(IUnknown* unknown, int level, jobject& out)
    {
        CComRef<IWbemClassObject> object;
        if (unknown == nullptr ||
            FAILED(unknown->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(object.Put())))) {
            return true;
        }
        out = List(object.Get(), level + 1);
        return out != nullptr;
    }

    bool TextArray(SAFEARRAY* array, VARTYPE vt, jobject& out)
    {
        CArrayElements elements(array, vt);
        if (!FitsJsize(elements.Count())) {
            return Fail(kOutOfMemory);
        }
        const auto count = static_cast<jsize>(elements.Count());
        jobjectArray texts = m_env->NewObjectArray(count, m_stringClass, nullptr);
        if (texts == nullptr) {
            return Fail(kOutOfMemory);
        }
        ValueTextBuffer buffer;
        for (jsize i = 0; i < count; ++i) {
            ValueText text;
            ScalarText(vt, elements.At(i), buffer, text);
            jstring item = NewJavaString(m_env, text);
            if (item == nullptr) {
                return Fail(kOutOfMemory);
            }
            Store(texts, i, item);
        }
        out = texts;
        return true;
    }

    bool ListingArray(SAFEARRAY* array, VARTYPE vt, int level, jobject& out)
    {
        CArrayElements elements(array, vt);
        if (!FitsJsize(elements.Count())) {
            return Fail(kOutOfMemory);
        }
        const auto count = static_cast<jsize>(elements.Count());
        jobjectArray listings = m_env->NewObjectArray(count, m_objectClass, nullptr);
        if (listings == nullptr) {
            return Fail(kOutOfMemory);
        }
        for (jsize i = 0; i < count; ++i) {
            jobject nested = nullptr;
            if (!Nested(UnknownAt(elements.At(i)), level, nested)) {
                return false;
            }
            Store(listings, i, nested);
        }
        out = listings;
        return true;
    }

    // The long[] of an array of numbers or booleans; null for every other value.
    bool ArrayNumbers(const VARIANT* value, jobject& out)
    {
        const VARTYPE vt = V_VT(value);
        const VARTYPE element = vt & static_cast<VARTYPE>(~VT_ARRAY);
        if ((vt & VT_ARRAY) == 0 || !IsNumericType(element)) {
            return true;
        }
        CArrayElements elements(V_ARRAY(value), element);
        if (!FitsJsize(elements.Count())) {
            return Fail(kOutOfMemory);
        }
        const auto count = static_cast<jsize>(elements.Count());
        std::vector<jlong> exact(static_cast<size_t>(count));
        for (jsize i = 0; i < count; ++i) {
            int64_t number = 0;
            ScalarNumber(element, elements.At(i), number);
            exact[static_cast<size_t>(i)] = number;
        }
        jlongArray numbers = m_env->NewLongArray(count);
        if (numbers == nullptr) {
            return Fail(kOutOfMemory);
        }
        if (count > 0) {
            m_env->SetLongArrayRegion(numbers, 0, count, exact.data());
        }
        out = numbers;
        return true;
    }

    JNIEnv* m_env;
    LONG m_flags;
    ErrorCode m_code = kSuccess;
    jclass m_stringClass;
    jclass m_objectClass;
};

}  // namespace

jobjectArray ListObjectProperties(JNIEnv* env, IWbemClassObject* object, LONG enumFlags,
                                  ErrorCode& code) noexcept
{
    try {
        CLister lister(env, enumFlags);
        jobjectArray listing = lister.Ready() ? lister.List(object, 1) : nullptr;
        code = lister.Code();
        return listing;
    } catch (const std::bad_alloc&) {
        code = kOutOfMemory;
        return nullptr;
    }
}

}  // namespace wmibridge
