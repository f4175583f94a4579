// Builds the SAFEARRAY of an array property from Java elements and writes it.
#pragma once

#include <jni.h>

#include "jni/Handles.h"
#include "jni/JniString.h"
#include "platform/ComHolders.h"
#include "text/Utf16.h"
#include "values/PropertyWrite.h"

namespace wmibridge {

namespace detail {

// The checks and the write shared by every element type: kInvalidParameter for a zero handle, a
// null or empty name or one with text after a NUL, kOutOfMemory when the array cannot be created.
// `fill` copies the elements into the locked data.
template <class Fill>
ErrorCode PutArray(JNIEnv* env, jlong handle, jstring name, ULONG count, VARTYPE tag, Fill&& fill) noexcept
{
    if (handle == 0 || name == nullptr) {
        return kInvalidParameter;
    }
    CJniString nameView(env, name);
    if (nameView.Length() < 1) {
        return kInvalidParameter;
    }
    if (nameView.OutOfMemory()) {
        return kOutOfMemory;
    }
    if (text::AnyLosesTextAfterNul(nameView)) {
        return kInvalidParameter;
    }
    SAFEARRAY* array = SafeArrayCreateVector(tag, 0, count);
    if (array == nullptr) {
        return kOutOfMemory;
    }
    CVariant value;
    V_VT(value.Address()) = static_cast<VARTYPE>(VT_ARRAY | tag);
    V_ARRAY(value.Address()) = array;  // the value owns the array from here on
    {
        CSafeArrayData data(array);
        if (data.Data() == nullptr) {
            return kOutOfMemory;
        }
        fill(data.Data());
    }
    return ObjectPutProperty(HandleRef<CWmiObject>(handle), nameView.Chars(), value.Address());
}

}  // namespace detail

// Elements of type Element, each taken from the low bits of its Source value.
template <class Element, class Source>
ErrorCode PutSafeArrayProperty(JNIEnv* env, jlong handle, jstring name, const Source* source, jsize count,
                               VARTYPE tag) noexcept
{
    return detail::PutArray(env, handle, name, static_cast<ULONG>(count), tag, [&](void* data) {
        auto* elements = static_cast<Element*>(data);
        for (jsize i = 0; i < count; ++i) {
            elements[i] = static_cast<Element>(source[i]);
        }
    });
}

// VT_BSTR elements: the strings move into the array as they are. When the array cannot be made,
// the strings are freed here, so the caller never keeps them.
inline ErrorCode PutBstrArrayProperty(JNIEnv* env, jlong handle, jstring name, BSTR* strings,
                                      jsize count) noexcept
{
    bool moved = false;
    const ErrorCode code =
        detail::PutArray(env, handle, name, static_cast<ULONG>(count), VT_BSTR, [&](void* data) {
            auto* elements = static_cast<BSTR*>(data);
            for (jsize i = 0; i < count; ++i) {
                elements[i] = strings[i];
            }
            moved = true;
        });
    if (!moved) {
        for (jsize i = 0; i < count; ++i) {
            SysFreeString(strings[i]);
        }
    }
    return code;
}

}  // namespace wmibridge
