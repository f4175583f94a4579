#include "wmi/WmiObjectEnum.h"

#include <new>

namespace wmiprov {

bool Add(CRefPtr<CWmiObjectEnum>& set, const CRefPtr<CWmiObject>& object) noexcept
{
    if (set.IsEmpty()) {
        auto* created = new (std::nothrow) CWmiObjectEnum();
        if (created == nullptr) {
            return false;
        }
        set = created;
    }
    try {
        set->m_objects.push_back(object);
    } catch (...) {
        return false;
    }
    set->m_cursor = 0;
    set->m_end = set->m_objects.size();
    return true;
}

bool HasMoreObjects(const CRefPtr<CWmiObjectEnum>& set) noexcept
{
    return !set.IsEmpty() && set->m_cursor != set->m_end;
}

bool NextObject(const CRefPtr<CWmiObjectEnum>& set, CRefPtr<CWmiObject>& out) noexcept
{
    if (!HasMoreObjects(set)) {
        return false;
    }
    out = set->m_objects[set->m_cursor];
    ++set->m_cursor;
    return true;
}

void Reset(const CRefPtr<CWmiObjectEnum>& set) noexcept
{
    if (!set.IsEmpty()) {
        set->m_cursor = 0;
        set->m_end = set->m_objects.size();
    }
}

int32_t ObjectCount(const CRefPtr<CWmiObjectEnum>& set) noexcept
{
    return set.IsEmpty() ? 0 : static_cast<int32_t>(set->m_objects.size());
}

}  // namespace wmiprov
