// wmicapture: writes what a WMI namespace serves (classes and their instances) as MOF, which the
// platform layer's emulator loads unchanged.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "wmicapture/Capture.h"
#include "errors/ErrorText.h"
#include "wmi/WmiService.h"

#ifdef _WIN32
#include <shellapi.h>
#else
#include <unistd.h>

#include <cstdlib>
#endif

namespace {

using wmicapture::Text;
using wmicapture::TextView;

constexpr int kExitWritten = 0;
constexpr int kExitWmiError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitOutput = 3;

constexpr char kUsage[] =
    "Usage: wmicapture [options] [CLASS...]\n"
    "Writes the classes of a WMI namespace and their instances as MOF. Without classes, every class\n"
    "that is not a system class (with all instances: mind --limit on a real machine).\n"
    "\n"
    "  -n, --namespace NS        the namespace (default root\\cimv2)\n"
    "  -H, --host HOST           the machine (default this one)\n"
    "  -u, --user USER           DOMAIN\\user or user@domain, with the password from\n"
    "      --password-env VAR      the environment variable VAR, or\n"
    "      --password-stdin        the first line of standard input\n"
    "      --authority AUTH      kerberos:<principal> or ntlmdomain:<domain>\n"
    "  -w, --where CLASS:COND    only the instances of CLASS that meet the WQL condition COND;\n"
    "                            {pid} in COND stands for this program's process id\n"
    "  -l, --limit N             at most N instances per class\n"
    "  -d, --definitions-only    the classes without instances\n"
    "      --as-namespace NS     the namespace the MOF names (default the captured one)\n"
    "  -o, --output FILE         write to FILE (default standard output)\n"
    "  -h, --help                this text\n"
    "\n"
    "A superclass is written before its subclasses; system classes (__*) are not written. Exit\n"
    "codes: 0 written, 1 WMI error, 2 usage error, 3 the output cannot be written.\n";

void PrintError(const std::string& message)
{
    std::fprintf(stderr, "wmicapture: %s\n", message.c_str());
}

std::string Describe(HRESULT hr)
{
    WCHAR buffer[wmibridge::kErrorTextUnits];
    wmibridge::FormatErrorMessage(static_cast<uint32_t>(hr), buffer, wmibridge::kErrorTextCapacity);
    char hex[16];
    std::snprintf(hex, sizeof(hex), "0x%08lX", static_cast<unsigned long>(static_cast<uint32_t>(hr)));
    std::string text = wmicapture::ToUtf8(wmicapture::ViewOf(buffer));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return std::string(hex) + (text.empty() ? "" : " " + text);
}

#ifdef _WIN32
std::vector<Text> Arguments(int, char**)
{
    std::vector<Text> arguments;
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr) {
        return arguments;
    }
    for (int i = 1; i < count; ++i) {
        arguments.emplace_back(wmicapture::ViewOf(words[i]));
    }
    LocalFree(words);
    return arguments;
}

bool Environment(const Text& name, Text& value)
{
    const DWORD size = GetEnvironmentVariableW(wmicapture::Units(name), nullptr, 0);
    if (size == 0) {
        return false;
    }
    std::vector<WCHAR> buffer(size);
    const DWORD length = GetEnvironmentVariableW(wmicapture::Units(name), buffer.data(), size);
    value.assign(reinterpret_cast<const char16_t*>(buffer.data()), length);
    return true;
}

unsigned long ProcessId()
{
    return GetCurrentProcessId();
}

bool WriteAll(const Text& path, const std::string& bytes)
{
    HANDLE file = path.empty() ? GetStdHandle(STD_OUTPUT_HANDLE)
                               : CreateFileW(wmicapture::Units(path), GENERIC_WRITE, 0, nullptr,
                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool written = true;
    for (size_t offset = 0; written && offset < bytes.size();) {
        DWORD done = 0;
        const auto chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - offset, 1 << 20));
        written = WriteFile(file, bytes.data() + offset, chunk, &done, nullptr) != FALSE && done > 0;
        offset += done;
    }
    if (!path.empty()) {
        written = CloseHandle(file) != FALSE && written;
    }
    return written;
}
#else
std::vector<Text> Arguments(int argc, char** argv)
{
    std::vector<Text> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(wmicapture::FromUtf8(argv[i]));
    }
    return arguments;
}

bool Environment(const Text& name, Text& value)
{
    const char* text = std::getenv(wmicapture::ToUtf8(name).c_str());
    if (text == nullptr) {
        return false;
    }
    value = wmicapture::FromUtf8(text);
    return true;
}

unsigned long ProcessId()
{
    return static_cast<unsigned long>(getpid());
}

bool WriteAll(const Text& path, const std::string& bytes)
{
    std::FILE* file = path.empty() ? stdout : std::fopen(wmicapture::ToUtf8(path).c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = (path.empty() ? std::fflush(file) : std::fclose(file)) == 0 && written;
    return written;
}
#endif

struct CommandLine {
    wmicapture::CaptureOptions capture;
    Text nameSpace = u"root\\cimv2";
    Text host;
    Text user;
    Text authority;
    Text passwordVariable;
    bool passwordFromStdin = false;
    Text output;
    bool help = false;
};

// Reads the options; false with a message on a usage error.
bool Parse(const std::vector<Text>& arguments, CommandLine& line, std::string& error)
{
    for (size_t i = 0; i < arguments.size(); ++i) {
        const Text& word = arguments[i];
        const auto is = [&](const char16_t* shortName, const char16_t* longName) {
            return (shortName != nullptr && word == shortName) || word == longName;
        };
        const auto value = [&](Text& into) {
            if (i + 1 >= arguments.size()) {
                error = "option " + wmicapture::ToUtf8(word) + " needs a value";
                return false;
            }
            into = arguments[++i];
            return true;
        };
        if (is(u"-h", u"--help")) {
            line.help = true;
        } else if (is(u"-n", u"--namespace")) {
            if (!value(line.nameSpace)) {
                return false;
            }
        } else if (is(u"-H", u"--host")) {
            if (!value(line.host)) {
                return false;
            }
        } else if (is(u"-u", u"--user")) {
            if (!value(line.user)) {
                return false;
            }
        } else if (is(nullptr, u"--password-env")) {
            if (!value(line.passwordVariable)) {
                return false;
            }
        } else if (is(nullptr, u"--password-stdin")) {
            line.passwordFromStdin = true;
        } else if (is(nullptr, u"--authority")) {
            if (!value(line.authority)) {
                return false;
            }
        } else if (is(u"-w", u"--where")) {
            Text where;
            if (!value(where)) {
                return false;
            }
            const size_t colon = where.find(u':');
            if (colon == 0 || colon == Text::npos || colon + 1 == where.size()) {
                error = "--where takes CLASS:CONDITION, not " + wmicapture::ToUtf8(where);
                return false;
            }
            line.capture.where[wmicapture::Folded(where.substr(0, colon))] =
                wmicapture::WithProcessId(TextView(where).substr(colon + 1), ProcessId());
        } else if (is(u"-l", u"--limit")) {
            Text number;
            if (!value(number)) {
                return false;
            }
            long limit = 0;
            for (char16_t c : number) {
                if (c < u'0' || c > u'9' || limit > 100000000) {
                    error = "--limit takes a number of instances, not " + wmicapture::ToUtf8(number);
                    return false;
                }
                limit = limit * 10 + (c - u'0');
            }
            line.capture.limit = number.empty() ? -1 : limit;
        } else if (is(u"-d", u"--definitions-only")) {
            line.capture.definitionsOnly = true;
        } else if (is(nullptr, u"--as-namespace")) {
            if (!value(line.capture.targetNamespace)) {
                return false;
            }
        } else if (is(u"-o", u"--output")) {
            if (!value(line.output)) {
                return false;
            }
        } else if (!word.empty() && word[0] == u'-') {
            error = "unknown option " + wmicapture::ToUtf8(word);
            return false;
        } else {
            line.capture.classes.push_back(word);
        }
    }
    if ((!line.passwordVariable.empty() || line.passwordFromStdin) && line.user.empty()) {
        error = "a password is given without --user";
        return false;
    }
    if (!line.passwordVariable.empty() && line.passwordFromStdin) {
        error = "--password-env and --password-stdin exclude each other";
        return false;
    }
    for (const auto& [folded, condition] : line.capture.where) {
        bool chosen = line.capture.classes.empty();
        for (const Text& name : line.capture.classes) {
            chosen = chosen || wmicapture::Folded(name) == folded;
        }
        if (!chosen) {
            error = "--where names " + wmicapture::ToUtf8(folded) + ", which is not among the classes";
            return false;
        }
    }
    return true;
}

bool ReadPassword(const CommandLine& line, Text& password, std::string& error)
{
    if (!line.passwordVariable.empty()) {
        if (!Environment(line.passwordVariable, password)) {
            error = "the environment variable " + wmicapture::ToUtf8(line.passwordVariable) + " is not set";
            return false;
        }
        return true;
    }
    if (line.passwordFromStdin) {
        std::string bytes;
        for (int c = std::fgetc(stdin); c != EOF && c != '\n'; c = std::fgetc(stdin)) {
            bytes.push_back(static_cast<char>(c));
        }
        if (!bytes.empty() && bytes.back() == '\r') {
            bytes.pop_back();
        }
        password = wmicapture::FromUtf8(bytes);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    CommandLine line;
    std::string error;
    if (!Parse(Arguments(argc, argv), line, error)) {
        PrintError(error);
        std::fprintf(stderr, "%s", kUsage);
        return kExitUsage;
    }
    if (line.help) {
        std::printf("%s", kUsage);
        return kExitWritten;
    }
    Text password;
    if (!ReadPassword(line, password, error)) {
        PrintError(error);
        return kExitUsage;
    }
    const Text resource = line.host.empty() ? line.nameSpace : u"\\\\" + line.host + u"\\" + line.nameSpace;
    wmibridge::CRefPtr<wmibridge::CWmiService> session;
    const wmibridge::ErrorCode code = wmibridge::ServiceConnect(
        wmicapture::Units(resource), line.authority.empty() ? nullptr : wmicapture::Units(line.authority),
        line.user.empty() ? nullptr : wmicapture::Units(line.user),
        line.user.empty() ? nullptr : wmicapture::Units(password), session);
    for (char16_t& c : password) {
        c = 0;
    }
    if (code != wmibridge::kSuccess) {
        PrintError("cannot connect to " + wmicapture::ToUtf8(resource) + ": " + Describe(code));
        return kExitWmiError;
    }
    Text mof;
    wmicapture::CaptureReport report;
    Text failure;
    const HRESULT hr =
        wmicapture::CaptureNamespace(session, line.nameSpace, line.capture, mof, report, failure);
    for (const Text& warning : report.warnings) {
        PrintError("note: " + wmicapture::ToUtf8(warning));
    }
    if (FAILED(hr)) {
        PrintError(wmicapture::ToUtf8(failure) + (failure.empty() ? "" : ": ") + Describe(hr));
        return kExitWmiError;
    }
    if (!WriteAll(line.output, wmicapture::ToUtf8(mof))) {
        PrintError("cannot write " +
                   (line.output.empty() ? std::string("standard output") : wmicapture::ToUtf8(line.output)));
        return kExitOutput;
    }
    if (!line.output.empty()) {
        std::fprintf(stderr, "wmicapture: %d classes, %d instances written to %s\n", report.classes,
                     report.instances, wmicapture::ToUtf8(line.output).c_str());
    }
    return kExitWritten;
}
