// Exports that write scalar properties, one per Java value type.
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector.h>

#include "jni/ExportGuard.h"
#include "jni/Handles.h"
#include "jni/JniString.h"
#include "platform/ComHolders.h"
#include "text/Utf16.h"
#include "values/PropertyWrite.h"

using namespace wmibridge;

namespace {

// Writes a prepared value: kInvalidParameter for a zero handle, a null name or one with text after
// a NUL. An empty name writes nothing and reports success, which callers rely on.
ErrorCode PutValue(JNIEnv* env, jlong object, jstring property, VARIANT* value) noexcept
{
    if (object == 0 || property == nullptr) {
        return kInvalidParameter;
    }
    CJniString name(env, property);
    if (name.Length() < 1) {
        return kSuccess;
    }
    if (name.OutOfMemory()) {
        return kOutOfMemory;
    }
    if (text::AnyLosesTextAfterNul(name)) {
        return kInvalidParameter;
    }
    return ObjectPutProperty(HandleRef<CWmiObject>(object), name.Chars(), value);
}

template <class Store>
jlong PutScalar(JNIEnv* env, jlong object, jstring property, Store&& store) noexcept
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        CVariant value;
        store(value.Address());
        return PutValue(env, object, property, value.Address());
    });
}

}  // namespace

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyBoolean(
    JNIEnv* env, jclass, jlong object, jstring property, jboolean value)
{
    return PutScalar(env, object, property, [&](VARIANT* v) {
        V_VT(v) = VT_BOOL;
        V_BOOL(v) = value != JNI_FALSE ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyByte(
    JNIEnv* env, jclass, jlong object, jstring property, jbyte value)
{
    return PutScalar(env, object, property, [&](VARIANT* v) {
        V_VT(v) = VT_I1;
        V_UI1(v) = static_cast<BYTE>(value);
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyShort(
    JNIEnv* env, jclass, jlong object, jstring property, jshort value)
{
    return PutScalar(env, object, property, [&](VARIANT* v) {
        V_VT(v) = VT_I2;
        V_I2(v) = value;
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyInt(
    JNIEnv* env, jclass, jlong object, jstring property, jint value)
{
    return PutScalar(env, object, property, [&](VARIANT* v) {
        V_VT(v) = VT_I4;
        V_I4(v) = value;
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyFloat(
    JNIEnv* env, jclass, jlong object, jstring property, jfloat value)
{
    return PutScalar(env, object, property, [&](VARIANT* v) {
        V_VT(v) = VT_R4;
        V_R4(v) = value;
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyDouble(
    JNIEnv* env, jclass, jlong object, jstring property, jdouble value)
{
    return PutScalar(env, object, property, [&](VARIANT* v) {
        V_VT(v) = VT_R8;
        V_R8(v) = value;
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyString(
    JNIEnv* env, jclass, jlong object, jstring property, jstring text)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        CVariant value;
        V_VT(value.Address()) = VT_BSTR;
        if (text != nullptr) {
            // An empty text, or one with text after a NUL, is refused before the handle and the
            // name are looked at.
            CJniString textView(env, text, CJniString::Content::Secret);
            if (textView.Length() < 1 || text::AnyLosesTextAfterNul(textView)) {
                return kInvalidParameter;
            }
            V_BSTR(value.Address()) = SysAllocString(textView.Chars());
            if (V_BSTR(value.Address()) == nullptr) {
                return kOutOfMemory;
            }
        }
        return PutValue(env, object, property, value.Address());
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyObject(
    JNIEnv* env, jclass, jlong object, jstring property, jlong embedded)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        if (embedded == 0) {
            return kInvalidParameter;
        }
        IWbemClassObject* embeddedObject = ObjectPointer(HandleRef<CWmiObject>(embedded));
        if (embeddedObject == nullptr) {
            return kInvalidParameter;
        }
        CVariant value;
        HRESULT hr = embeddedObject->QueryInterface(IID_IDispatch,
                                                    reinterpret_cast<void**>(&V_DISPATCH(value.Address())));
        if (SUCCEEDED(hr)) {
            V_VT(value.Address()) = VT_DISPATCH;
        } else if (hr == E_NOINTERFACE) {
            hr = embeddedObject->QueryInterface(IID_IUnknown,
                                                reinterpret_cast<void**>(&V_UNKNOWN(value.Address())));
            if (FAILED(hr)) {
                return HResultToCode(hr);
            }
            V_VT(value.Address()) = VT_UNKNOWN;
        } else {
            return HResultToCode(hr);
        }
        return PutValue(env, object, property, value.Address());
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectPutPropertyAsType(
    JNIEnv* env, jclass, jlong object, jstring property, jint type, jlong number)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        CVariant value;
        const ErrorCode code =
            FillVariantAsType(value.Address(), static_cast<VARTYPE>(type & 0xFFFF), number);
        if (code != kSuccess) {
            return code;
        }
        return PutValue(env, object, property, value.Address());
    });
}
