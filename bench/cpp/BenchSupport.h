// What the C++ benchmarks share: the local repository filled with bench data, a WMI session of
// the benchmark's own, and the figures that BenchMain prints as ratios.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

#include "platform/ComHolders.h"
#include "platform/platform.h"

using wmibridge::CBstr;
using wmibridge::CComRef;
using wmibridge::CVariant;

namespace bench {

// The namespace root\bench<count>, holding `count` Bench_Item instances, loaded once.
std::u16string BenchNamespace(int count);

// IWbemServices on a namespace of the local machine, through the locator, as a client connects.
CComRef<IWbemServices> Connect(const std::u16string& nameSpace);

// A session on BenchNamespace(count); empty, with the benchmark skipped, when it cannot be made.
CComRef<IWbemServices> ConnectForBench(benchmark::State& state, int count);

// ExecQuery (forward-only) and Next in batches of 10, releasing every object: WMI's own cost of
// a query that a client drains. Returns the number of objects.
int DrainQuery(IWbemServices* services, const std::u16string& query);

}  // namespace bench
