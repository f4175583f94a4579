#include "wmi/EnumerationLock.h"

#include <array>
#include <cstdint>

namespace wmibridge {
namespace {

constexpr size_t kStripes = 64;

std::mutex& StripeOf(const IWbemClassObject* object) noexcept
{
    static std::array<std::mutex, kStripes> s_stripes;
    // Objects are at least 16 bytes apart; the multiplication spreads neighbouring addresses over
    // the whole table.
    const auto address = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(object));
    const uint64_t mixed = (address >> 4) * 0x9E3779B97F4A7C15ull;
    return s_stripes[static_cast<size_t>(mixed >> 58) % kStripes];
}

}  // namespace

CEnumerationLock::CEnumerationLock(const IWbemClassObject* object) noexcept : m_guard(StripeOf(object)) {}

}  // namespace wmibridge
