#include "values/JavaText.h"

#include "platform/ComHolders.h"
#include "values/ValueText.h"

namespace wmiprov {
namespace {

jstring NewJavaString(JNIEnv* env, const ValueText& text) noexcept
{
    static_assert(sizeof(jchar) == sizeof(WCHAR));
    return env->NewString(reinterpret_cast<const jchar*>(text.chars), static_cast<jsize>(text.length));
}

// Adds one string (or null) and drops the local reference at once, so that arrays of any size fit
// the JVM's local-reference capacity. False when add threw.
bool AddOne(JNIEnv* env, jobject collection, jmethodID add, jstring item) noexcept
{
    env->CallBooleanMethod(collection, add, item);
    if (item != nullptr) {
        env->DeleteLocalRef(item);
    }
    return env->ExceptionCheck() == JNI_FALSE;
}

size_t ElementSize(VARTYPE vt) noexcept
{
    switch (vt) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_BSTR: return sizeof(BSTR);
    case VT_R8: return 8;
    default: return 4;
    }
}

// Adds every element of dimension 1, from the first to the last. An array whose bounds cannot be
// read or whose data cannot be locked adds nothing.
void AddArrayElements(JNIEnv* env, jobject collection, jmethodID add, SAFEARRAY* array, VARTYPE vt) noexcept
{
    LONG lower = 0;
    LONG upper = -1;
    if (array == nullptr || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper)) || lower > upper) {
        return;
    }
    const size_t size = ElementSize(vt);
    if (SafeArrayGetElemsize(array) != size) {
        return;  // the elements are not of the type the value claims
    }
    CSafeArrayData data(array);
    if (data.Data() == nullptr) {
        return;
    }
    const auto* element = static_cast<const unsigned char*>(data.Data());
    const int64_t count = int64_t{upper} - lower + 1;
    ValueTextBuffer buffer;
    for (int64_t i = 0; i < count; ++i, element += size) {
        ValueText text;
        ScalarText(vt, element, buffer, text);
        jstring item = NewJavaString(env, text);
        if (item == nullptr || !AddOne(env, collection, add, item)) {
            return;  // out of memory in the JVM, or add threw: nothing more may be called
        }
    }
}

}  // namespace

jstring VariantToJString(JNIEnv* env, const VARIANT* value) noexcept
{
    ValueTextBuffer buffer;
    ValueText text;
    if (!VariantText(value, buffer, text)) {
        return nullptr;
    }
    return NewJavaString(env, text);
}

ErrorCode AddVariantValues(JNIEnv* env, const VARIANT* value, jobject collection) noexcept
{
    jclass collectionClass = env->GetObjectClass(collection);
    jmethodID add = env->GetMethodID(collectionClass, "add", "(Ljava/lang/Object;)Z");
    env->DeleteLocalRef(collectionClass);
    if (add == nullptr) {
        return kProcNotFound;
    }
    const VARTYPE vt = V_VT(value);
    if (vt == VT_NULL || vt == VT_EMPTY) {
        return kSuccess;
    }
    if ((vt & VT_ARRAY) != 0) {
        const VARTYPE element = vt & static_cast<VARTYPE>(~VT_ARRAY);
        if (!IsReadableArrayElement(element)) {
            return kInvalidDatatype;
        }
        AddArrayElements(env, collection, add, V_ARRAY(value), element);
        return kSuccess;
    }
    AddOne(env, collection, add, VariantToJString(env, value));
    return kSuccess;
}

}  // namespace wmiprov
