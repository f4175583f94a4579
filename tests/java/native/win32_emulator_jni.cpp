// The native methods of com.zorvex.kestrin.quilmok.lib.wmi.testing.Win32Emulator: thin calls of
// the platform layer's C test controls.
#include <jni.h>
#include <pal/testing.h>
#include <pal/win32_control.h>
#include <pal/wmi_control.h>

#include <string>

#include "jni_utf8.h"

#if __has_include("com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator.h")
#include "com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator.h"
#endif

namespace {

using palcontrol::Utf8;

void SetText(JNIEnv* env, jobjectArray texts, jsize index, BOOL present, const char* text)
{
    jstring value = present ? env->NewStringUTF(text) : nullptr;
    env->SetObjectArrayElement(texts, index, value);
    if (value != nullptr) {
        env->DeleteLocalRef(value);
    }
}

}  // namespace

extern "C" {

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_resetAll(JNIEnv*, jclass)
{
    PalWmiResetAll();
    PalWin32ResetAll();
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_setWindowsVersion(
    JNIEnv*, jclass, jint major, jint minor)
{
    PalSetWindowsVersion(static_cast<DWORD>(major), static_cast<DWORD>(minor), 0);
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_removeSystemRoot(
    JNIEnv*, jclass, jboolean removed)
{
    PalWin32RemoveSystemRoot(removed ? TRUE : FALSE);
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_setSystemRoot(
    JNIEnv* env, jclass, jstring windowsPath)
{
    const Utf8 path(env, windowsPath);
    PalWin32SetSystemRoot(path.get());
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_moduleLoadCount(JNIEnv*,
                                                                                                     jclass)
{
    return PalWin32ModuleLoadCount();
}

JNIEXPORT jstring JNICALL
Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_lastModulePath(JNIEnv* env, jclass)
{
    char path[1024];
    return PalWin32LastModulePath(path, sizeof path) ? env->NewStringUTF(path) : nullptr;
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_setProcessUser(
    JNIEnv* env, jclass, jstring userName)
{
    const Utf8 name(env, userName);
    PalWin32SetProcessUser(name.get());
}

JNIEXPORT jboolean JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_readLastLogon(
    JNIEnv* env, jclass, jobjectArray texts, jintArray numbers)
{
    PalLogonRecord record{};
    if (!PalWin32LastLogon(&record)) {
        return JNI_FALSE;
    }
    SetText(env, texts, 0, record.hasUser, record.user);
    SetText(env, texts, 1, record.hasDomain, record.domain);
    SetText(env, texts, 2, record.hasPassword, record.password);
    const jint values[2] = {static_cast<jint>(record.logonType), static_cast<jint>(record.logonProvider)};
    env->SetIntArrayRegion(numbers, 0, 2, values);
    return JNI_TRUE;
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_logonCount(JNIEnv*,
                                                                                                jclass)
{
    return PalWin32LogonCount();
}

JNIEXPORT jboolean JNICALL
Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_threadImpersonates(JNIEnv*, jclass)
{
    return PalWin32ThreadImpersonates() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_failImpersonation(
    JNIEnv*, jclass, jint error, jint count)
{
    PalWin32FailImpersonation(static_cast<DWORD>(error), count);
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_addHost(JNIEnv* env,
                                                                                             jclass,
                                                                                             jstring host)
{
    const Utf8 hostText(env, host);
    PalWmiAddHost(hostText.get());
}

JNIEXPORT jboolean JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_addAccount(
    JNIEnv* env, jclass, jstring host, jstring domain, jstring user, jstring password, jboolean lockedOut)
{
    const Utf8 hostText(env, host), domainText(env, domain), userText(env, user), passwordText(env, password);
    return PalWmiAddAccount(hostText.get(), domainText.get(), userText.get(), passwordText.get(),
                            lockedOut ? TRUE : FALSE)
               ? JNI_TRUE
               : JNI_FALSE;
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_failConnect(
    JNIEnv*, jclass, jint result, jint lastError, jint count)
{
    PalWin32FailConnect(result, static_cast<DWORD>(lastError), count);
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_connectCount(JNIEnv*,
                                                                                                  jclass)
{
    return PalWin32ConnectCount();
}

JNIEXPORT jboolean JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_createKey(
    JNIEnv* env, jclass, jstring host, jint root, jstring keyPath)
{
    const Utf8 hostText(env, host), path(env, keyPath);
    return PalWin32RegCreateKey(hostText.get(), root, path.get()) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jboolean JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_denyRead(
    JNIEnv* env, jclass, jstring host, jint root, jstring keyPath, jstring account)
{
    const Utf8 hostText(env, host), path(env, keyPath), accountText(env, account);
    return PalWin32RegDenyRead(hostText.get(), root, path.get(), accountText.get()) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_liveCount(JNIEnv*,
                                                                                               jclass,
                                                                                               jint kind)
{
    return PalLiveCount(kind);
}

JNIEXPORT jstring JNICALL
Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Win32Emulator_whatIsAlive(JNIEnv* env, jclass)
{
    const char* what = nullptr;
    if (PalNothingAlive(&what)) {
        return env->NewStringUTF("");
    }
    return env->NewStringUTF(what != nullptr ? what : "something");
}

}  // extern "C"
