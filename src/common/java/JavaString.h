// CJavaString: the UTF-16 text of one Java String for the length of one native call, shared by
// both libraries as a header (each compiles its own copy; nothing is shared at run time).
//
// JNI does not promise that the characters from GetStringChars end in a NUL, but every user of
// the view reads them as NUL-terminated text, so the view copies them, with GetStringRegion, into
// a terminated buffer of its own: inline for text shorter than InlineUnits, on the heap for longer
// text, never on the stack at a size the Java text chose. That is the only copy: GetStringChars
// would have made one of its own (a JVM does not keep its strings as terminated UTF-16), and that
// one the JVM frees without wiping it. Length stays the Java length (-1 for null), so a NUL inside
// the text stays visible to the exports, which refuse such text.
//
// A view of a secret (a password, a user name, a value written into a property, which may be a
// password handed to a method) wipes its copy before the memory is given back; the views of
// names, paths and queries do not pay for that.
#pragma once

#include <jni.h>

#include <cstddef>
#include <cstdint>
#include <new>

#include "platform/platform.h"

namespace wmibridge {

template <size_t InlineUnits>
class CJavaString {
public:
    enum class Content { Text, Secret };

    CJavaString(JNIEnv* env, jstring string, Content content = Content::Text) noexcept
        : m_null(string == nullptr), m_secret(content == Content::Secret)
    {
        if (m_null) {
            return;
        }
        m_length = env->GetStringLength(string);
        if (m_length < 0) {
            return;
        }
        WCHAR* copy = m_inline;
        if (static_cast<size_t>(m_length) >= InlineUnits) {
            m_heapCopy = new (std::nothrow) WCHAR[static_cast<size_t>(m_length) + 1];
            copy = m_heapCopy;
        }
        if (copy == nullptr) {
            return;
        }
        static_assert(sizeof(jchar) == sizeof(WCHAR));
        env->GetStringRegion(string, 0, m_length, reinterpret_cast<jchar*>(copy));
        copy[m_length] = 0;
        m_chars = copy;
    }

    ~CJavaString()
    {
        if (m_secret && m_chars != nullptr) {
            SecureZeroMemory(m_chars, static_cast<size_t>(m_length) * sizeof(WCHAR));
        }
        delete[] m_heapCopy;
    }

    CJavaString(const CJavaString&) = delete;
    CJavaString& operator=(const CJavaString&) = delete;

    // The text, NUL-terminated; null for a null string, or when its copy could not be allocated.
    const WCHAR* Chars() const { return m_chars; }
    // GetStringLength of the string, or -1 for null.
    int32_t Length() const { return m_length; }
    bool IsNull() const { return m_null; }
    // True when the string was not null but its text could not be made available.
    bool OutOfMemory() const { return !m_null && m_chars == nullptr; }

private:
    static_assert(InlineUnits > 0);

    bool m_null;
    bool m_secret;
    int32_t m_length = -1;
    WCHAR* m_chars = nullptr;
    WCHAR* m_heapCopy = nullptr;
    WCHAR m_inline[InlineUnits];
};

}  // namespace wmibridge
