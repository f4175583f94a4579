// The elements of dimension 1 of an array value, locked in place and read from the first to the
// last, whatever the lower bound. An array whose bounds cannot be read, whose data cannot be
// locked or whose element size is not that of the claimed type reads as having no elements.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ComHolders.h"
#include "platform/platform.h"

namespace wmibridge {

// Size of one element of type `vt` as a SAFEARRAY stores it; 0 for types that are never read.
size_t ArrayElementSize(VARTYPE vt) noexcept;

class CArrayElements {
public:
    CArrayElements(SAFEARRAY* array, VARTYPE vt) noexcept;

    CArrayElements(const CArrayElements&) = delete;
    CArrayElements& operator=(const CArrayElements&) = delete;

    int64_t Count() const { return m_data.Data() == nullptr ? 0 : m_count; }
    // The element at `index`, 0 <= index < Count().
    const void* At(int64_t index) const
    {
        return static_cast<const unsigned char*>(m_data.Data()) + static_cast<size_t>(index) * m_size;
    }

private:
    static SAFEARRAY* Readable(SAFEARRAY* array, size_t size, int64_t& count) noexcept;

    size_t m_size;
    int64_t m_count = 0;
    CSafeArrayData m_data;  // after m_count, which Readable fills first
};

}  // namespace wmibridge
