// Collecting the objects of a query: WmiServiceExecQuery (with the destroy of its result set)
// against a C++ loop that drains the same query's enumerator and releases each object.
#include <benchmark/benchmark.h>
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector.h>

#include <FakeJni.h>

#include "BenchSupport.h"

#define CONNECTOR(name) Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_##name

namespace {

const std::u16string kAllItems = u"SELECT * FROM Bench_Item";

void CollectBridge(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const std::u16string nameSpace = bench::BenchNamespace(count);
    fakejni::Env fake;
    jobject sessionHolder = fake.NewHolder();
    if (CONNECTOR(WmiServiceConnectServer)(fake.env(), nullptr, fake.NewString(nameSpace), nullptr, nullptr,
                                           nullptr, sessionHolder) != 0) {
        state.SkipWithError("connect failed");
        return;
    }
    const jlong session = fake.HolderOf(sessionHolder).values.at(0);
    jstring query = fake.NewString(kAllItems);
    jobject holder = fake.NewHolder();
    std::vector<jlong>& received = fake.HolderOf(holder).values;
    for (auto _ : state) {
        received.clear();
        if (CONNECTOR(WmiServiceExecQuery)(fake.env(), nullptr, session, query, holder) != 0 ||
            CONNECTOR(WmiObjectEnumObjectCount)(fake.env(), nullptr, received.at(0)) != count) {
            state.SkipWithError("query failed");
            break;
        }
        CONNECTOR(WmiObjectEnumDestroy)(fake.env(), nullptr, received.at(0));
    }
    CONNECTOR(WmiServiceDisconnectServer)(fake.env(), nullptr, session);
    state.SetItemsProcessed(state.iterations() * count);
}

void CollectDrain(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    CComRef<IWbemServices> services = bench::ConnectForBench(state, count);
    if (!services) {
        return;
    }
    for (auto _ : state) {
        if (bench::DrainQuery(services.Get(), kAllItems) != count) {
            state.SkipWithError("query failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
}

}  // namespace

BENCHMARK(CollectBridge)->Name("collect/bridge")->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(CollectDrain)->Name("collect/drain")->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
