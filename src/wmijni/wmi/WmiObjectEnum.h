// CWmiObjectEnum: the buffered objects of one query, in the order WMI delivered them, with a
// cursor. A result set is created by its first Add; an empty CRefPtr is a result set without
// objects, and every operation below accepts one. The cursor is not protected: one result set is
// walked by one thread at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "wmi/RefPtr.h"
#include "wmi/WmiObject.h"

namespace wmibridge {

class CWmiObjectEnum : public CRefCounted {
public:
    CWmiObjectEnum() = default;

private:
    friend bool Add(CRefPtr<CWmiObjectEnum>& set, CRefPtr<CWmiObject>&& object) noexcept;
    friend bool Reserve(CRefPtr<CWmiObjectEnum>& set, size_t count) noexcept;
    friend bool HasMoreObjects(const CRefPtr<CWmiObjectEnum>& set) noexcept;
    friend bool NextObject(const CRefPtr<CWmiObjectEnum>& set, CRefPtr<CWmiObject>& out) noexcept;
    friend void Reset(const CRefPtr<CWmiObjectEnum>& set) noexcept;
    friend int32_t ObjectCount(const CRefPtr<CWmiObjectEnum>& set) noexcept;

    std::vector<CRefPtr<CWmiObject>> m_objects;
    size_t m_cursor = 0;
    size_t m_end = 0;
};

// Appends the reference of `object`, which is left empty, creating the result set if `set` is
// empty; the cursor returns to the first object. False when memory ran out (the set and `object`
// are then unchanged).
bool Add(CRefPtr<CWmiObjectEnum>& set, CRefPtr<CWmiObject>&& object) noexcept;
// As above, appending one more reference to `object`.
bool Add(CRefPtr<CWmiObjectEnum>& set, const CRefPtr<CWmiObject>& object) noexcept;
// Makes room for `count` more objects (growing by at least half of what the set holds, so that
// appending stays linear), creating the result set if `set` is empty. False when memory ran out.
bool Reserve(CRefPtr<CWmiObjectEnum>& set, size_t count) noexcept;
bool HasMoreObjects(const CRefPtr<CWmiObjectEnum>& set) noexcept;
// Hands out the object at the cursor (one more reference to the same wrapper) and advances.
bool NextObject(const CRefPtr<CWmiObjectEnum>& set, CRefPtr<CWmiObject>& out) noexcept;
void Reset(const CRefPtr<CWmiObjectEnum>& set) noexcept;
int32_t ObjectCount(const CRefPtr<CWmiObjectEnum>& set) noexcept;

}  // namespace wmibridge
