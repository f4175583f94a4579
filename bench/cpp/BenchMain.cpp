// The C++ benchmarks' main: runs every benchmark with its repetitions interleaved at random, then
// prints each figure as the ratio of a median to the median of its floor, measured in the same run.
#include <benchmark/benchmark.h>
#include <pal/wmi_testing.h>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "BenchMof.h"
#include "BenchSupport.h"
#include "Drain.h"

namespace bench {

std::u16string BenchNamespace(int count)
{
    static std::mutex mutex;
    static std::map<int, std::u16string> loaded;
    std::lock_guard lock(mutex);
    auto found = loaded.find(count);
    if (found != loaded.end()) {
        return found->second;
    }
    const std::u16string nameSpace = u"root\\bench" + Widen(std::to_string(count));
    const std::u16string mof = Widen(BenchItemsMof(count));
    CBstr error;
    if (FAILED(PalWmiLoadMof(mof.c_str(), nameSpace.c_str(), error.Put()))) {
        std::fprintf(stderr, "bench data does not load\n");
    }
    loaded.emplace(count, nameSpace);
    return nameSpace;
}

CComRef<IWbemServices> Connect(const std::u16string& nameSpace)
{
    CComRef<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(locator.Put())))) {
        return {};
    }
    CComRef<IWbemServices> services;
    const CBstr resource(nameSpace.c_str());
    if (FAILED(locator->ConnectServer(resource.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                      services.Put()))) {
        return {};
    }
    return services;
}

CComRef<IWbemServices> ConnectForBench(benchmark::State& state, int count)
{
    CComRef<IWbemServices> services = Connect(BenchNamespace(count));
    if (!services) {
        state.SkipWithError("connect failed");
    }
    return services;
}

int DrainQuery(IWbemServices* services, const std::u16string& query)
{
    return DrainQuery(services, query.c_str(), [](CComRef<IWbemClassObject>) { return true; });
}

}  // namespace bench

namespace {

struct Figure {
    const char* name;
    const char* measured;
    const char* floor;
    double target;  // the ratio must stay at or below it; 0: no target
};

// The C++ figures: what is measured, its floor, and the target of the ratio.
const Figure kFigures[] = {
    {"collect_100", "collect/bridge/100", "collect/drain/100", 1.1},
    {"collect_1000", "collect/bridge/1000", "collect/drain/1000", 1.1},
    {"mof_load_10k_vs_1k", "emulator/mof_load/10000", "emulator/mof_load/1000", 0},
    {"mof_load_100k_vs_10k", "emulator/mof_load/100000", "emulator/mof_load/10000", 12},
    {"query_10k_vs_1k", "emulator/query/10000", "emulator/query/1000", 0},
    {"query_100k_vs_10k", "emulator/query/100000", "emulator/query/10000", 12},
    {"get_object_100k_vs_1k", "emulator/get_object/100000", "emulator/get_object/1000", 0},
};

// Keeps the median of every benchmark (CPU time, and its counters) besides printing as usual.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                std::string name = run.benchmark_name();
                name.resize(name.size() - std::strlen("_median"));
                medians[name] = run;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, Run> medians;
};

// Added to the names of the figures of a run with --fresh-pages.
std::string figureSuffix;

// A median's CPU time in microseconds.
double Microseconds(const benchmark::BenchmarkReporter::Run& run)
{
    return run.GetAdjustedCPUTime() * 1e6 / benchmark::GetTimeUnitMultiplier(run.time_unit);
}

void PrintFigures(const MedianReporter& reporter)
{
    std::printf("\n");
    for (const Figure& figure : kFigures) {
        const auto measured = reporter.medians.find(figure.measured);
        const auto floor = reporter.medians.find(figure.floor);
        if (measured == reporter.medians.end() || floor == reporter.medians.end()) {
            continue;
        }
        const double a = Microseconds(measured->second);
        const double b = Microseconds(floor->second);
        const double ratio = a / b;
        std::printf("FIGURE %s%s %.3f  (%s %.1f us / floor %s %.1f us, CPU-time medians)", figure.name,
                    figureSuffix.c_str(), ratio, figure.measured, a, figure.floor, b);
        if (figure.target > 0 && figureSuffix.empty()) {
            std::printf("  target <= %.2f: %s", figure.target, ratio <= figure.target ? "met" : "MISSED");
        }
        std::printf("\n");
    }
    for (const auto& [name, run] : reporter.medians) {
        const auto bytes = run.counters.find("bytes_per_instance");
        if (bytes != run.counters.end()) {
            const double instances = std::stod(name.substr(name.rfind('/') + 1));
            std::printf("VALUE %s%s: %.2f us and %.0f heap bytes per instance\n", name.c_str(),
                        figureSuffix.c_str(), Microseconds(run) / instances,
                        static_cast<double>(bytes->second));
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // Every benchmark runs on this thread, in the multithreaded apartment, as a JVM thread would.
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        return 1;
    }
    // The heap keeps what it frees, so that every size of a benchmark reuses memory as a process
    // that has run for a while does; without it, loads of 100k instances each touch fresh pages
    // from the system, which loads of 10k, freed and made again within the heap, do not.
    // --fresh-pages measures that way instead.
    bool freshPages = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fresh-pages") == 0) {
            freshPages = true;
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
            break;
        }
    }
    if (!freshPages) {
        mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    }
    figureSuffix = freshPages ? "_fresh_pages" : "";
    // Defaults that the command line may override: repetitions interleaved at random, medians.
    static char repetitions[] = "--benchmark_repetitions=7";
    static char interleaving[] = "--benchmark_enable_random_interleaving=true";
    static char aggregates[] = "--benchmark_report_aggregates_only=true";
    std::vector<char*> arguments{argv[0], repetitions, interleaving, aggregates};
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(argv[i]);
    }
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) {
        return 1;
    }
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintFigures(reporter);
    benchmark::Shutdown();
    CoUninitialize();
    return 0;
}
