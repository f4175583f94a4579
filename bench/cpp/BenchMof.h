// The benchmarks' data: MOF text declaring a keyed class and `count` instances of it.
#pragma once

#include <string>

namespace bench {

// `class Bench_Item { [key] string Name; uint32 Value; string Label; };` and instances whose
// Name is "item<i>", Value is i % 100 and Label a short text. Value = 7 selects one in a hundred.
std::string BenchItemsMof(int count);

// ASCII text as UTF-16.
inline std::u16string Widen(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

}  // namespace bench
