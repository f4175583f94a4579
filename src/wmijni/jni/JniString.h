// CJniString: the UTF-16 text of one Java String for the length of one export.
//
// JNI does not promise that the characters from GetStringChars end in a NUL, but every user of
// the view reads them as NUL-terminated text, so the view copies them, with GetStringRegion, into
// a terminated buffer of its own: inline for short strings, on the heap for long ones. That is one
// copy, where GetStringChars would have made one of its own (a JVM does not keep its strings as
// terminated UTF-16) and the view a second. Length stays the Java length (-1 for null).
//
// A view of a secret (a password, a user name, a value written into a property, which may be a
// password handed to a method) wipes its copy before the memory is given back; the views of
// names, paths and queries do not pay for that.
#pragma once

#include <jni.h>

#include <cstdint>

#include "platform/platform.h"

namespace wmibridge {

class CJniString {
public:
    enum class Content { Text, Secret };

    CJniString(JNIEnv* env, jstring string, Content content = Content::Text) noexcept;
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

    jstring m_string;
    int32_t m_length = -1;
    bool m_secret;
    WCHAR* m_chars = nullptr;
    WCHAR* m_heapCopy = nullptr;
    WCHAR m_inline[kInlineCapacity];
};

}  // namespace wmibridge
