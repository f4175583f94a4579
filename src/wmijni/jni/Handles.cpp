#include "jni/Handles.h"

namespace wmibridge {

bool CallHolderSet(JNIEnv* env, jobject holder, jlong value) noexcept
{
    jclass holderClass = env->GetObjectClass(holder);
    jmethodID set = env->GetMethodID(holderClass, "set", "(J)V");
    env->DeleteLocalRef(holderClass);
    if (set == nullptr) {
        return false;
    }
    env->CallVoidMethod(holder, set, value);
    return true;
}

}  // namespace wmibridge
