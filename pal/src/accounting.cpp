#include "accounting.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The counts are spread over shards of a cache line each, and every thread counts in its own
// shard, so that threads that make and free objects at once do not contend for one line. A count
// is the sum over the shards; only the tests read it.
struct alignas(64) Shard {
    std::atomic<LONG> live[PAL_KIND_COUNT];
    std::atomic<LONG> apartmentDepth;
};
constexpr unsigned kShards = 16;
Shard g_shards[kShards];
std::atomic<unsigned> g_nextShard{0};

Shard& ThisThreadsShard()
{
    thread_local Shard* const shard =
        &g_shards[g_nextShard.fetch_add(1, std::memory_order_relaxed) % kShards];
    return *shard;
}

LONG LiveTotal(int kind)
{
    LONG total = 0;
    for (const Shard& shard : g_shards) {
        total += shard.live[kind].load(std::memory_order_relaxed);
    }
    return total;
}

LONG ApartmentDepthTotal()
{
    LONG total = 0;
    for (const Shard& shard : g_shards) {
        total += shard.apartmentDepth.load(std::memory_order_relaxed);
    }
    return total;
}

std::atomic<LONG> g_faults[PAL_FAULT_COUNT];
std::atomic<LONG> g_spared[PAL_FAULT_COUNT];  // calls that succeed before the faulted ones

const char* const kKindNames[PAL_KIND_COUNT] = {
    "BSTR",          "SAFEARRAY",    "CoTaskMem block", "COM object", "class object",    "instance",
    "qualifier set", "locator",      "services",        "enumerator", "client security", "message module",
    "kernel handle", "registry key", "impersonation",
};

}  // namespace

namespace pal {

void CountCreated(PalObjectKind kind)
{
    ThisThreadsShard().live[kind].fetch_add(1, std::memory_order_relaxed);
}

void CountDestroyed(PalObjectKind kind)
{
    ThisThreadsShard().live[kind].fetch_sub(1, std::memory_order_relaxed);
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
    ThisThreadsShard().apartmentDepth.fetch_add(delta, std::memory_order_relaxed);
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
    return LiveTotal(kind);
}

PALAPI LONG PalApartmentDepthTotal(void)
{
    return ApartmentDepthTotal();
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
        const LONG live = LiveTotal(kind);
        if (live != 0) {
            text += std::to_string(live) + " " + kKindNames[kind] + "; ";
        }
    }
    const LONG depth = ApartmentDepthTotal();
    if (depth != 0) {
        text += "COM initialisation depth " + std::to_string(depth) + "; ";
    }
    if (what != nullptr) {
        *what = text.c_str();
    }
    return text.empty() ? TRUE : FALSE;
}
