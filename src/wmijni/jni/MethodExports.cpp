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
        ErrorCode code = kSuccess;
        if (ServiceGetMethod(HandleRef<CWmiService>(session), classView.Chars(), methodView.Chars(), method,
                             code)) {
            code = HandOut(env, holder, std::move(method), WMIBRIDGE_CONNECTOR_EXPORT(WmiServiceGetMethod),
                           oom_line::kServiceGetMethod);
        }
        return code;
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
        ErrorCode code = kSuccess;
        // A method without input parameters still hands out a handle, whose reference is empty.
        if (MethodGetInputProperties(HandleRef<CWmiMethod>(method), input, code)) {
            code = HandOut(env, holder, std::move(input),
                           WMIBRIDGE_CONNECTOR_EXPORT(WmiMethodGetInputProperties),
                           oom_line::kMethodGetInputProperties);
        }
        return code;
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
        bool hasOutput = false;
        ErrorCode code = kSuccess;
        if (MethodExecute(HandleRef<CWmiMethod>(method), pathView.Chars(), input, output, hasOutput, code) &&
            hasOutput) {
            code = HandOut(env, holder, std::move(output), WMIBRIDGE_CONNECTOR_EXPORT(WmiMethodExecuteMth),
                           oom_line::kMethodExecuteMth);
        }
        return code;
    });
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiMethodDestroy(JNIEnv*, jclass,
                                                                                             jlong method)
{
    Guarded([&] { FreeHandle<CWmiMethod>(method); });
}
