// Exports that obtain object handles without a query.
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector.h>

#include "jni/ExportGuard.h"
#include "jni/ExportNames.h"
#include "jni/Handles.h"
#include "jni/JniString.h"
#include "text/Utf16.h"
#include "wmi/ObjectRetrieval.h"

using namespace wmibridge;

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiServiceGetObject(
    JNIEnv* env, jclass, jlong session, jstring path, jobject holder)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        if (session == 0 || path == nullptr) {
            return kInvalidParameter;
        }
        CJniString pathView(env, path);
        if (pathView.Length() < 1) {
            return kInvalidParameter;
        }
        if (pathView.OutOfMemory()) {
            return kOutOfMemory;
        }
        if (text::AnyLosesTextAfterNul(pathView)) {
            return kInvalidParameter;
        }
        CRefPtr<CWmiObject> object;
        const ErrorCode code = ServiceGetObject(HandleRef<CWmiService>(session), pathView.Chars(), object);
        if (code != kSuccess) {
            return code;
        }
        return HandOut(env, holder, std::move(object), WMIBRIDGE_CONNECTOR_EXPORT(WmiServiceGetObject),
                       oom_line::kServiceGetObject);
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectGetInstance(
    JNIEnv* env, jclass, jlong classObject, jobject holder)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        if (classObject == 0) {
            return kInvalidParameter;
        }
        CRefPtr<CWmiObject> instance;
        const ErrorCode code = ObjectSpawnInstance(HandleRef<CWmiObject>(classObject), instance);
        if (code != kSuccess) {
            return code;
        }
        return HandOut(env, holder, std::move(instance), WMIBRIDGE_CONNECTOR_EXPORT(WmiObjectGetInstance),
                       oom_line::kObjectGetInstance);
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectGetPropertyObject(
    JNIEnv* env, jclass, jlong object, jstring property, jobject holder)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        if (object == 0 || property == nullptr) {
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
        CRefPtr<CWmiObject> embedded;
        const ErrorCode code = ObjectGetPropertyObject(HandleRef<CWmiObject>(object), name.Chars(), embedded);
        if (code != kSuccess || ObjectPointer(embedded) == nullptr) {
            return code;  // a NULL embedded value succeeds without handing anything out
        }
        return HandOut(env, holder, std::move(embedded),
                       WMIBRIDGE_CONNECTOR_EXPORT(WmiObjectGetPropertyObject),
                       oom_line::kObjectGetPropertyObject);
    });
}
