// CWmiObjectEnum: the buffered objects of one query, in the order WMI delivered them, with a
// cursor. The cursor is not protected: one result set is walked by one thread at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "wmi/RefPtr.h"
#include "wmi/WmiObject.h"

namespace wmibridge {

class CWmiObjectEnum final : public CRefCounted {
public:
    // A new result set without objects; empty when memory ran out.
    static CRefPtr<CWmiObjectEnum> Create() noexcept;

    // Makes room for `count` more objects, growing by at least half of what the set holds, so
    // that appending stays linear. False when memory ran out.
    bool Reserve(size_t count) noexcept;
    // Appends the reference of `object`, which is left empty; the cursor returns to the first
    // object. False when memory ran out (the set and `object` are then unchanged).
    bool Add(CRefPtr<CWmiObject>&& object) noexcept;
    // As above, appending one more reference to `object`.
    bool Add(const CRefPtr<CWmiObject>& object) noexcept;

    bool HasMoreObjects() const noexcept { return m_cursor != m_objects.size(); }
    // Hands out the object at the cursor (one more reference to the same wrapper) and advances;
    // false, with `out` unchanged, past the last object.
    bool NextObject(CRefPtr<CWmiObject>& out) noexcept;
    // Returns the cursor to the first object.
    void Reset() noexcept;
    int32_t ObjectCount() const noexcept { return static_cast<int32_t>(m_objects.size()); }

private:
    std::vector<CRefPtr<CWmiObject>> m_objects;
    size_t m_cursor = 0;
};

// The result set a handle's cell refers to. A query that matched nothing makes no result set and
// hands out an empty reference, which reads as a set without objects: one shared set that is
// walked and reset like any other, and never added to.
CWmiObjectEnum& ResultSetOf(const CRefPtr<CWmiObjectEnum>& set) noexcept;

}  // namespace wmibridge
