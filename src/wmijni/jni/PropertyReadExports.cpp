// Exports that read property values and qualifiers as text.
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector.h>

#include "jni/ExportGuard.h"
#include "jni/Handles.h"
#include "jni/JniString.h"
#include "text/Utf16.h"
#include "platform/ComHolders.h"
#include "values/JavaText.h"
#include "wmi/ObjectProperty.h"

using namespace wmibridge;

namespace {

// Text-returning exports report a failure through the holder's set(long) and return null.
jstring ReportFailure(JNIEnv* env, jobject holder, ErrorCode code) noexcept
{
    if (holder != nullptr) {
        CallHolderSet(env, holder, code);
    }
    return nullptr;
}

// The text of a value fetched by `fetch`, or the failure reported through the holder.
template <class Fetch>
jstring ReadAsText(JNIEnv* env, jobject holder, Fetch&& fetch) noexcept
{
    CVariant value;
    const ErrorCode code = fetch(value.Address());
    if (code != kSuccess) {
        return ReportFailure(env, holder, code);
    }
    jstring text = VariantToJString(env, value.Get());
    return text != nullptr ? text : ReportFailure(env, holder, kInvalidDatatype);
}

}  // namespace

JNIEXPORT jstring JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectGetProperty(
    JNIEnv* env, jclass, jlong object, jstring property, jobject holder)
{
    return Guarded<jstring>(nullptr, [&]() -> jstring {
        if (object == 0 || property == nullptr) {
            return ReportFailure(env, holder, kInvalidParameter);
        }
        CJniString name(env, property);
        if (name.Length() < 1) {
            return ReportFailure(env, holder, kInvalidParameter);
        }
        if (name.OutOfMemory()) {
            return ReportFailure(env, holder, kOutOfMemory);
        }
        if (text::AnyLosesTextAfterNul(name)) {
            return ReportFailure(env, holder, kInvalidParameter);
        }
        return ReadAsText(env, holder, [&](VARIANT* value) {
            return ObjectGetProperty(HandleRef<CWmiObject>(object), name.Chars(), value);
        });
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectGetPropertyValues(
    JNIEnv* env, jclass, jlong object, jstring property, jobject collection)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        if (object == 0 || property == nullptr || collection == nullptr) {
            return kInvalidParameter;
        }
        CJniString name(env, property);
        if (name.Length() < 1) {
            return kInvalidParameter;
        }
        if (name.OutOfMemory()) {
            return kOutOfMemory;
        }
        if (text::AnyLosesTextAfterNul(name)) {
            return kInvalidParameter;
        }
        CVariant value;
        const ErrorCode code =
            ObjectGetProperty(HandleRef<CWmiObject>(object), name.Chars(), value.Address());
        if (code != kSuccess) {
            return code;
        }
        return AddVariantValues(env, value.Get(), collection);
    });
}

JNIEXPORT jstring JNICALL
Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectGetPropertyQualifierValue(
    JNIEnv* env, jclass, jlong object, jstring property, jstring qualifier, jobject holder)
{
    return Guarded<jstring>(nullptr, [&]() -> jstring {
        if (object == 0 || property == nullptr || qualifier == nullptr) {
            return ReportFailure(env, holder, kInvalidParameter);
        }
        CJniString propertyName(env, property);
        CJniString qualifierName(env, qualifier);
        if (propertyName.Length() < 1 || qualifierName.Length() < 1) {
            return ReportFailure(env, holder, kInvalidParameter);
        }
        if (propertyName.OutOfMemory() || qualifierName.OutOfMemory()) {
            return ReportFailure(env, holder, kOutOfMemory);
        }
        if (text::AnyLosesTextAfterNul(propertyName, qualifierName)) {
            return ReportFailure(env, holder, kInvalidParameter);
        }
        return ReadAsText(env, holder, [&](VARIANT* value) {
            return ObjectGetPropertyQualifier(HandleRef<CWmiObject>(object), propertyName.Chars(),
                                              qualifierName.Chars(), value);
        });
    });
}
