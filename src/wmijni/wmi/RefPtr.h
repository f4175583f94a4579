// Intrusive reference counting for the native objects that Java holds through handles.
#pragma once

#include <atomic>
#include <cstdint>

namespace wmibridge {

// Base of every counted native object. The count is 0 after construction; only CRefPtr changes
// it, with interlocked increments and decrements, so that objects may be shared and released by
// different threads. (The platform layer's COM objects, pal::ComObject, start at 1 instead: their
// creator owns the first reference, as COM has it. Here the first CRefPtr takes it.)
//
// CRefPtr deletes through T*, and this destructor is not virtual: every counted class is final.
class CRefCounted {
public:
    CRefCounted() = default;
    CRefCounted(const CRefCounted&) = delete;
    CRefCounted& operator=(const CRefCounted&) = delete;

    int32_t RefCount() const { return m_refCount.load(std::memory_order_relaxed); }

protected:
    ~CRefCounted() = default;

private:
    template <class T>
    friend class CRefPtr;

    std::atomic<int32_t> m_refCount{0};
};

template <class T>
class CRefPtr {
public:
    CRefPtr() = default;
    CRefPtr(const CRefPtr& other) : m_p(other.m_p) { Take(m_p); }
    CRefPtr(CRefPtr&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    ~CRefPtr() { Drop(); }

    CRefPtr& operator=(const CRefPtr& other)
    {
        if (this != &other && m_p != other.m_p) {
            // The new reference is taken before the old one is dropped, so that dropping cannot
            // destroy what is being assigned.
            T* previous = m_p;
            m_p = other.m_p;
            Take(m_p);
            DropTarget(previous);
        }
        return *this;
    }

    CRefPtr& operator=(CRefPtr&& other) noexcept
    {
        if (this != &other) {
            T* previous = m_p;
            m_p = other.m_p;
            other.m_p = nullptr;
            DropTarget(previous);
        }
        return *this;
    }

    // Stores a raw pointer and takes a reference to it, unless it is the current target.
    CRefPtr& operator=(T* raw)
    {
        if (m_p != raw) {
            T* previous = m_p;
            m_p = raw;
            Take(m_p);
            DropTarget(previous);
        }
        return *this;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    bool IsEmpty() const { return m_p == nullptr; }

private:
    static void Take(T* target)
    {
        if (target != nullptr) {
            target->m_refCount.fetch_add(1, std::memory_order_relaxed);
        }
    }

    static void DropTarget(T* target)
    {
        if (target != nullptr && target->m_refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            delete target;
        }
    }

    void Drop()
    {
        DropTarget(m_p);
        m_p = nullptr;
    }

    T* m_p = nullptr;
};

}  // namespace wmibridge
