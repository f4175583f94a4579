#include "BenchMof.h"

namespace bench {

std::string BenchItemsMof(int count)
{
    std::string mof = "class Bench_Item { [key] string Name; uint32 Value; string Label; };\n";
    mof.reserve(mof.size() + static_cast<size_t>(count) * 80);
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        mof += "instance of Bench_Item { Name = \"item" + n + "\"; Value = " + std::to_string(i % 100) +
               "; Label = \"label of item " + n + "\"; };\n";
    }
    return mof;
}

}  // namespace bench
