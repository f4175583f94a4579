#include "BridgeExports.h"

#include <windows.h>

#include <bit>

#define BRIDGE_STRINGIFY2(text) #text
#define BRIDGE_STRINGIFY(text) BRIDGE_STRINGIFY2(text)

namespace scenario {

namespace {

HMODULE Load(const std::u16string& directory, const char16_t* file, std::vector<std::string>& missing)
{
    const std::u16string path = directory + u"\\" + file;
    HMODULE module = LoadLibraryW(reinterpret_cast<LPCWSTR>(path.c_str()));
    if (module == nullptr) {
        missing.push_back("library " + std::string(path.begin(), path.end()) + " (error " +
                          std::to_string(GetLastError()) + ")");
    }
    return module;
}

template <class Function>
void Bind(HMODULE module, const char* symbol, Function& function, std::vector<std::string>& missing)
{
    FARPROC address = module != nullptr ? GetProcAddress(module, symbol) : nullptr;
    if (address == nullptr) {
        missing.push_back(std::string("export ") + symbol);
        return;
    }
    function = std::bit_cast<Function>(address);
}

}  // namespace

std::vector<std::string> LoadBridge(const std::u16string& directory, BridgeExports& exports)
{
    std::vector<std::string> missing;
    // The libraries stay loaded for the life of the process, as in a JVM.
    HMODULE connector = Load(directory, u"wmijni.dll", missing);
    HMODULE credentials = Load(directory, u"wmicred.dll", missing);
#define BRIDGE_BIND_EXPORT(name) \
    Bind(connector, BRIDGE_STRINGIFY(BRIDGE_CONNECTOR(name)), exports.name, missing);
    BRIDGE_CONNECTOR_EXPORTS(BRIDGE_BIND_EXPORT)
#undef BRIDGE_BIND_EXPORT
#define BRIDGE_BIND_EXTENSION(name) \
    Bind(connector, BRIDGE_STRINGIFY(BRIDGE_EXTENSIONS(name)), exports.name, missing);
    BRIDGE_EXTENSIONS_EXPORTS(BRIDGE_BIND_EXTENSION)
#undef BRIDGE_BIND_EXTENSION
    Bind(connector, "Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiError_Win32Format", exports.Win32Format,
         missing);
    Bind(credentials, "Java_com_zorvex_kestrin_quilmok_lib_wmic_WmiConnectionPool_nativeVerifyCredentials",
         exports.nativeVerifyCredentials, missing);
    return missing;
}

}  // namespace scenario
