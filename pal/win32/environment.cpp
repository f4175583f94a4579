// _wgetenv: the process environment seen as Windows sees it, UTF-16 and with names matched
// without regard to case, plus the SystemRoot that every Windows installation has.
#include <pal/win32_control.h>
#include <unistd.h>
#include <windows.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/names.h"
#include "base/text.h"
#include "win32/reset.h"
#include "win32/windows_path.h"

namespace pal::win32 {
namespace {

constexpr std::u16string_view kDefaultSystemRoot = u"C:\\Windows";

enum class SystemRootSource { Environment, Override, Removed };

struct EnvironmentView {
    std::mutex mutex;
    SystemRootSource systemRoot = SystemRootSource::Environment;
    std::u16string systemRootOverride;
    // Every text handed out, by upper-case name; the caller may hold any of them for the
    // process's life, so none is ever freed. A new text is added only when the value changed.
    std::map<std::u16string, std::vector<std::unique_ptr<std::u16string>>> answers;
};

EnvironmentView& View()
{
    static EnvironmentView view;
    return view;
}

bool NameMatches(const char* entry, const std::string& name)
{
    for (size_t i = 0; i < name.size(); ++i) {
        const auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
        if (entry[i] == '\0' || upper(entry[i]) != upper(name[i])) {
            return false;
        }
    }
    return entry[name.size()] == '=';
}

std::optional<std::u16string> ProcessVariable(const std::string& name)
{
    if (const char* exact = std::getenv(name.c_str())) {
        return pal::FromUtf8(exact);
    }
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        if (NameMatches(*entry, name)) {
            return pal::FromUtf8(*entry + name.size() + 1);
        }
    }
    return std::nullopt;
}

std::optional<std::u16string> Lookup(EnvironmentView& view, std::u16string_view name)
{
    const std::string utf8 = pal::ToUtf8(name);
    if (!pal::NamesEqual(name, u"SystemRoot")) {
        return ProcessVariable(utf8);
    }
    switch (view.systemRoot) {
    case SystemRootSource::Removed: return std::nullopt;
    case SystemRootSource::Override: return view.systemRootOverride;
    case SystemRootSource::Environment: break;
    }
    std::optional<std::u16string> value = ProcessVariable(utf8);
    return value ? value : std::u16string(kDefaultSystemRoot);
}

}  // namespace

void ResetEnvironment()
{
    EnvironmentView& view = View();
    std::lock_guard lock(view.mutex);
    view.systemRoot = SystemRootSource::Environment;
    view.systemRootOverride.clear();
}

}  // namespace pal::win32

PALAPI WCHAR* _wgetenv(const WCHAR* name)
{
    if (name == nullptr || *name == u'\0') {
        return nullptr;
    }
    pal::win32::EnvironmentView& view = pal::win32::View();
    std::lock_guard lock(view.mutex);
    const std::u16string_view nameView(name);
    std::optional<std::u16string> value = pal::win32::Lookup(view, nameView);
    if (!value) {
        return nullptr;
    }
    auto& answers = view.answers[pal::FoldName(nameView)];
    if (answers.empty() || *answers.back() != *value) {
        answers.push_back(std::make_unique<std::u16string>(std::move(*value)));
    }
    return answers.back()->data();
}

PALAPI void PalWin32RemoveSystemRoot(BOOL removed)
{
    pal::win32::EnvironmentView& view = pal::win32::View();
    std::lock_guard lock(view.mutex);
    view.systemRoot =
        removed ? pal::win32::SystemRootSource::Removed : pal::win32::SystemRootSource::Environment;
}

PALAPI void PalWin32SetSystemRoot(const char* windowsPath)
{
    pal::win32::EnvironmentView& view = pal::win32::View();
    std::lock_guard lock(view.mutex);
    if (windowsPath == nullptr) {
        view.systemRoot = pal::win32::SystemRootSource::Environment;
        view.systemRootOverride.clear();
        return;
    }
    view.systemRoot = pal::win32::SystemRootSource::Override;
    view.systemRootOverride = pal::FromUtf8(windowsPath);
}

PALAPI const char* PalWin32DriveDirectory(void)
{
    static const std::string directory = pal::win32::DriveDirectory().string();
    return directory.c_str();
}
