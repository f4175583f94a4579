// A JNI local frame for one level of a nested result: the references made inside it go when it
// ends, on every path, so that deep nesting never piles up local references in one frame.
#pragma once

#include <jni.h>

namespace wmibridge {

class CLocalFrame {
public:
    CLocalFrame(JNIEnv* env, jint capacity) noexcept
        : m_env(env), m_pushed(env->PushLocalFrame(capacity) == 0)
    {
    }
    ~CLocalFrame()
    {
        if (m_pushed) {
            m_env->PopLocalFrame(nullptr);
        }
    }

    CLocalFrame(const CLocalFrame&) = delete;
    CLocalFrame& operator=(const CLocalFrame&) = delete;

    // False when the JVM could not make the frame (its OutOfMemoryError is then pending).
    bool Pushed() const { return m_pushed; }

    // Ends the frame and keeps `result`: the reference returned lives in the enclosing frame.
    jobject Pop(jobject result) noexcept
    {
        m_pushed = false;
        return m_env->PopLocalFrame(result);
    }

private:
    JNIEnv* m_env;
    bool m_pushed;
};

}  // namespace wmibridge
