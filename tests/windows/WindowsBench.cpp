#include "WindowsBench.h"

#include <FakeJni.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "Drain.h"
#include "platform/ComHolders.h"
#include "platform/platform.h"

using wmibridge::CBstr;
using wmibridge::CComRef;
using wmibridge::CVariant;

namespace scenario {
namespace {

constexpr int kWarmUpRounds = 5;
constexpr int kRounds = 31;
constexpr double kTarget = 1.1;
const std::u16string kQuery = u"SELECT * FROM Win32_Process";

// What the bridge makes of a Name or ProcessId value: the text as a Java string.
jstring NewText(JNIEnv* env, const VARIANT* value)
{
    if (V_VT(value) == VT_BSTR) {
        return env->NewString(reinterpret_cast<const jchar*>(V_BSTR(value)),
                              static_cast<jsize>(SysStringLen(V_BSTR(value))));
    }
    jchar digits[12];
    jsize length = 0;
    auto number =
        static_cast<unsigned long>(V_VT(value) == VT_UI4 ? V_UI4(value) : static_cast<ULONG>(V_I4(value)));
    do {
        digits[length++] = static_cast<jchar>(u'0' + number % 10);
        number /= 10;
    } while (number != 0);
    std::reverse(digits, digits + length);
    return env->NewString(digits, length);
}

// One round through the exports: the query, the walk, two reads per process, the frees.
int BridgeRound(const BridgeExports& api, jlong session)
{
    fakejni::Env jni;
    JNIEnv* env = jni.env();
    jobject holder = jni.NewHolder();
    std::vector<jlong>& received = jni.HolderOf(holder).values;
    if (api.WmiServiceExecQuery(env, nullptr, session, jni.NewString(kQuery), holder) != 0) {
        return -1;
    }
    const jlong set = received.back();
    jstring name = jni.NewString(u"Name");
    jstring processId = jni.NewString(u"ProcessId");
    int count = 0;
    while (api.WmiObjectEnumHasMoreObjects(env, nullptr, set) == JNI_TRUE) {
        api.WmiObjectEnumNextObject(env, nullptr, set, holder);
        const jlong object = received.back();
        if (api.WmiObjectGetProperty(env, nullptr, object, name, holder) == nullptr ||
            api.WmiObjectGetProperty(env, nullptr, object, processId, holder) == nullptr) {
            count = -1;
        }
        api.WmiObjectDestroy(env, nullptr, object);
        if (count >= 0) {
            ++count;
        }
    }
    api.WmiObjectEnumDestroy(env, nullptr, set);
    return count;
}

// The same work in direct COM calls: the query, Next in batches, Get and the Java string of each
// value, the releases.
int DirectRound(IWbemServices* services)
{
    fakejni::Env jni;
    JNIEnv* env = jni.env();
    return bench::DrainQuery(
        services, reinterpret_cast<const WCHAR*>(kQuery.c_str()), [env](CComRef<IWbemClassObject> object) {
            CVariant name;
            CVariant processId;
            return SUCCEEDED(object->Get(W("Name"), 0, name.Address(), nullptr, nullptr)) &&
                   SUCCEEDED(object->Get(W("ProcessId"), 0, processId.Address(), nullptr, nullptr)) &&
                   NewText(env, name.Get()) != nullptr && NewText(env, processId.Get()) != nullptr;
        });
}

// Collection only: WmiServiceExecQuery and the destroy of its result set.
int BridgeCollect(const BridgeExports& api, jlong session)
{
    fakejni::Env jni;
    jobject holder = jni.NewHolder();
    if (api.WmiServiceExecQuery(jni.env(), nullptr, session, jni.NewString(kQuery), holder) != 0) {
        return -1;
    }
    const jlong set = jni.HolderOf(holder).values.back();
    const int count = api.WmiObjectEnumObjectCount(jni.env(), nullptr, set);
    api.WmiObjectEnumDestroy(jni.env(), nullptr, set);
    return count;
}

// Its floor: the same query's enumerator drained, each object released.
int DirectDrain(IWbemServices* services)
{
    return bench::DrainQuery(services, reinterpret_cast<const WCHAR*>(kQuery.c_str()),
                             [](CComRef<IWbemClassObject>) { return true; });
}

CComRef<IWbemServices> ConnectDirect()
{
    CComRef<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(locator.Put())))) {
        return {};
    }
    CComRef<IWbemServices> services;
    const CBstr resource(W("root\\cimv2"));
    if (FAILED(locator->ConnectServer(resource.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                      services.Put()))) {
        return {};
    }
    return services;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs the variants in interleaved rounds after a warm-up and prints the figure of the first
// against the second. False when a round failed.
bool Compare(const char* name, const char* what, const char* floorWhat, const std::function<int()>& measured,
             const std::function<int()>& floor)
{
    const std::function<int()>* variants[] = {&measured, &floor};
    std::vector<double> times[2];
    int processes = 0;
    for (int round = 0; round < kWarmUpRounds + kRounds; ++round) {
        for (size_t k = 0; k < 2; ++k) {
            const size_t v = (k + static_cast<size_t>(round)) % 2;
            const auto start = std::chrono::steady_clock::now();
            const int count = (*variants[v])();
            const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
            if (count <= 0) {
                std::printf("bench: a round of %s failed\n", name);
                return false;
            }
            processes = count;
            if (round >= kWarmUpRounds) {
                times[v].push_back(took.count());
            }
        }
    }
    const double a = Median(times[0]);
    const double b = Median(times[1]);
    const double ratio = a / b;
    std::printf(
        "FIGURE %s %.3f  (%s %.0f us / floor %s %.0f us per query of %d processes; medians of %d "
        "interleaved rounds)  target <= %.2f: %s\n",
        name, ratio, what, a, floorWhat, b, processes, kRounds, kTarget, ratio <= kTarget ? "met" : "MISSED");
    return true;
}

}  // namespace

int RunWindowsBench(const BridgeExports& api)
{
    fakejni::Env jni;
    jobject holder = jni.NewHolder();
    // The bridge's connect enters the multithreaded apartment and sets the process security first.
    if (api.WmiServiceConnectServer(jni.env(), nullptr, jni.NewString(u"root\\cimv2"), nullptr, nullptr,
                                    nullptr, holder) != 0) {
        std::printf("bench: connect through the bridge failed\n");
        return 1;
    }
    const jlong session = jni.HolderOf(holder).values.back();
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    bool made = false;
    {
        CComRef<IWbemServices> services = ConnectDirect();
        made = services &&
               Compare(
                   "wine_win32_process", "wmijni.dll query, walk, Name and ProcessId", "direct COM",
                   [&] { return BridgeRound(api, session); }, [&] { return DirectRound(services.Get()); }) &&
               Compare(
                   "wine_collect", "wmijni.dll WmiServiceExecQuery and destroy", "draining the enumerator",
                   [&] { return BridgeCollect(api, session); }, [&] { return DirectDrain(services.Get()); });
    }
    if (SUCCEEDED(initialised)) {
        CoUninitialize();
    }
    api.WmiServiceDisconnectServer(jni.env(), nullptr, session);
    return made ? 0 : 1;
}

}  // namespace scenario
