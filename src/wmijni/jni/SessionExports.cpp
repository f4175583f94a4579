// Exports that open and close WMI sessions.
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector.h>

#include "jni/ExportGuard.h"
#include "jni/ExportNames.h"
#include "jni/Handles.h"
#include "jni/JniString.h"
#include "text/Utf16.h"
#include "wmi/WmiService.h"

using namespace wmibridge;

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiServiceConnectServer(
    JNIEnv* env, jclass, jstring resource, jstring authority, jstring user, jstring password, jobject holder)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        CJniString resourceView(env, resource);
        CJniString authorityView(env, authority);
        CJniString userView(env, user, CJniString::Content::Secret);
        CJniString passwordView(env, password, CJniString::Content::Secret);
        if (resourceView.OutOfMemory() || authorityView.OutOfMemory() || userView.OutOfMemory() ||
            passwordView.OutOfMemory()) {
            return kOutOfMemory;
        }
        if (text::AnyLosesTextAfterNul(resourceView, authorityView, userView, passwordView)) {
            return kInvalidParameter;
        }
        CRefPtr<CWmiService> session;
        const ErrorCode code = ServiceConnect(resourceView.Chars(), authorityView.Chars(), userView.Chars(),
                                              passwordView.Chars(), session);
        if (code != kSuccess) {
            return code;
        }
        return HandOut(env, holder, std::move(session), WMIBRIDGE_CONNECTOR_EXPORT(WmiServiceConnectServer),
                       oom_line::kServiceConnectServer);
    });
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiServiceDisconnectServer(
    JNIEnv*, jclass, jlong session)
{
    Guarded([&] { FreeHandle<CWmiService>(session); });
}
