// The native methods of com.zorvex.kestrin.quilmok.lib.wmi.testing.RawValues: raw VARIANTs built
// from Java values and stored into repository instances.
#include <jni.h>
#include <oleauto.h>
#include <pal/wmi_raw_values.h>

#include <cstring>
#include <string>

#include "com_zorvex_kestrin_quilmok_lib_wmi_testing_RawValues.h"

namespace {

std::u16string TextOf(JNIEnv* env, jstring text)
{
    if (text == nullptr) {
        return {};
    }
    const jsize length = env->GetStringLength(text);
    std::u16string result(static_cast<size_t>(length), u'\0');
    env->GetStringRegion(text, 0, length, reinterpret_cast<jchar*>(result.data()));
    return result;
}

BSTR BstrOf(JNIEnv* env, jstring text)
{
    if (text == nullptr) {
        return nullptr;
    }
    const std::u16string chars = TextOf(env, text);
    return SysAllocStringLen(chars.data(), static_cast<UINT>(chars.size()));
}

bool IsPointerType(int vt)
{
    return vt == VT_BSTR || vt == VT_UNKNOWN || vt == VT_DISPATCH;
}

// Stores `value` (which the call then clears) into the instance.
jint Store(JNIEnv* env, jstring nameSpace, jstring objectPath, jstring property, VARIANT& value)
{
    const std::u16string ns = TextOf(env, nameSpace);
    const std::u16string path = TextOf(env, objectPath);
    const std::u16string name = TextOf(env, property);
    const HRESULT hr = PalWmiPutRawInstanceValue(ns.c_str(), path.c_str(), name.c_str(), &value);
    VariantClear(&value);
    return hr;
}

// Stores an array made by MakeArray (null: it could not be made) as a VT_ARRAY value.
jint StoreArray(JNIEnv* env, jstring nameSpace, jstring objectPath, jstring property, int elementVt,
                SAFEARRAY* array)
{
    if (array == nullptr) {
        return E_OUTOFMEMORY;
    }
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = static_cast<VARTYPE>(VT_ARRAY | elementVt);
    V_ARRAY(&value) = array;
    return Store(env, nameSpace, objectPath, property, value);
}

// A vector of `count` elements of type vt, filled by `fill(elementAddress, index)`.
template <class Fill>
SAFEARRAY* MakeArray(int vt, jsize count, Fill&& fill)
{
    SAFEARRAY* array = SafeArrayCreateVector(static_cast<VARTYPE>(vt), 0, static_cast<ULONG>(count));
    if (array == nullptr) {
        return nullptr;
    }
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    auto* bytes = static_cast<unsigned char*>(data);
    for (jsize i = 0; i < count; ++i) {
        fill(bytes + static_cast<size_t>(i) * array->cbElements, i, array->cbElements);
    }
    SafeArrayUnaccessData(array);
    return array;
}

}  // namespace

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_RawValues_putBits(
    JNIEnv* env, jclass, jstring nameSpace, jstring objectPath, jstring property, jint vt, jlong bits)
{
    if (IsPointerType(vt) && bits != 0) {
        return E_INVALIDARG;
    }
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = static_cast<VARTYPE>(vt);
    std::memcpy(&V_UI1(&value), &bits, sizeof(bits));
    return Store(env, nameSpace, objectPath, property, value);
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_RawValues_putReal(
    JNIEnv* env, jclass, jstring nameSpace, jstring objectPath, jstring property, jint vt, jdouble number)
{
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = static_cast<VARTYPE>(vt);
    if (vt == VT_R4) {
        V_R4(&value) = static_cast<FLOAT>(number);
    } else {
        V_R8(&value) = number;
    }
    return Store(env, nameSpace, objectPath, property, value);
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_RawValues_putString(
    JNIEnv* env, jclass, jstring nameSpace, jstring objectPath, jstring property, jstring text)
{
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = BstrOf(env, text);
    return Store(env, nameSpace, objectPath, property, value);
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_RawValues_putBitsArray(
    JNIEnv* env, jclass, jstring nameSpace, jstring objectPath, jstring property, jint elementVt,
    jlongArray elements)
{
    const jsize count = env->GetArrayLength(elements);
    jlong* source = env->GetLongArrayElements(elements, nullptr);
    SAFEARRAY* array = MakeArray(elementVt, count, [&](unsigned char* element, jsize i, ULONG size) {
        std::memcpy(element, &source[i], size < sizeof(jlong) ? size : sizeof(jlong));
    });
    env->ReleaseLongArrayElements(elements, source, JNI_ABORT);
    return StoreArray(env, nameSpace, objectPath, property, elementVt, array);
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_RawValues_putRealArray(
    JNIEnv* env, jclass, jstring nameSpace, jstring objectPath, jstring property, jint elementVt,
    jdoubleArray elements)
{
    const jsize count = env->GetArrayLength(elements);
    jdouble* source = env->GetDoubleArrayElements(elements, nullptr);
    SAFEARRAY* array = MakeArray(elementVt, count, [&](unsigned char* element, jsize i, ULONG) {
        if (elementVt == VT_R4) {
            const auto single = static_cast<FLOAT>(source[i]);
            std::memcpy(element, &single, sizeof(single));
        } else {
            std::memcpy(element, &source[i], sizeof(jdouble));
        }
    });
    env->ReleaseDoubleArrayElements(elements, source, JNI_ABORT);
    return StoreArray(env, nameSpace, objectPath, property, elementVt, array);
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_RawValues_putStringArray(
    JNIEnv* env, jclass, jstring nameSpace, jstring objectPath, jstring property, jobjectArray elements)
{
    const jsize count = env->GetArrayLength(elements);
    SAFEARRAY* array = MakeArray(VT_BSTR, count, [&](unsigned char* element, jsize i, ULONG) {
        auto item = static_cast<jstring>(env->GetObjectArrayElement(elements, i));
        BSTR text = BstrOf(env, item);
        std::memcpy(element, &text, sizeof(text));
        if (item != nullptr) {
            env->DeleteLocalRef(item);
        }
    });
    return StoreArray(env, nameSpace, objectPath, property, VT_BSTR, array);
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_RawValues_recordPuts(JNIEnv*, jclass,
                                                                                            jboolean on)
{
    PalWmiRecordPuts(on == JNI_TRUE ? TRUE : FALSE);
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_RawValues_lastPutType(JNIEnv* env,
                                                                                             jclass,
                                                                                             jstring property)
{
    const std::u16string name = TextOf(env, property);
    VARTYPE type = VT_EMPTY;
    return PalWmiLastPut(name.c_str(), &type, nullptr, 0) ? type : -1;
}

JNIEXPORT jstring JNICALL
Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_RawValues_lastPutValue(JNIEnv* env, jclass, jstring property)
{
    const std::u16string name = TextOf(env, property);
    std::string text(1 << 20, '\0');
    if (!PalWmiLastPut(name.c_str(), nullptr, text.data(), static_cast<ULONG>(text.size()))) {
        return nullptr;
    }
    return env->NewStringUTF(text.c_str());
}
