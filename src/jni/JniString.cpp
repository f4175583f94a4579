#include "jni/JniString.h"

#include <cstring>
#include <new>

namespace wmiprov {

CJniString::CJniString(JNIEnv* env, jstring string) noexcept : m_env(env), m_string(string)
{
    if (m_string == nullptr) {
        return;
    }
    m_length = m_env->GetStringLength(m_string);
    m_javaChars = m_env->GetStringChars(m_string, nullptr);
    if (m_javaChars == nullptr || m_length < 0) {
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
    static_assert(sizeof(jchar) == sizeof(WCHAR));
    std::memcpy(copy, m_javaChars, static_cast<size_t>(m_length) * sizeof(WCHAR));
    copy[m_length] = 0;
    m_chars = copy;
}

CJniString::~CJniString()
{
    // The copy may hold a password: it is wiped before its memory is given back.
    if (m_chars != nullptr) {
        volatile WCHAR* units = m_chars;
        for (int32_t i = 0; i < m_length; ++i) {
            units[i] = 0;
        }
    }
    if (m_string != nullptr && m_javaChars != nullptr) {
        m_env->ReleaseStringChars(m_string, m_javaChars);
    }
    delete[] m_heapCopy;
}

}  // namespace wmiprov
