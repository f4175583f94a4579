// The modified UTF-8 of a Java string for the duration of one call, for the test-only JNI
// libraries that hand the platform layer's C controls (which take UTF-8) to Java.
#pragma once

#include <jni.h>

namespace palcontrol {

class Utf8 {
public:
    Utf8(JNIEnv* env, jstring text) : env_(env), text_(text)
    {
        chars_ = text != nullptr ? env->GetStringUTFChars(text, nullptr) : nullptr;
    }
    ~Utf8()
    {
        if (chars_ != nullptr) {
            env_->ReleaseStringUTFChars(text_, chars_);
        }
    }
    Utf8(const Utf8&) = delete;
    Utf8& operator=(const Utf8&) = delete;

    // Null for a null string.
    const char* get() const { return chars_; }

private:
    JNIEnv* env_;
    jstring text_;
    const char* chars_;
};

}  // namespace palcontrol
