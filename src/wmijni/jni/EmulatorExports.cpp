// The exports that load MOF fixtures into the platform layer's WMI emulator. Windows has no
// emulator: there each of them answers WBEM_E_NOT_SUPPORTED.
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiEmulator.h>

#include <string>

#include "jni/ExportGuard.h"
#include "jni/Handles.h"
#include "jni/JniString.h"
#include "wmi/ErrorCodes.h"

#ifndef _WIN32
#include <pal/wmi_fixtures.h>

#include "text/Utf8.h"
#endif

using namespace wmibridge;

namespace {

#ifdef _WIN32
// Windows has no emulator. Every export answers the same without looking at its arguments: the
// code for "not supported", or false for the question whether the start-up MOF failed.
template <class Result, Result kAnswer>
struct CNotSupported {
    Result operator()(auto&&...) const noexcept { return kAnswer; }
};

constexpr jlong kNotSupported = com_zorvex_kestrin_quilmok_lib_wmi_WmiEmulator_ERROR_NOT_SUPPORTED;
constexpr CNotSupported<jlong, kNotSupported> LoadMof{};
constexpr CNotSupported<jlong, kNotSupported> UnloadMof{};
constexpr CNotSupported<jlong, kNotSupported> AddStartupMof{};
constexpr CNotSupported<jboolean, JNI_FALSE> StartupFailed{};
#else
constexpr jlong kFailed = static_cast<jlong>(static_cast<uint32_t>(E_FAIL));

// The UTF-8 of a Java string; false for null or a text with a NUL inside, which no path has.
bool Utf8Of(JNIEnv* env, jstring string, std::string& utf8)
{
    const CJniString text(env, string);
    if (text.Chars() == nullptr) {
        return false;
    }
    const std::u16string_view view(reinterpret_cast<const char16_t*>(text.Chars()),
                                   static_cast<size_t>(text.Length()));
    if (view.find(u'\0') != std::u16string_view::npos) {
        return false;
    }
    utf8 = text::ToUtf8(view);
    return true;
}

// Puts the failure into the array's slots, when it has them; a pending exception stops it.
void Report(JNIEnv* env, jobjectArray failure, const PalMofError& error)
{
    if (failure == nullptr ||
        env->GetArrayLength(failure) < com_zorvex_kestrin_quilmok_lib_wmi_WmiEmulator_FAILURE_SLOTS) {
        return;
    }
    const std::string line = std::to_string(error.line);
    const char* texts[] = {error.source, line.c_str(), error.reason};
    const jsize slots[] = {com_zorvex_kestrin_quilmok_lib_wmi_WmiEmulator_FAILURE_SOURCE,
                           com_zorvex_kestrin_quilmok_lib_wmi_WmiEmulator_FAILURE_LINE,
                           com_zorvex_kestrin_quilmok_lib_wmi_WmiEmulator_FAILURE_REASON};
    for (size_t i = 0; i < 3; ++i) {
        const std::u16string utf16 = text::FromUtf8(texts[i]);
        jstring value =
            env->NewString(reinterpret_cast<const jchar*>(utf16.data()), static_cast<jsize>(utf16.size()));
        if (value == nullptr) {
            return;
        }
        env->SetObjectArrayElement(failure, slots[i], value);
        env->DeleteLocalRef(value);
        if (env->ExceptionCheck() == JNI_TRUE) {
            return;
        }
    }
}

jlong Finish(JNIEnv* env, jobjectArray failure, HRESULT hr, const PalMofError& error)
{
    if (FAILED(hr)) {
        Report(env, failure, error);
    }
    return static_cast<jlong>(static_cast<uint32_t>(hr));
}
jlong LoadMof(JNIEnv* env, jstring path, jstring defaultNamespace, jobject holder,
              jobjectArray failure) noexcept
{
    return Guarded<jlong>(kFailed, [&]() -> jlong {
        std::string file, nameSpace;
        if (holder == nullptr || !Utf8Of(env, path, file) ||
            (defaultNamespace != nullptr && !Utf8Of(env, defaultNamespace, nameSpace))) {
            return kInvalidParameter;
        }
        PalMofError error;
        LONGLONG fixture = 0;
        const HRESULT hr = PalWmiLoadMofFile(
            file.c_str(), defaultNamespace == nullptr ? nullptr : nameSpace.c_str(), &fixture, &error);
        if (SUCCEEDED(hr) && !CallHolderSet(env, holder, fixture)) {
            PalWmiUnloadMof(fixture, &error);
            return kInvalidParameter;
        }
        return Finish(env, failure, hr, error);
    });
}

jlong UnloadMof(JNIEnv* env, jlong fixture, jobjectArray failure) noexcept
{
    return Guarded<jlong>(kFailed, [&]() -> jlong {
        PalMofError error;
        return Finish(env, failure, PalWmiUnloadMof(fixture, &error), error);
    });
}

jlong AddStartupMof(JNIEnv* env, jstring paths, jobjectArray failure) noexcept
{
    return Guarded<jlong>(kFailed, [&]() -> jlong {
        std::string list;
        if (!Utf8Of(env, paths, list)) {
            return kInvalidParameter;
        }
        PalMofError error;
        return Finish(env, failure, PalWmiAddStartupMof(list.c_str(), &error), error);
    });
}

jboolean StartupFailed(JNIEnv* env, jobjectArray failure) noexcept
{
    return Guarded<jboolean>(JNI_FALSE, [&]() -> jboolean {
        PalMofError error;
        if (PalWmiStartupMofError(&error) == FALSE) {
            return JNI_FALSE;
        }
        Report(env, failure, error);
        return JNI_TRUE;
    });
}
#endif

}  // namespace

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiEmulator_WmiEmulatorLoadMof(
    JNIEnv* env, jclass, jstring path, jstring defaultNamespace, jobject holder, jobjectArray failure)
{
    return LoadMof(env, path, defaultNamespace, holder, failure);
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiEmulator_WmiEmulatorUnloadMof(
    JNIEnv* env, jclass, jlong fixture, jobjectArray failure)
{
    return UnloadMof(env, fixture, failure);
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiEmulator_WmiEmulatorAddStartupMof(
    JNIEnv* env, jclass, jstring paths, jobjectArray failure)
{
    return AddStartupMof(env, paths, failure);
}

JNIEXPORT jboolean JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiEmulator_WmiEmulatorStartupFailed(
    JNIEnv* env, jclass, jobjectArray failure)
{
    return StartupFailed(env, failure);
}
