#include "accounting.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Every thread counts in a shard of its own, a cache line that no other thread writes, so that
// counting takes no locked instruction and threads that make and free objects at once do not
// contend for one line. A count is the sum over all shards; only the tests read it. A thread gives
// its shard (with the counts in it) back when it ends, for the next new thread to count on.
struct alignas(64) Shard {
    // Live objects of each kind, then the COM initialisation depth.
    std::atomic<LONG> counts[PAL_KIND_COUNT + 1];
};
constexpr int kApartmentDepth = PAL_KIND_COUNT;

void Add(std::atomic<LONG>& count, LONG delta)
{
    // The owning thread is the only writer: a plain read and write, which readers may see late.
    count.store(count.load(std::memory_order_relaxed) + delta, std::memory_order_relaxed);
}

struct Shards {
    std::mutex mutex;
    std::vector<Shard*> all;   // never freed: their counts stay part of the totals
    std::vector<Shard*> free;  // of ended threads
    Shard orphan;              // counts of a thread that has already given its shard back (atomic adds)
};

// Made once and never destroyed, so that threads ending during the process's exit still count.
Shards& TheShards()
{
    static Shards* const shards = new Shards;
    return *shards;
}

thread_local Shard* t_shard = nullptr;
thread_local bool t_shardReturned = false;

struct ShardReturn {
    bool armed = false;
    ~ShardReturn()
    {
        if (t_shard != nullptr) {
            Shards& shards = TheShards();
            std::lock_guard lock(shards.mutex);
            shards.free.push_back(t_shard);
        }
        t_shard = nullptr;
        t_shardReturned = true;
    }
};
thread_local ShardReturn t_shardReturn;

// The calling thread's shard; null once the thread has given it back.
Shard* ThisThreadsShard()
{
    if (Shard* shard = t_shard) {
        return shard;
    }
    if (t_shardReturned) {
        return nullptr;
    }
    Shards& shards = TheShards();
    {
        std::lock_guard lock(shards.mutex);
        if (!shards.free.empty()) {
            t_shard = shards.free.back();
            shards.free.pop_back();
        } else {
            // Without memory for a shard of its own the thread counts in the shared one, so that the
            // exported functions that count never throw.
            std::unique_ptr<Shard> shard(new (std::nothrow) Shard());
            if (shard == nullptr) {
                return nullptr;
            }
            try {
                shards.all.push_back(shard.get());
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
            t_shard = shard.release();
        }
    }
    t_shardReturn.armed = true;  // its destructor gives the shard back when the thread ends
    return t_shard;
}

void Count(int index, LONG delta)
{
    Shard* shard = ThisThreadsShard();
    if (shard == nullptr) {
        TheShards().orphan.counts[index].fetch_add(delta, std::memory_order_relaxed);
        return;
    }
    Add(shard->counts[index], delta);
}

LONG Total(int index)
{
    Shards& shards = TheShards();
    std::lock_guard lock(shards.mutex);
    LONG total = shards.orphan.counts[index].load(std::memory_order_relaxed);
    for (const Shard* shard : shards.all) {
        total += shard->counts[index].load(std::memory_order_relaxed);
    }
    return total;
}

std::atomic<LONG> g_faults[PAL_FAULT_COUNT];
std::atomic<LONG> g_spared[PAL_FAULT_COUNT];  // calls that succeed before the faulted ones

const char* const kKindNames[PAL_KIND_COUNT] = {
    "BSTR",          "SAFEARRAY",    "CoTaskMem block", "COM object",   "class object",    "instance",
    "qualifier set", "locator",      "services",        "enumerator",   "client security", "message module",
    "kernel handle", "registry key", "impersonation",   "event poller", "context",
};

}  // namespace

namespace pal {

void CountCreated(PalObjectKind kind)
{
    Count(kind, 1);
}

void CountDestroyed(PalObjectKind kind)
{
    Count(kind, -1);
}

bool TakeFault(PalFault fault)
{
    LONG spared = g_spared[fault].load(std::memory_order_relaxed);
    while (spared > 0) {
        if (g_spared[fault].compare_exchange_weak(spared, spared - 1, std::memory_order_relaxed)) {
            return false;
        }
    }
    LONG left = g_faults[fault].load(std::memory_order_relaxed);
    while (left > 0) {
        if (g_faults[fault].compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
            return true;
        }
    }
    return false;
}

void AddApartmentDepth(LONG delta)
{
    Count(kApartmentDepth, delta);
}

void Fatal(const char* what)
{
    std::fprintf(stderr, "platform layer: %s\n", what);
    std::abort();
}

}  // namespace pal

PALAPI LONG PalLiveCount(int kind)
{
    if (kind < 0 || kind >= PAL_KIND_COUNT) {
        return -1;
    }
    return Total(kind);
}

PALAPI LONG PalApartmentDepthTotal(void)
{
    return Total(kApartmentDepth);
}

PALAPI void PalFailNext(int fault, LONG count)
{
    PalFailAfter(fault, 0, count);
}

PALAPI void PalFailAfter(int fault, LONG spared, LONG count)
{
    if (fault >= 0 && fault < PAL_FAULT_COUNT) {
        g_spared[fault].store(spared < 0 ? 0 : spared, std::memory_order_relaxed);
        g_faults[fault].store(count < 0 ? 0 : count, std::memory_order_relaxed);
    }
}

PALAPI void PalResetFaults(void)
{
    for (int fault = 0; fault < PAL_FAULT_COUNT; ++fault) {
        PalFailAfter(fault, 0, 0);
    }
}

PALAPI BOOL PalNothingAlive(const char** what)
{
    thread_local std::string text;
    text.clear();
    for (int kind = 0; kind < PAL_KIND_COUNT; ++kind) {
        const LONG live = Total(kind);
        if (live != 0) {
            text += std::to_string(live) + " " + kKindNames[kind] + "; ";
        }
    }
    const LONG depth = Total(kApartmentDepth);
    if (depth != 0) {
        text += "COM initialisation depth " + std::to_string(depth) + "; ";
    }
    if (what != nullptr) {
        *what = text.c_str();
    }
    return text.empty() ? TRUE : FALSE;
}
