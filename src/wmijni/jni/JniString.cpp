#include "jni/JniString.h"

#include <new>

namespace wmibridge {

CJniString::CJniString(JNIEnv* env, jstring string, Content content) noexcept
    : m_string(string), m_secret(content == Content::Secret)
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
    static_assert(sizeof(jchar) == sizeof(WCHAR));
    env->GetStringRegion(m_string, 0, m_length, reinterpret_cast<jchar*>(copy));
    copy[m_length] = 0;
    m_chars = copy;
}

CJniString::~CJniString()
{
    if (m_secret && m_chars != nullptr) {
        volatile WCHAR* units = m_chars;
        for (int32_t i = 0; i < m_length; ++i) {
            units[i] = 0;
        }
    }
    delete[] m_heapCopy;
}

}  // namespace wmibridge
