// The watch on freed memory of pal/testing.h: a text that freed blocks must no longer hold.
#include <pal/testing.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

#include "freed_text.h"

namespace {

struct Watch {
    std::mutex mutex;
    std::u16string text;
    LONG sightings = 0;
};

// Made once and never destroyed: blocks are freed during the process's exit too.
Watch& TheWatch()
{
    static Watch* const watch = new Watch;
    return *watch;
}

// Checked without the lock first, so that frees cost nothing while no test watches.
std::atomic<bool> g_watching{false};

}  // namespace

namespace pal {

void CheckFreedBlock(const void* block, size_t bytes) noexcept
{
    if (!g_watching.load(std::memory_order_acquire) || block == nullptr) {
        return;
    }
    Watch& watch = TheWatch();
    std::lock_guard lock(watch.mutex);
    const auto* first = static_cast<const unsigned char*>(block);
    const auto* last = first + bytes;
    const auto Holds = [&](std::u16string_view part) {
        const auto* units = reinterpret_cast<const unsigned char*>(part.data());
        return std::search(first, last, units, units + part.size() * sizeof(char16_t)) != last;
    };
    // Either half is enough: a wipe that stops halfway leaves the rest behind.
    const std::u16string_view text = watch.text;
    const size_t half = (text.size() + 1) / 2;
    if (Holds(text.substr(0, half)) || Holds(text.substr(text.size() - half))) {
        ++watch.sightings;
    }
}

}  // namespace pal

PALAPI void PalWatchFreedText(const WCHAR* text)
{
    Watch& watch = TheWatch();
    std::lock_guard lock(watch.mutex);
    watch.text = text != nullptr ? std::u16string(text) : std::u16string();
    watch.sightings = 0;
    g_watching.store(!watch.text.empty(), std::memory_order_release);
}

PALAPI LONG PalFreedTextSightings(void)
{
    Watch& watch = TheWatch();
    std::lock_guard lock(watch.mutex);
    return watch.sightings;
}

PALAPI void PalCheckFreedBlock(const void* block, SIZE_T bytes)
{
    pal::CheckFreedBlock(block, bytes);
}
