// The Java string view of wmicred: the UTF-16 text of one Java String for the length of the call,
// copied with GetStringRegion, NUL-terminated, into a copy that is wiped when the view goes (the
// view may hold a password); no other copy of the text is made. The library keeps its own view so
// that it shares no code with wmijni at run time.
#pragma once

#include <jni.h>

#include <cstdint>

#include "platform/platform.h"

namespace wmicred {

class CCredString {
public:
    CCredString(JNIEnv* env, jstring string) noexcept;
    ~CCredString();

    CCredString(const CCredString&) = delete;
    CCredString& operator=(const CCredString&) = delete;

    // The text, or null for a null string (and for a string whose copy could not be allocated).
    const WCHAR* Chars() const { return m_chars; }
    // GetStringLength of the string, or -1 for null.
    int32_t Length() const { return m_length; }
    bool OutOfMemory() const { return m_string != nullptr && m_chars == nullptr; }

private:
    static constexpr int32_t kInlineCapacity = 272;

    jstring m_string;
    int32_t m_length = -1;
    WCHAR* m_chars = nullptr;
    WCHAR* m_heapCopy = nullptr;
    WCHAR m_inline[kInlineCapacity];
};

}  // namespace wmicred
