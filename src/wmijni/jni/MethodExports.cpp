// Exports that obtain, prepare and execute WMI methods.
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector.h>

#include "jni/ExportGuard.h"
#include "jni/ExportNames.h"
#include "jni/Handles.h"
#include "jni/JniString.h"
#include "text/Utf16.h"
#include "wmi/WmiMethod.h"

using namespace wmibridge;

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiServiceGetMethod(
    JNIEnv* env, jclass, jlong session, jstring classPath, jstring methodName, jobject holder)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        if (session == 0 || classPath == nullptr || methodName == nullptr) {
            return kInvalidParameter;
        }
        CJniString classView(env, classPath);
        CJniString methodView(env, methodName);
        if (classView.Length() < 1 || methodView.Length() < 1) {
            return kInvalidParameter;
        }
        if (classView.OutOfMemory() || methodView.OutOfMemory()) {
            return kOutOfMemory;
        }
        if (text::AnyLosesTextAfterNul(classView, methodView)) {
            return kInvalidParameter;
        }
        CRefPtr<CWmiMethod> method;
        const ErrorCode code =
            ServiceGetMethod(HandleRef<CWmiService>(session), classView.Chars(), methodView.Chars(), method);
        if (code != kSuccess) {
            return code;
        }
        return HandOut(env, holder, std::move(method), WMIBRIDGE_CONNECTOR_EXPORT(WmiServiceGetMethod),
                       oom_line::kServiceGetMethod);
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiMethodGetInputProperties(
    JNIEnv* env, jclass, jlong method, jobject holder)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        if (method == 0) {
            return kInvalidParameter;
        }
        CRefPtr<CWmiObject> input;
        const ErrorCode code = MethodGetInputProperties(HandleRef<CWmiMethod>(method), input);
        if (code != kSuccess) {
            return code;
        }
        // A method without input parameters still hands out a handle, whose reference is empty.
        return HandOut(env, holder, std::move(input), WMIBRIDGE_CONNECTOR_EXPORT(WmiMethodGetInputProperties),
                       oom_line::kMethodGetInputProperties);
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiMethodExecuteMth(
    JNIEnv* env, jclass, jlong method, jstring objectPath, jlong inputParameters, jobject holder)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        if (method == 0 || objectPath == nullptr) {
            return kInvalidParameter;
        }
        CJniString pathView(env, objectPath);
        if (pathView.Length() < 1) {
            return kInvalidParameter;
        }
        if (pathView.OutOfMemory()) {
            return kOutOfMemory;
        }
        if (text::AnyLosesTextAfterNul(pathView)) {
            return kInvalidParameter;
        }
        CRefPtr<CWmiObject> input;
        if (inputParameters != 0) {
            input = HandleRef<CWmiObject>(inputParameters);
        }
        CRefPtr<CWmiObject> output;
        const ErrorCode code = MethodExecute(HandleRef<CWmiMethod>(method), pathView.Chars(), input, output);
        if (code != kSuccess || output.IsEmpty()) {
            return code;  // a method without output parameters succeeds without handing anything out
        }
        return HandOut(env, holder, std::move(output), WMIBRIDGE_CONNECTOR_EXPORT(WmiMethodExecuteMth),
                       oom_line::kMethodExecuteMth);
    });
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiMethodDestroy(JNIEnv*, jclass,
                                                                                             jlong method)
{
    Guarded([&] { FreeHandle<CWmiMethod>(method); });
}
