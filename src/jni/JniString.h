// CJniString: the UTF-16 text of one Java String for the length of one export.
//
// JNI does not promise that the characters from GetStringChars end in a NUL, but every user of
// the view reads them as NUL-terminated text, so the view keeps a terminated copy: on the stack
// for short strings, on the heap otherwise. Length stays the Java length (-1 for null).
#pragma once

#include <jni.h>

#include <cstdint>

#include "platform/platform.h"

namespace wmiprov {

class CJniString {
public:
    CJniString(JNIEnv* env, jstring string) noexcept;
    ~CJniString();

    CJniString(const CJniString&) = delete;
    CJniString& operator=(const CJniString&) = delete;

    // The text, NUL-terminated; null for a null string, or when its copy could not be allocated.
    const WCHAR* Chars() const { return m_chars; }
    // GetStringLength of the string, or -1 for null.
    int32_t Length() const { return m_length; }
    bool IsNull() const { return m_string == nullptr; }
    // True when the string was not null but its text could not be made available.
    bool OutOfMemory() const { return m_string != nullptr && m_chars == nullptr; }

private:
    static constexpr int32_t kInlineCapacity = 128;

    JNIEnv* m_env;
    jstring m_string;
    int32_t m_length = -1;
    const jchar* m_javaChars = nullptr;
    WCHAR* m_chars = nullptr;
    WCHAR* m_heapCopy = nullptr;
    WCHAR m_inline[kInlineCapacity];
};

}  // namespace wmiprov
