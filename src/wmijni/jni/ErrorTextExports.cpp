// The export that turns an error code into text.
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiError.h>

#include "errors/ErrorText.h"
#include "jni/ExportGuard.h"
#include "text/Utf16.h"

using namespace wmibridge;

JNIEXPORT jstring JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiError_Win32Format(JNIEnv* env, jclass,
                                                                                       jint code)
{
    return Guarded<jstring>(nullptr, [&]() -> jstring {
        WCHAR buffer[kErrorTextUnits];
        FormatErrorMessage(static_cast<uint32_t>(code), buffer, kErrorTextCapacity);
        return env->NewString(reinterpret_cast<const jchar*>(buffer),
                              static_cast<jsize>(text::Length(buffer)));
    });
}
