// The WMI emulator at scale: loading MOF with 1k, 10k and 100k instances (time and heap bytes per
// instance), a query over them, and an instance fetched by its key.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>

#include "BenchMof.h"
#include "BenchSupport.h"
#include "repository/repository.h"

namespace {

// Bytes the heap hands out at the moment.
size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

void MofLoad(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const std::u16string mof = bench::Widen(bench::BenchItemsMof(count));
    double bytesPerInstance = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const size_t before = HeapInUse();
        state.ResumeTiming();
        auto repository = std::make_unique<pal::wmi::Repository>(u"BENCHHOST");
        std::u16string error;
        if (FAILED(repository->LoadMof(mof, u"root\\bench", &error))) {
            state.SkipWithError("MOF does not load");
            break;
        }
        state.PauseTiming();
        bytesPerInstance = static_cast<double>(HeapInUse() - before) / count;
        repository.reset();
        state.ResumeTiming();
    }
    state.counters["bytes_per_instance"] = bytesPerInstance;
    state.SetItemsProcessed(state.iterations() * count);
}

void Query(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    CComRef<IWbemServices> services = bench::ConnectForBench(state, count);
    if (!services) {
        return;
    }
    for (auto _ : state) {
        if (bench::DrainQuery(services.Get(), u"SELECT * FROM Bench_Item WHERE Value = 7") != count / 100) {
            state.SkipWithError("query failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void GetObjectByKey(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    CComRef<IWbemServices> services = bench::ConnectForBench(state, count);
    if (!services) {
        return;
    }
    const std::u16string pathText =
        u"Bench_Item.Name=\"item" + bench::Widen(std::to_string(count / 2)) + u"\"";
    const CBstr path(pathText.c_str());
    for (auto _ : state) {
        CComRef<IWbemClassObject> object;
        if (FAILED(services->GetObject(path.Get(), 0, nullptr, object.Put(), nullptr))) {
            state.SkipWithError("GetObject failed");
            break;
        }
    }
}

}  // namespace

BENCHMARK(MofLoad)
    ->Name("emulator/mof_load")
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Query)->Name("emulator/query")->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(GetObjectByKey)
    ->Name("emulator/get_object")
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);
