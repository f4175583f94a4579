#include "wmi/WmiObjectEnum.h"

#include <algorithm>
#include <new>
#include <utility>

namespace wmibridge {

namespace {

bool Create(CRefPtr<CWmiObjectEnum>& set) noexcept
{
    if (set.IsEmpty()) {
        auto* created = new (std::nothrow) CWmiObjectEnum();
        if (created == nullptr) {
            return false;
        }
        set = created;
    }
    return true;
}

}  // namespace

bool Reserve(CRefPtr<CWmiObjectEnum>& set, size_t count) noexcept
{
    if (!Create(set)) {
        return false;
    }
    std::vector<CRefPtr<CWmiObject>>& objects = set->m_objects;
    const size_t needed = objects.size() + count;
    if (needed > objects.capacity()) {
        try {
            objects.reserve(std::max(needed, objects.capacity() + objects.capacity() / 2));
        } catch (...) {
            return false;
        }
    }
    return true;
}

bool Add(CRefPtr<CWmiObjectEnum>& set, CRefPtr<CWmiObject>&& object) noexcept
{
    if (!Create(set)) {
        return false;
    }
    try {
        set->m_objects.push_back(std::move(object));
    } catch (...) {
        return false;
    }
    set->m_cursor = 0;
    set->m_end = set->m_objects.size();
    return true;
}

bool Add(CRefPtr<CWmiObjectEnum>& set, const CRefPtr<CWmiObject>& object) noexcept
{
    CRefPtr<CWmiObject> reference(object);
    return Add(set, std::move(reference));
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

}  // namespace wmibridge
