#include "wmi/WmiObjectEnum.h"

#include <algorithm>
#include <new>
#include <utility>

namespace wmibridge {

CRefPtr<CWmiObjectEnum> CWmiObjectEnum::Create() noexcept
{
    CRefPtr<CWmiObjectEnum> set;
    set = new (std::nothrow) CWmiObjectEnum();
    return set;
}

bool CWmiObjectEnum::Reserve(size_t count) noexcept
{
    const size_t needed = m_objects.size() + count;
    if (needed > m_objects.capacity()) {
        try {
            m_objects.reserve(std::max(needed, m_objects.capacity() + m_objects.capacity() / 2));
        } catch (...) {
            return false;
        }
    }
    return true;
}

bool CWmiObjectEnum::Add(CRefPtr<CWmiObject>&& object) noexcept
{
    try {
        m_objects.push_back(std::move(object));
    } catch (...) {
        return false;
    }
    m_cursor = 0;
    return true;
}

bool CWmiObjectEnum::Add(const CRefPtr<CWmiObject>& object) noexcept
{
    CRefPtr<CWmiObject> reference(object);
    return Add(std::move(reference));
}

bool CWmiObjectEnum::NextObject(CRefPtr<CWmiObject>& out) noexcept
{
    if (!HasMoreObjects()) {
        return false;
    }
    out = m_objects[m_cursor];
    ++m_cursor;
    return true;
}

void CWmiObjectEnum::Reset() noexcept
{
    // A cursor at the start is left unwritten, so that threads resetting empty handles at once
    // never write to the shared empty set.
    if (m_cursor != 0) {
        m_cursor = 0;
    }
}

CWmiObjectEnum& ResultSetOf(const CRefPtr<CWmiObjectEnum>& set) noexcept
{
    static CWmiObjectEnum s_empty;
    return set.IsEmpty() ? s_empty : *set.Get();
}

}  // namespace wmibridge
