// The scenario host: loads the bridge DLLs as a JVM would and runs the named scenario groups
// against the WMI of the system it runs on.
//   scenario_host <directory of the DLLs> [scenario...]   (no names: every scenario)
//   scenario_host <directory of the DLLs> --bench          (the timed benchmark of scripts/bench.sh)
#include <cstdio>
#include <cstring>
#include <string>

#include "Scenario.h"
#include "WindowsBench.h"

namespace {

// A Unix path given by the build (under Wine) becomes a path on Wine's drive Z:.
std::u16string WindowsPath(const char* path)
{
    std::u16string converted = path[0] == '/' ? u"Z:" : u"";
    for (const char* c = path; *c != '\0'; ++c) {
        converted += *c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(*c));
    }
    return converted;
}

bool Selected(const char* name, int argc, char** argv)
{
    if (argc <= 2) {
        return true;
    }
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::printf("usage: scenario_host <dll directory> [scenario...]\n");
        return 2;
    }
    scenario::BridgeExports exports;
    const auto missing = scenario::LoadBridge(WindowsPath(argv[1]), exports);
    for (const auto& what : missing) {
        std::printf("cannot bind %s\n", what.c_str());
    }
    if (!missing.empty()) {
        return 1;
    }
    if (argc == 3 && std::strcmp(argv[2], "--bench") == 0) {
        return scenario::RunWindowsBench(exports);
    }
    int ran = 0;
    for (const auto& named : scenario::Scenarios()) {
        if (!Selected(named.name, argc, argv)) {
            continue;
        }
        const int before = scenario::FailureCount();
        std::printf("[ RUN  ] %s\n", named.name);
        std::fflush(stdout);
        scenario::Context context(exports);
        named.body(context);
        std::printf("[ %s ] %s\n", scenario::FailureCount() == before ? " OK " : "FAIL", named.name);
        std::fflush(stdout);
        ++ran;
    }
    if (ran == 0) {
        std::printf("no scenario matched\n");
        return 2;
    }
    return scenario::FailureCount() == 0 ? 0 : 1;
}
