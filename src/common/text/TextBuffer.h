// A UTF-16 work buffer: on the stack for short text, on the heap for long text, so that no stack
// buffer is ever sized by the length of text that came from Java.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

#include "platform/platform.h"

namespace wmibridge::text {

class CTextBuffer {
public:
    static constexpr size_t kInlineUnits = 260;

    CTextBuffer() = default;
    CTextBuffer(const CTextBuffer&) = delete;
    CTextBuffer& operator=(const CTextBuffer&) = delete;

    // Makes room for `units` units; false when the heap could not provide them. The contents are
    // not kept.
    bool Reserve(size_t units) noexcept
    {
        if (units <= kInlineUnits) {
            m_data = m_inline;
            return true;
        }
        m_heap.reset(new (std::nothrow) WCHAR[units]);
        m_data = m_heap.get();
        return m_data != nullptr;
    }

    WCHAR* Data() noexcept { return m_data; }

private:
    WCHAR m_inline[kInlineUnits];
    std::unique_ptr<WCHAR[]> m_heap;
    WCHAR* m_data = m_inline;
};

}  // namespace wmibridge::text
