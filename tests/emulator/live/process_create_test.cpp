// Win32_Process.Create: the command line runs as a real child process, whose id comes back and is
// listed by Win32_Process; what cannot run gets Windows' return values. Every child a test starts
// is stopped and seen reaped before the test ends.
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "live/command_line.h"
#include "live_test.h"

namespace live_test {
namespace {

std::u16string Wide(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

bool Exists(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0;
}

// Waits until the process is gone from /proc, which needs its parent to have reaped it (a zombie
// keeps its entry); false when it is still there after a generous while.
bool GoneFromProc(pid_t pid)
{
    const std::string entry = "/proc/" + std::to_string(pid);
    for (int i = 0; i < 3000 && Exists(entry); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !Exists(entry);
}

// The parent process id in /proc/<pid>/stat; 0 when unreadable.
pid_t ParentOf(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    const size_t end = text.rfind(')');
    if (end == std::string::npos) {
        return 0;
    }
    std::istringstream fields(text.substr(end + 2));
    char state = 0;
    pid_t parent = 0;
    fields >> state >> parent;
    return parent;
}

// A child started by a test: killed and waited for at the end of the scope.
class Child {
public:
    explicit Child(pid_t pid) : pid_(pid) {}
    ~Child()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            EXPECT_TRUE(GoneFromProc(pid_)) << "child " << pid_ << " was not reaped";
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

private:
    pid_t pid_;
};

class ProcessCreateTest : public LiveTest {
protected:
    // Win32_Process.Create with the inputs that are not null; the output parameters.
    ComPtr<IWbemClassObject> Create(const char16_t* commandLine, const char16_t* directory = nullptr)
    {
        HRESULT hr = E_FAIL;
        const ComPtr<IWbemClassObject> processClass = GetAt(u"Win32_Process", hr);
        EXPECT_EQ(S_OK, hr);
        ComPtr<IWbemClassObject> signature;
        ComPtr<IWbemClassObject> inputs;
        EXPECT_EQ(S_OK, processClass->GetMethod(u"Create", 0, signature.Put(), nullptr));
        EXPECT_EQ(S_OK, signature->SpawnInstance(0, inputs.Put()));
        PutText(inputs.Get(), u"CommandLine", commandLine);
        PutText(inputs.Get(), u"CurrentDirectory", directory);
        OwnedBstr path(u"Win32_Process"), method(u"Create");
        ComPtr<IWbemClassObject> outputs;
        EXPECT_EQ(S_OK, services_->ExecMethod(path.Get(), method.Get(), 0, nullptr, inputs.Get(),
                                              outputs.Put(), nullptr));
        return outputs;
    }

    static void PutText(IWbemClassObject* object, const char16_t* name, const char16_t* text)
    {
        if (text == nullptr) {
            return;
        }
        OwnedVariant value;
        V_VT(value.Address()) = VT_BSTR;
        V_BSTR(value.Address()) = SysAllocString(text);
        ASSERT_EQ(S_OK, object->Put(name, 0, value.Address(), 0));
    }

    static LONG ReturnValueOf(IWbemClassObject* outputs)
    {
        OwnedVariant value;
        EXPECT_EQ(S_OK, outputs->Get(u"ReturnValue", 0, value.Address(), nullptr, nullptr));
        EXPECT_EQ(VT_I4, value.Type());
        return value.Type() == VT_I4 ? V_I4(value.Address()) : -1;
    }

    // The ProcessId output: 0 with a failure when it is not a number.
    static pid_t ProcessIdOf(IWbemClassObject* outputs)
    {
        OwnedVariant value;
        EXPECT_EQ(S_OK, outputs->Get(u"ProcessId", 0, value.Address(), nullptr, nullptr));
        EXPECT_EQ(VT_I4, value.Type());
        return value.Type() == VT_I4 ? static_cast<pid_t>(V_I4(value.Address())) : 0;
    }

    static bool ProcessIdIsNull(IWbemClassObject* outputs)
    {
        OwnedVariant value;
        EXPECT_EQ(S_OK, outputs->Get(u"ProcessId", 0, value.Address(), nullptr, nullptr));
        return value.Type() == VT_NULL;
    }
};

TEST_F(ProcessCreateTest, CreateRunsTheCommandLineAsAChildListedInWin32Process)
{
    const ComPtr<IWbemClassObject> outputs = Create(u"sleep 600");
    ASSERT_TRUE(outputs);
    EXPECT_EQ(0, ReturnValueOf(outputs.Get()));
    const pid_t pid = ProcessIdOf(outputs.Get());
    ASSERT_GT(pid, 0);
    const Child child(pid);
    EXPECT_EQ(getpid(), ParentOf(pid));

    HRESULT hr = E_FAIL;
    const ComPtr<IWbemClassObject> listed =
        GetAt(u"Win32_Process.Handle=\"" + Wide(std::to_string(pid)) + u"\"", hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(static_cast<unsigned long long>(pid), NumberOf(listed.Get(), u"ProcessId"));
    EXPECT_EQ(static_cast<unsigned long long>(getpid()), NumberOf(listed.Get(), u"ParentProcessId"));
    // The program may be exec'd by a path on PATH; its arguments are those of the command line.
    EXPECT_NE(std::string::npos, TextOf(listed.Get(), u"CommandLine").find("sleep 600"));
}

TEST_F(ProcessCreateTest, CreateSplitsArgumentsAsWindowsAndRunsInTheCurrentDirectory)
{
    char folder[] = "/tmp/process_create_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(folder));
    const std::u16string directory = Wide(folder);
    const ComPtr<IWbemClassObject> outputs =
        Create(u"touch \"two words\" plain \\\"quoted\\\"", directory.c_str());
    ASSERT_TRUE(outputs);
    EXPECT_EQ(0, ReturnValueOf(outputs.Get()));
    const pid_t pid = ProcessIdOf(outputs.Get());
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(GoneFromProc(pid));
    for (const char* name : {"two words", "plain", "\"quoted\""}) {
        const std::string file = std::string(folder) + "/" + name;
        EXPECT_TRUE(Exists(file)) << file;
        unlink(file.c_str());
    }
    EXPECT_EQ(0, rmdir(folder));
}

TEST_F(ProcessCreateTest, AFinishedChildIsReaped)
{
    const ComPtr<IWbemClassObject> outputs = Create(u"true");
    ASSERT_TRUE(outputs);
    ASSERT_EQ(0, ReturnValueOf(outputs.Get()));
    const pid_t pid = ProcessIdOf(outputs.Get());
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(GoneFromProc(pid)) << "a zombie keeps its /proc entry until it is reaped";
}

TEST_F(ProcessCreateTest, AnUnknownProgramGivesNineAndNoProcessId)
{
    const ComPtr<IWbemClassObject> outputs = Create(u"no-such-program-of-this-test --flag");
    ASSERT_TRUE(outputs);
    EXPECT_EQ(9, ReturnValueOf(outputs.Get()));
    EXPECT_TRUE(ProcessIdIsNull(outputs.Get()));
    const ComPtr<IWbemClassObject> byPath = Create(u"/no/such/folder/program.exe");
    ASSERT_TRUE(byPath);
    EXPECT_EQ(9, ReturnValueOf(byPath.Get()));
    EXPECT_TRUE(ProcessIdIsNull(byPath.Get()));
}

TEST_F(ProcessCreateTest, AMissingCurrentDirectoryGivesNine)
{
    const ComPtr<IWbemClassObject> outputs = Create(u"true", u"/no/such/folder/of/this/test");
    ASSERT_TRUE(outputs);
    EXPECT_EQ(9, ReturnValueOf(outputs.Get()));
    EXPECT_TRUE(ProcessIdIsNull(outputs.Get()));
}

TEST_F(ProcessCreateTest, NoCommandLineGivesTwentyOne)
{
    for (const char16_t* commandLine : {static_cast<const char16_t*>(nullptr), u"", u"   "}) {
        const ComPtr<IWbemClassObject> outputs = Create(commandLine);
        ASSERT_TRUE(outputs);
        EXPECT_EQ(21, ReturnValueOf(outputs.Get()));
        EXPECT_TRUE(ProcessIdIsNull(outputs.Get()));
    }
}

TEST(CommandLineTest, SplitsAsWindowsProgramsSplitTheirArguments)
{
    using Arguments = std::vector<std::u16string>;
    using pal::live::SplitCommandLine;
    EXPECT_EQ((Arguments{u"prog", u"a", u"b"}), SplitCommandLine(u"  prog  a\tb  "));
    EXPECT_EQ((Arguments{u"C:\\Program Files\\x.exe", u"a b"}),
              SplitCommandLine(u"\"C:\\Program Files\\x.exe\" \"a b\""));
    EXPECT_EQ((Arguments{u"p", u"a\\\\b", u"a\\\"b", u"a\\\\b c"}),
              SplitCommandLine(u"p a\\\\b a\\\\\\\"b \"a\\\\b c\""));
    EXPECT_EQ((Arguments{u"p", u"say \"hi\""}), SplitCommandLine(u"p \"say \"\"hi\"\"\""));
    EXPECT_EQ((Arguments{u"p", u"", u"x"}), SplitCommandLine(u"p \"\" x"));
    EXPECT_EQ((Arguments{u"dir\\"}), SplitCommandLine(u"dir\\"));
    EXPECT_TRUE(SplitCommandLine(u" \t ").empty());
}

}  // namespace
}  // namespace live_test
