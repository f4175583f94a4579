#include "wmicred/CredString.h"

#include <new>

namespace wmicred {

CCredString::CCredString(JNIEnv* env, jstring string) noexcept : m_string(string)
{
    if (m_string == nullptr) {
        return;
    }
    m_length = env->GetStringLength(m_string);
    if (m_length < 0) {
        return;
    }
    WCHAR* copy = m_inline;
    if (m_length >= kInlineCapacity) {
        m_heapCopy = new (std::nothrow) WCHAR[static_cast<size_t>(m_length) + 1];
        copy = m_heapCopy;
    }
    if (copy == nullptr) {
        return;
    }
    // Straight into the copy that is wiped: GetStringChars would make a copy of the JVM's own,
    // which the JVM frees without wiping it.
    static_assert(sizeof(jchar) == sizeof(WCHAR));
    env->GetStringRegion(m_string, 0, m_length, reinterpret_cast<jchar*>(copy));
    copy[m_length] = 0;
    m_chars = copy;
}

CCredString::~CCredString()
{
    if (m_chars != nullptr) {
        volatile WCHAR* units = m_chars;
        for (int32_t i = 0; i < m_length; ++i) {
            units[i] = 0;
        }
    }
    delete[] m_heapCopy;
}

}  // namespace wmicred
