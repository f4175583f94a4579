// The Java string view of wmicred, with 272 units inline. Any argument of the credential check
// may be a secret, so every view wipes its copy.
#pragma once

#include "java/JavaString.h"

namespace wmicred {

class CCredString final : public wmibridge::CJavaString<272> {
public:
    CCredString(JNIEnv* env, jstring string) noexcept : CJavaString(env, string, Content::Secret) {}
};

}  // namespace wmicred
