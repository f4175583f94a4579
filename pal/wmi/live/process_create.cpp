// Win32_Process.Create: runs the command line as a child process of this one, in a process group
// of its own with its standard streams on /dev/null, as Windows starts a program without a console.
// The program is looked up on PATH. A thread of the emulator waits for each child, so that no
// finished child stays behind as a zombie; the child itself outlives the caller's objects, as on
// Windows. Return values are Windows': 9 when the program or the directory does not exist.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "base/host_files.h"
#include "base/text.h"
#include "live/command_line.h"
#include "live/live_classes.h"
#include "base/text.h"
#include "owners.h"

extern char** environ;  // NOLINT: the process's environment, handed to the child

namespace pal::live {

namespace {

constexpr LONG kCreated = 0;
constexpr LONG kAccessDenied = 2;
constexpr LONG kUnknownFailure = 8;
constexpr LONG kPathNotFound = 9;
constexpr LONG kInvalidParameter = 21;

HRESULT PutNumber(IWbemClassObject* object, const char16_t* name, LONG number)
{
    OwnedVariant value;
    V_VT(value.Address()) = VT_I4;
    V_I4(value.Address()) = number;
    return object->Put(name, 0, value.Address(), 0);
}

// The text of an input parameter; empty when it is missing or NULL.
std::u16string InputText(IWbemClassObject* inParameters, const char16_t* name, bool& present)
{
    present = false;
    OwnedVariant value;
    if (inParameters == nullptr || FAILED(inParameters->Get(name, 0, value.Address(), nullptr, nullptr)) ||
        value.Type() != VT_BSTR) {
        return {};
    }
    present = true;
    return std::u16string(pal::ViewOf(V_BSTR(value.Address())));
}

// posix_spawn's attributes and file actions, destroyed with the scope.
class SpawnSetup {
public:
    SpawnSetup()
    {
        valid_ = posix_spawnattr_init(&attributes_) == 0;
        if (!valid_) {
            return;
        }
        hasActions_ = posix_spawn_file_actions_init(&actions_) == 0;
        valid_ = hasActions_;
    }
    ~SpawnSetup()
    {
        if (hasActions_) {
            posix_spawn_file_actions_destroy(&actions_);
        }
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // A new process group, default signal handling and no blocked signal; the standard streams on
    // /dev/null; the working directory `directory` unless it is empty.
    bool Prepare(const std::string& directory)
    {
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        const short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        bool ok = valid_ && posix_spawnattr_setflags(&attributes_, flags) == 0 &&
                  posix_spawnattr_setpgroup(&attributes_, 0) == 0 &&
                  posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
                  posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
                  posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0) == 0 &&
                  posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0) == 0 &&
                  posix_spawn_file_actions_addopen(&actions_, 2, "/dev/null", O_WRONLY, 0) == 0;
        if (ok && !directory.empty()) {
            ok = posix_spawn_file_actions_addchdir_np(&actions_, directory.c_str()) == 0;
        }
        return ok;
    }

    const posix_spawnattr_t* Attributes() const { return &attributes_; }
    const posix_spawn_file_actions_t* Actions() const { return &actions_; }

private:
    posix_spawnattr_t attributes_{};
    posix_spawn_file_actions_t actions_{};
    bool valid_ = false;
    bool hasActions_ = false;
};

LONG ReturnValueOfSpawnError(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG: return kPathNotFound;
    case EACCES:
    case EPERM: return kAccessDenied;
    default: return kUnknownFailure;
    }
}

void WaitFor(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// Starts the reaper of the child; without one the child is stopped and waited for here.
bool ReapLater(pid_t pid)
{
    try {
        std::thread(WaitFor, pid).detach();
        return true;
    } catch (const std::system_error&) {
        kill(pid, SIGKILL);
        WaitFor(pid);
        return false;
    }
}

// posix_spawn returns once the child has begun its exec, a moment before the kernel shows the
// new program's arguments; Windows lists a created process complete. Waits until /proc shows
// them, or the child is gone, or a second has passed.
void AwaitArguments(pid_t pid)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/cmdline";
    for (int i = 0; i < 1000; ++i) {
        const std::optional<std::string> arguments = ReadHostFile(path);
        if (!arguments || !arguments->empty()) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace

HRESULT CreateProcessMethod(const services::MethodCall& call)
{
    if (call.outParameters == nullptr) {
        return WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    bool hasCommandLine = false;
    bool hasDirectory = false;
    const std::u16string commandLine = InputText(call.inParameters, u"CommandLine", hasCommandLine);
    const std::u16string directory = InputText(call.inParameters, u"CurrentDirectory", hasDirectory);
    const std::vector<std::u16string> arguments = SplitCommandLine(commandLine);
    if (!hasCommandLine || arguments.empty() || arguments.front().empty()) {
        return PutNumber(call.outParameters, u"ReturnValue", kInvalidParameter);
    }
    std::vector<std::string> texts;
    texts.reserve(arguments.size());
    for (const std::u16string& argument : arguments) {
        texts.push_back(pal::ToUtf8(argument));
    }
    std::vector<char*> argv;
    argv.reserve(texts.size() + 1);
    for (std::string& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);

    SpawnSetup setup;
    if (!setup.Prepare(pal::ToUtf8(directory))) {
        return PutNumber(call.outParameters, u"ReturnValue", kUnknownFailure);
    }
    pid_t pid = 0;
    const int error =
        posix_spawnp(&pid, argv.front(), setup.Actions(), setup.Attributes(), argv.data(), environ);
    if (error != 0) {
        return PutNumber(call.outParameters, u"ReturnValue", ReturnValueOfSpawnError(error));
    }
    if (!ReapLater(pid)) {
        return PutNumber(call.outParameters, u"ReturnValue", kUnknownFailure);
    }
    AwaitArguments(pid);
    const HRESULT hr = PutNumber(call.outParameters, u"ProcessId", static_cast<LONG>(pid));
    return SUCCEEDED(hr) ? PutNumber(call.outParameters, u"ReturnValue", kCreated) : hr;
}

}  // namespace pal::live
