// The floors of the JNI benchmarks: natives that do only what any bridge has to do for the same
// result, with no error codes, no handles of their own and no bookkeeping. Bench-only; the bridge
// libraries never contain them.
#include <com_zorvex_kestrin_quilmok_bench_Floors.h>
#include <dirent.h>
#include <fcntl.h>
#include <pal/wmi_testing.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BenchMof.h"
#include "Drain.h"
#include "platform/ComHolders.h"

using wmibridge::CBstr;
using wmibridge::CComRef;
using wmibridge::CVariant;

namespace {

// The buffered objects of one query, handed out as raw pointers.
struct FloorSet {
    std::vector<CComRef<IWbemClassObject>> objects;
    size_t cursor = 0;
};

// Text kept on the native side for the NewString floor.
struct FloorText {
    std::u16string text;
};

template <class T>
T* From(jlong handle)
{
    return reinterpret_cast<T*>(static_cast<intptr_t>(handle));
}

template <class T>
jlong HandleOf(T* object)
{
    return static_cast<jlong>(reinterpret_cast<intptr_t>(object));
}

std::u16string TextOf(JNIEnv* env, jstring string)
{
    std::u16string text(static_cast<size_t>(env->GetStringLength(string)), u'\0');
    env->GetStringRegion(string, 0, static_cast<jsize>(text.size()), reinterpret_cast<jchar*>(text.data()));
    return text;
}

// What the bridge makes of the two kinds of property read: the string itself, or a 32-bit number
// in decimal.
jstring NewText(JNIEnv* env, const VARIANT* value)
{
    if (V_VT(value) == VT_BSTR) {
        return env->NewString(reinterpret_cast<const jchar*>(V_BSTR(value)),
                              static_cast<jsize>(SysStringLen(V_BSTR(value))));
    }
    char digits[16];
    const auto end = V_VT(value) == VT_UI4 ? std::to_chars(digits, digits + sizeof(digits), V_UI4(value)).ptr
                                           : std::to_chars(digits, digits + sizeof(digits), V_I4(value)).ptr;
    jchar units[16];
    for (char* c = digits; c != end; ++c) {
        units[c - digits] = static_cast<jchar>(*c);
    }
    return env->NewString(units, static_cast<jsize>(end - digits));
}

// A file descriptor that closes itself.
class File {
public:
    explicit File(const std::string& path) : m_fd(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~File()
    {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    int Descriptor() const { return m_fd; }

private:
    int m_fd;
};

std::string ReadFile(const std::string& path)
{
    const File file(path);
    std::string text;
    char buffer[4096];
    ssize_t got = 0;
    while (file.Descriptor() >= 0 && (got = read(file.Descriptor(), buffer, sizeof(buffer))) > 0) {
        text.append(buffer, static_cast<size_t>(got));
    }
    return text;
}

}  // namespace

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_loadItems(JNIEnv* env, jclass,
                                                                              jstring nameSpace, jint count)
{
    const std::string mof = bench::BenchItemsMof(count);
    const std::u16string text(mof.begin(), mof.end());
    CBstr error;
    return PalWmiLoadMof(text.c_str(), TextOf(env, nameSpace).c_str(), error.Put());
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_connect(JNIEnv* env, jclass,
                                                                             jstring nameSpace)
{
    // The calling thread stays in the multithreaded apartment for the rest of the run.
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CComRef<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(locator.Put())))) {
        return 0;
    }
    IWbemServices* services = nullptr;
    const CBstr resource(TextOf(env, nameSpace).c_str());
    if (FAILED(locator->ConnectServer(resource.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                      &services))) {
        return 0;
    }
    return HandleOf(services);
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_disconnect(JNIEnv*, jclass,
                                                                               jlong services)
{
    CComRef<IWbemServices> owner(From<IWbemServices>(services));
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_openSet(JNIEnv* env, jclass,
                                                                             jlong services, jstring query)
{
    auto set = std::make_unique<FloorSet>();
    const std::u16string text = TextOf(env, query);
    if (bench::DrainQuery(From<IWbemServices>(services), text.c_str(), [&](CComRef<IWbemClassObject> object) {
            set->objects.push_back(std::move(object));
            return true;
        }) < 0) {
        return 0;
    }
    return HandleOf(set.release());
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_closeSet(JNIEnv*, jclass, jlong set)
{
    std::unique_ptr<FloorSet> owner(From<FloorSet>(set));
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_objectAt(JNIEnv*, jclass, jlong set,
                                                                              jint index)
{
    return HandleOf(From<FloorSet>(set)->objects.at(static_cast<size_t>(index)).Get());
}

JNIEXPORT jboolean JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_hasMore(JNIEnv*, jclass, jlong set)
{
    const FloorSet* floorSet = From<FloorSet>(set);
    return floorSet->cursor != floorSet->objects.size() ? JNI_TRUE : JNI_FALSE;
}

// The walk's protocol with nothing behind it: the holder's set(long), looked up on every call as
// the bridge must, receives the raw pointer.
JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_next(JNIEnv* env, jclass, jlong set,
                                                                          jobject holder)
{
    FloorSet* floorSet = From<FloorSet>(set);
    if (floorSet->cursor == floorSet->objects.size()) {
        return -1;
    }
    jclass holderClass = env->GetObjectClass(holder);
    jmethodID setMethod = env->GetMethodID(holderClass, "set", "(J)V");
    env->DeleteLocalRef(holderClass);
    env->CallVoidMethod(holder, setMethod, HandleOf(floorSet->objects[floorSet->cursor++].Get()));
    return 0;
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_destroy(JNIEnv*, jclass, jlong) {}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_reset(JNIEnv*, jclass, jlong set)
{
    From<FloorSet>(set)->cursor = 0;
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_keepText(JNIEnv* env, jclass,
                                                                              jstring text)
{
    return HandleOf(new FloorText{TextOf(env, text)});
}

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_dropText(JNIEnv*, jclass, jlong text)
{
    std::unique_ptr<FloorText> owner(From<FloorText>(text));
}

// Floor (a): the Java string of a text the native side already has.
JNIEXPORT jstring JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_newString(JNIEnv* env, jclass,
                                                                                 jlong text, jstring, jobject)
{
    const std::u16string& chars = From<FloorText>(text)->text;
    return env->NewString(reinterpret_cast<const jchar*>(chars.data()), static_cast<jsize>(chars.size()));
}

// Floor (b): the name read into a terminated buffer, IWbemClassObject::Get, the Java string.
JNIEXPORT jstring JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_get(JNIEnv* env, jclass, jlong object,
                                                                           jstring name, jobject)
{
    jchar units[128];
    const jsize length = env->GetStringLength(name);
    if (length >= 128) {
        return nullptr;
    }
    env->GetStringRegion(name, 0, length, units);
    units[length] = 0;
    CVariant value;
    if (FAILED(From<IWbemClassObject>(object)->Get(reinterpret_cast<const WCHAR*>(units), 0, value.Address(),
                                                   nullptr, nullptr))) {
        return nullptr;
    }
    return NewText(env, value.Get());
}

// The Win32_Process floor: what the emulator's provider reads of each process, read directly from
// /proc, and each process's name and id as Java strings. Returns the number of processes.
JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_bench_Floors_readProc(JNIEnv* env, jclass)
{
    std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), closedir);
    if (proc == nullptr) {
        return -1;
    }
    jint count = 0;
    while (const dirent* entry = readdir(proc.get())) {
        const std::string pid = entry->d_name;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const std::string directory = "/proc/" + pid;
        const std::string stat = ReadFile(directory + "/stat");
        const size_t open = stat.find('(');
        const size_t close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) {
            continue;
        }
        char target[4096];
        const ssize_t linked = readlink((directory + "/exe").c_str(), target, sizeof(target));
        const std::string commandLine = ReadFile(directory + "/cmdline");
        struct stat owner {};
        if (::stat(directory.c_str(), &owner) != 0) {
            continue;
        }
        std::string name = stat.substr(open + 1, close - open - 1);
        if (linked > 0) {
            const std::string path(target, static_cast<size_t>(linked));
            name = path.substr(path.rfind('/') + 1);
        }
        const std::u16string name16(name.begin(), name.end());
        const std::u16string pid16(pid.begin(), pid.end());
        jstring nameText =
            env->NewString(reinterpret_cast<const jchar*>(name16.data()), static_cast<jsize>(name16.size()));
        jstring pidText =
            env->NewString(reinterpret_cast<const jchar*>(pid16.data()), static_cast<jsize>(pid16.size()));
        env->DeleteLocalRef(nameText);
        env->DeleteLocalRef(pidText);
        ++count;
    }
    return count;
}
