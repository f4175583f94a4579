// Exports that write array properties, one per Java array type.
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector.h>

#include "jni/ArrayBuilder.h"
#include "jni/ExportGuard.h"
#include "jni/ExportNames.h"
#include "jni/OutOfMemory.h"

using namespace wmibridge;

namespace {

// The elements of a primitive Java array for the length of one call, only ever read: they are
// released with JNI_ABORT, so that a JVM that handed out a copy frees it without copying it back.
template <class Array, class Element, Element* (JNIEnv::*Get)(Array, jboolean*),
          void (JNIEnv::*Release)(Array, Element*, jint)>
class CArrayElements {
public:
    CArrayElements(JNIEnv* env, Array array) noexcept
        : m_env(env),
          m_array(array),
          m_length(env->GetArrayLength(array)),
          m_elements((env->*Get)(array, nullptr))
    {
    }
    ~CArrayElements()
    {
        if (m_elements != nullptr) {
            (m_env->*Release)(m_array, m_elements, JNI_ABORT);
        }
    }
    CArrayElements(const CArrayElements&) = delete;
    CArrayElements& operator=(const CArrayElements&) = delete;

    // Null when the JVM could not provide the elements.
    const Element* Data() const { return m_elements; }
    jsize Length() const { return m_length; }

private:
    JNIEnv* m_env;
    Array m_array;
    jsize m_length;
    Element* m_elements;
};

using BooleanElements = CArrayElements<jbooleanArray, jboolean, &JNIEnv::GetBooleanArrayElements,
                                       &JNIEnv::ReleaseBooleanArrayElements>;
using ByteElements =
    CArrayElements<jbyteArray, jbyte, &JNIEnv::GetByteArrayElements, &JNIEnv::ReleaseByteArrayElements>;
using ShortElements =
    CArrayElements<jshortArray, jshort, &JNIEnv::GetShortArrayElements, &JNIEnv::ReleaseShortArrayElements>;
using IntElements =
    CArrayElements<jintArray, jint, &JNIEnv::GetIntArrayElements, &JNIEnv::ReleaseIntArrayElements>;
using LongElements =
    CArrayElements<jlongArray, jlong, &JNIEnv::GetLongArrayElements, &JNIEnv::ReleaseLongArrayElements>;
using FloatElements =
    CArrayElements<jfloatArray, jfloat, &JNIEnv::GetFloatArrayElements, &JNIEnv::ReleaseFloatArrayElements>;
using DoubleElements = CArrayElements<jdoubleArray, jdouble, &JNIEnv::GetDoubleArrayElements,
                                      &JNIEnv::ReleaseDoubleArrayElements>;

// The typed exports: a null array is refused first; elements the JVM cannot provide give
// kOutOfMemory.
template <class Elements, class Element, class Array>
jlong PutTyped(JNIEnv* env, jlong object, jstring property, Array values, VARTYPE tag) noexcept
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        if (values == nullptr) {
            return kInvalidParameter;
        }
        Elements elements(env, values);
        if (elements.Data() == nullptr) {
            return kOutOfMemory;
        }
        return PutSafeArrayProperty<Element>(env, object, property, elements.Data(), elements.Length(), tag);
    });
}

// A heap buffer of `count` elements from the task allocator, freed with the scope.
template <class T>
class CTaskBuffer {
public:
    explicit CTaskBuffer(jsize count) noexcept
        : m_data(static_cast<T*>(CoTaskMemAlloc(sizeof(T) * static_cast<size_t>(count > 0 ? count : 1))))
    {
    }
    ~CTaskBuffer() { CoTaskMemFree(m_data); }
    CTaskBuffer(const CTaskBuffer&) = delete;
    CTaskBuffer& operator=(const CTaskBuffer&) = delete;
    T* Data() const { return m_data; }

private:
    T* m_data;
};

}  // namespace

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyByteArray(
    JNIEnv* env, jclass, jlong object, jstring property, jbyteArray values)
{
    return PutTyped<ByteElements, CHAR>(env, object, property, values, VT_I1);
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyShortArray(
    JNIEnv* env, jclass, jlong object, jstring property, jshortArray values)
{
    return PutTyped<ShortElements, SHORT>(env, object, property, values, VT_I2);
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyIntArray(
    JNIEnv* env, jclass, jlong object, jstring property, jintArray values)
{
    return PutTyped<IntElements, INT>(env, object, property, values, VT_INT);
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyFloatArray(
    JNIEnv* env, jclass, jlong object, jstring property, jfloatArray values)
{
    return PutTyped<FloatElements, FLOAT>(env, object, property, values, VT_R4);
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyDoubleArray(
    JNIEnv* env, jclass, jlong object, jstring property, jdoubleArray values)
{
    return PutTyped<DoubleElements, DOUBLE>(env, object, property, values, VT_R8);
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyBooleanArray(
    JNIEnv* env, jclass, jlong object, jstring property, jbooleanArray values)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        if (values == nullptr) {
            return kInvalidParameter;
        }
        ErrorCode code = kSuccess;
        {
            BooleanElements elements(env, values);
            if (elements.Data() == nullptr) {
                return kOutOfMemory;
            }
            CTaskBuffer<VARIANT_BOOL> converted(elements.Length());
            if (converted.Data() == nullptr) {
                ThrowOutOfMemory(env, WMIBRIDGE_CONNECTOR_EXPORT(WmiObjectPutPropertyBooleanArray),
                                 oom_line::kObjectPutPropertyBooleanArray);
                // The operation's preset code, kept for native callers that compare it; Java
                // sees only the OutOfMemoryError.
                return kInvalidParameter;
            }
            for (jsize i = 0; i < elements.Length(); ++i) {
                converted.Data()[i] = elements.Data()[i] != JNI_FALSE ? VARIANT_TRUE : VARIANT_FALSE;
            }
            code = PutSafeArrayProperty<VARIANT_BOOL>(env, object, property, converted.Data(),
                                                      elements.Length(), VT_BOOL);
        }
        return code;
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyStringArray(
    JNIEnv* env, jclass, jlong object, jstring property, jobjectArray values)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        if (values == nullptr) {
            return kInvalidParameter;
        }
        const jsize length = env->GetArrayLength(values);
        CTaskBuffer<BSTR> strings(length);
        if (strings.Data() == nullptr) {
            ThrowOutOfMemory(env, WMIBRIDGE_CONNECTOR_EXPORT(WmiObjectPutPropertyStringArray),
                             oom_line::kObjectPutPropertyStringArray);
            return kInvalidParameter;  // as for the boolean array: Java sees only the exception
        }
        for (jsize i = 0; i < length; ++i) {
            auto element = static_cast<jstring>(env->GetObjectArrayElement(values, i));
            BSTR text = nullptr;
            bool refused = false;
            if (element == nullptr) {
                text = SysAllocString(W(""));
            } else {
                {
                    CJniString view(env, element, CJniString::Content::Secret);
                    // An element with text after a NUL stops the write before any string is
                    // made of it.
                    refused = text::AnyLosesTextAfterNul(view);
                    if (!refused) {
                        text = SysAllocString(view.Length() >= 1 && view.Chars() != nullptr ? view.Chars()
                                                                                            : W(""));
                    }
                }
                env->DeleteLocalRef(element);
            }
            if (text == nullptr) {
                for (jsize made = 0; made < i; ++made) {
                    SysFreeString(strings.Data()[made]);
                }
                return refused ? kInvalidParameter : kOutOfMemory;
            }
            strings.Data()[i] = text;
        }
        return PutBstrArrayProperty(env, object, property, strings.Data(), length);
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyAsTypeArray(
    JNIEnv* env, jclass, jlong object, jstring property, jint type, jlongArray values)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        if (values == nullptr) {
            return kInvalidParameter;
        }
        LongElements elements(env, values);
        if (elements.Data() == nullptr) {
            return kOutOfMemory;
        }
        const auto tag = static_cast<VARTYPE>(type & 0xFFFF);
        switch (tag) {
        case VT_I4:
        case VT_UI4:
        case VT_UINT:
            return PutSafeArrayProperty<ULONG>(env, object, property, elements.Data(), elements.Length(),
                                               tag);
        case VT_UI1:
            return PutSafeArrayProperty<BYTE>(env, object, property, elements.Data(), elements.Length(), tag);
        case VT_UI2:
            return PutSafeArrayProperty<USHORT>(env, object, property, elements.Data(), elements.Length(),
                                                tag);
        default: return kInvalidParameter;
        }
    });
}
