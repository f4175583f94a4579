// Handles of the Win32 side: opaque numbers that name shared objects, so that a closed or forged
// handle is recognised instead of dereferenced. Every live handle is counted under its kind.
#pragma once

#include <pal/testing.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "accounting.h"

namespace pal::win32 {

template <typename Object>
class HandleTable {
public:
    // `first` keeps the numbers of different tables apart; handles are multiples of four, as on
    // Windows.
    HandleTable(PalObjectKind kind, uintptr_t first) : kind_(kind), next_(first) {}

    uintptr_t Add(std::shared_ptr<Object> object)
    {
        std::lock_guard lock(mutex_);
        const uintptr_t handle = next_;
        next_ += 4;
        objects_.emplace(handle, std::move(object));
        CountCreated(kind_);
        return handle;
    }

    std::shared_ptr<Object> Get(uintptr_t handle) const
    {
        std::lock_guard lock(mutex_);
        const auto found = objects_.find(handle);
        return found == objects_.end() ? nullptr : found->second;
    }

    // False when the handle is not open.
    bool Remove(uintptr_t handle)
    {
        std::shared_ptr<Object> removed;
        {
            std::lock_guard lock(mutex_);
            const auto found = objects_.find(handle);
            if (found == objects_.end()) {
                return false;
            }
            removed = std::move(found->second);
            objects_.erase(found);
        }
        CountDestroyed(kind_);
        return true;
    }

private:
    const PalObjectKind kind_;
    mutable std::mutex mutex_;
    uintptr_t next_;
    std::unordered_map<uintptr_t, std::shared_ptr<Object>> objects_;
};

}  // namespace pal::win32
