// What the fuzzers share: their input as UTF-16 text, and the platform layer's live objects.
#pragma once

#include <pal/testing.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzing {

// Each byte is one unit (so corpus files stay readable text), except that 0xFF followed by two
// bytes is the unit they spell, high byte first: any unit, NUL and lone surrogates included, can
// be reached.
inline std::u16string Utf16Of(const std::uint8_t* data, std::size_t size)
{
    std::u16string text;
    text.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 2 < size) {
            text.push_back(static_cast<char16_t>((data[i + 1] << 8) | data[i + 2]));
            i += 2;
        } else {
            text.push_back(static_cast<char16_t>(data[i]));
        }
    }
    return text;
}

// Live objects of every kind, so that an input after which one more stays alive is a finding.
inline std::vector<LONG> LiveCounts()
{
    std::vector<LONG> counts;
    for (int kind = 0; kind < PAL_KIND_COUNT; ++kind) {
        counts.push_back(PalLiveCount(kind));
    }
    return counts;
}

}  // namespace fuzzing
