// IWbemClassObject keeps the position of its property enumeration (BeginEnumeration, Next,
// EndEnumeration) inside the object itself, so two threads walking the same object at once would
// move each other's position. Every walk of an object's properties holds this lock for the
// object's whole walk. The locks are a fixed table shared by address, so no native object needs a
// field of its own for it; a walk never takes a second one while it holds one.
#pragma once

#include <mutex>

#include "platform/platform.h"

namespace wmibridge {

class CEnumerationLock {
public:
    explicit CEnumerationLock(const IWbemClassObject* object) noexcept;

    CEnumerationLock(const CEnumerationLock&) = delete;
    CEnumerationLock& operator=(const CEnumerationLock&) = delete;

private:
    std::lock_guard<std::mutex> m_guard;
};

}  // namespace wmibridge
