// The native methods of com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator: thin calls of the
// platform layer's C test controls.
#include <jni.h>
#include <objbase.h>
#include <pal/testing.h>
#include <pal/wmi_control.h>

#include <new>
#include <string>
#include <vector>

#include "jni_utf8.h"

#if __has_include("com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator.h")
#include "com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator.h"
#endif

namespace {

using palcontrol::Utf8;

jstring NewJavaString(JNIEnv* env, const WCHAR* text)
{
    jsize length = 0;
    while (text[length] != u'\0') {
        ++length;
    }
    return env->NewString(reinterpret_cast<const jchar*>(text), length);
}

}  // namespace

extern "C" {

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_resetAll(JNIEnv*, jclass)
{
    PalWmiResetAll();
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_loadMof(
    JNIEnv* env, jclass, jstring host, jstring defaultNamespace, jstring mofText)
{
    const Utf8 hostText(env, host), nameSpace(env, defaultNamespace), mof(env, mofText);
    return PalWmiLoadHostMof(hostText.get(), nameSpace.get(), mof.get(), nullptr, 0);
}

JNIEXPORT jstring JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_localHostName(JNIEnv* env,
                                                                                                 jclass)
{
    return env->NewStringUTF(PalWmiLocalHostName());
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_addHost(
    JNIEnv* env, jclass, jstring host, jboolean ownRepository)
{
    const Utf8 hostText(env, host);
    if (ownRepository) {
        PalWmiAddHostWithOwnRepository(hostText.get());
    } else {
        PalWmiAddHost(hostText.get());
    }
}

JNIEXPORT jboolean JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_addAccount(
    JNIEnv* env, jclass, jstring host, jstring domain, jstring user, jstring password, jboolean lockedOut)
{
    const Utf8 hostText(env, host), domainText(env, domain), userText(env, user), passwordText(env, password);
    return PalWmiAddAccount(hostText.get(), domainText.get(), userText.get(), passwordText.get(),
                            lockedOut ? TRUE : FALSE)
               ? JNI_TRUE
               : JNI_FALSE;
}

JNIEXPORT jboolean JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_setHostNoAuthentication(
    JNIEnv* env, jclass, jstring host, jboolean noAuthentication)
{
    const Utf8 hostText(env, host);
    return PalWmiSetHostNoAuthentication(hostText.get(), noAuthentication ? TRUE : FALSE) ? JNI_TRUE
                                                                                          : JNI_FALSE;
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_setCallResult(JNIEnv*, jclass,
                                                                                              jint operation,
                                                                                              jint nth,
                                                                                              jint hresult)
{
    PalWmiSetCallResult(operation, nth, hresult);
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_succeedWithoutObject(
    JNIEnv*, jclass, jint operation, jint nth)
{
    PalWmiSucceedWithoutObject(operation, nth);
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_callCount(JNIEnv*, jclass,
                                                                                          jint operation)
{
    return PalWmiCallCount(operation);
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_failProviderAfter(
    JNIEnv* env, jclass, jstring className, jint objects, jint hresult)
{
    const Utf8 name(env, className);
    PalWmiFailProviderAfter(name.get(), objects, hresult);
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_setClassDelay(
    JNIEnv* env, jclass, jstring className, jint millisecondsPerObject)
{
    const Utf8 name(env, className);
    PalWmiSetClassDelay(name.get(),
                        millisecondsPerObject < 0 ? 0 : static_cast<ULONG>(millisecondsPerObject));
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_raiseEvent(
    JNIEnv* env, jclass, jstring nameSpace, jstring className, jobjectArray names, jobjectArray values,
    jintArray delivered)
{
    try {
        const jsize count = env->GetArrayLength(names);
        if (count != env->GetArrayLength(values)) {
            return E_INVALIDARG;
        }
        // Each text is copied, so that no more than two Java strings are pinned at a time.
        std::vector<std::string> nameTexts, valueTexts;
        std::vector<bool> nulls;
        for (jsize i = 0; i < count; ++i) {
            auto name = static_cast<jstring>(env->GetObjectArrayElement(names, i));
            auto value = static_cast<jstring>(env->GetObjectArrayElement(values, i));
            if (name == nullptr) {
                return E_INVALIDARG;
            }
            nameTexts.emplace_back(Utf8(env, name).get());
            nulls.push_back(value == nullptr);
            valueTexts.emplace_back(value == nullptr ? "" : Utf8(env, value).get());
            env->DeleteLocalRef(name);
            env->DeleteLocalRef(value);
        }
        std::vector<const char*> namePointers, valuePointers;
        for (jsize i = 0; i < count; ++i) {
            namePointers.push_back(nameTexts[i].c_str());
            valuePointers.push_back(nulls[i] ? nullptr : valueTexts[i].c_str());
        }
        const Utf8 nameSpaceText(env, nameSpace), classText(env, className);
        LONG made = 0;
        const HRESULT hr =
            PalWmiRaiseEvent(".", nameSpaceText.get(), classText.get(), static_cast<ULONG>(count),
                             namePointers.data(), valuePointers.data(), &made);
        const jint madeValue = made;
        env->SetIntArrayRegion(delivered, 0, 1, &madeValue);
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_deleteInstance(
    JNIEnv* env, jclass, jstring nameSpace, jstring objectPath)
{
    const Utf8 nameSpaceText(env, nameSpace), path(env, objectPath);
    return PalWmiDeleteInstance(".", nameSpaceText.get(), path.get());
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_holdEventPolls(JNIEnv*,
                                                                                               jclass,
                                                                                               jboolean hold)
{
    PalWmiHoldEventPolls(hold ? TRUE : FALSE);
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_eventPollCount(JNIEnv*,
                                                                                               jclass)
{
    return PalWmiEventPollCount();
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_liveCount(JNIEnv*, jclass,
                                                                                          jint kind)
{
    return PalLiveCount(kind);
}

JNIEXPORT jstring JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_whatIsAlive(JNIEnv* env,
                                                                                               jclass)
{
    const char* what = nullptr;
    PalNothingAlive(&what);
    return env->NewStringUTF(what != nullptr ? what : "");
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_apartmentDepth(JNIEnv*,
                                                                                               jclass)
{
    return PalApartmentDepth();
}

JNIEXPORT jint JNICALL
Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_enterSingleThreadedApartment(JNIEnv*, jclass)
{
    return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_leaveApartment(JNIEnv*,
                                                                                               jclass)
{
    CoUninitialize();
}

JNIEXPORT jboolean JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_testing_Emulator_readLastBlanket(
    JNIEnv* env, jclass, jint proxyKind, jintArray numbers, jobjectArray texts)
{
    PalBlanket blanket;
    if (!PalWmiLastBlanket(proxyKind, &blanket)) {
        return JNI_FALSE;
    }
    const jint values[8] = {blanket.wasSet,
                            blanket.setCount,
                            static_cast<jint>(blanket.authnService),
                            static_cast<jint>(blanket.authzService),
                            static_cast<jint>(blanket.authnLevel),
                            static_cast<jint>(blanket.impLevel),
                            static_cast<jint>(blanket.capabilities),
                            blanket.hasIdentity};
    env->SetIntArrayRegion(numbers, 0, 8, values);
    const WCHAR* strings[3] = {blanket.user, blanket.domain, blanket.password};
    for (jsize i = 0; i < 3; ++i) {
        jstring text = NewJavaString(env, strings[i]);
        if (text == nullptr) {
            return JNI_FALSE;
        }
        env->SetObjectArrayElement(texts, i, text);
        env->DeleteLocalRef(text);
    }
    return JNI_TRUE;
}

}  // extern "C"
