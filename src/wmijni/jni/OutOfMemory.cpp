#include "jni/OutOfMemory.h"

#include <cstdio>

namespace wmibridge {

void ThrowOutOfMemory(JNIEnv* env, const char* exportName, int line) noexcept
{
    jclass errorClass = env->FindClass("java/lang/OutOfMemoryError");
    if (errorClass == nullptr) {
        return;
    }
    char message[512];
    std::snprintf(message, sizeof(message), "Raised from %s @line %d", exportName, line);
    env->ThrowNew(errorClass, message);
    env->DeleteLocalRef(errorClass);
}

}  // namespace wmibridge
