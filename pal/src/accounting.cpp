#include "accounting.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::atomic<LONG> g_live[PAL_KIND_COUNT];
std::atomic<LONG> g_faults[PAL_FAULT_COUNT];
std::atomic<LONG> g_spared[PAL_FAULT_COUNT];  // calls that succeed before the faulted ones
std::atomic<LONG> g_apartmentDepthTotal{0};

const char* const kKindNames[PAL_KIND_COUNT] = {
    "BSTR",          "SAFEARRAY",    "CoTaskMem block", "COM object", "class object",    "instance",
    "qualifier set", "locator",      "services",        "enumerator", "client security", "message module",
    "kernel handle", "registry key", "impersonation",
};

}  // namespace

namespace pal {

void CountCreated(PalObjectKind kind)
{
    g_live[kind].fetch_add(1, std::memory_order_relaxed);
}

void CountDestroyed(PalObjectKind kind)
{
    g_live[kind].fetch_sub(1, std::memory_order_relaxed);
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
    g_apartmentDepthTotal.fetch_add(delta, std::memory_order_relaxed);
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
    return g_live[kind].load(std::memory_order_relaxed);
}

PALAPI LONG PalApartmentDepthTotal(void)
{
    return g_apartmentDepthTotal.load(std::memory_order_relaxed);
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
        const LONG live = g_live[kind].load(std::memory_order_relaxed);
        if (live != 0) {
            text += std::to_string(live) + " " + kKindNames[kind] + "; ";
        }
    }
    const LONG depth = g_apartmentDepthTotal.load(std::memory_order_relaxed);
    if (depth != 0) {
        text += "COM initialisation depth " + std::to_string(depth) + "; ";
    }
    if (what != nullptr) {
        *what = text.c_str();
    }
    return text.empty() ? TRUE : FALSE;
}
