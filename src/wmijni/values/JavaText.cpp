#include "values/JavaText.h"

#include "platform/ComHolders.h"
#include "values/ArrayElements.h"

namespace wmibridge {
namespace {

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

// Adds every element of dimension 1, from the first to the last. An array whose bounds cannot be
// read or whose data cannot be locked adds nothing.
void AddArrayElements(JNIEnv* env, jobject collection, jmethodID add, SAFEARRAY* array, VARTYPE vt) noexcept
{
    CArrayElements elements(array, vt);
    ValueTextBuffer buffer;
    for (int64_t i = 0; i < elements.Count(); ++i) {
        ValueText text;
        ScalarText(vt, elements.At(i), buffer, text);
        jstring item = NewJavaString(env, text);
        if (item == nullptr || !AddOne(env, collection, add, item)) {
            return;  // out of memory in the JVM, or add threw: nothing more may be called
        }
    }
}

}  // namespace

jstring NewJavaString(JNIEnv* env, const ValueText& text) noexcept
{
    static_assert(sizeof(jchar) == sizeof(WCHAR));
    return env->NewString(reinterpret_cast<const jchar*>(text.chars), static_cast<jsize>(text.length));
}

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

}  // namespace wmibridge
