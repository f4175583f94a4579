#include "win32/windows_path.h"

#include <dlfcn.h>

#include <system_error>

#include "base/text.h"

namespace pal::win32 {
namespace {

const char g_anchor = 0;  // an address inside the platform library, to find its file

std::filesystem::path LocateDriveDirectory()
{
    Dl_info info{};
    if (dladdr(&g_anchor, &info) == 0 || info.dli_fname == nullptr) {
        return std::filesystem::path("windows-root");
    }
    std::error_code error;
    std::filesystem::path library = std::filesystem::absolute(info.dli_fname, error);
    if (error) {
        library = info.dli_fname;
    }
    return library.parent_path() / "windows-root";
}

bool EqualsNoCaseAscii(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
        if (upper(a[i]) != upper(b[i])) {
            return false;
        }
    }
    return true;
}

// `directory / name`, or the entry of the directory whose name differs only in case.
std::filesystem::path Child(const std::filesystem::path& directory, const std::string& name)
{
    std::filesystem::path exact = directory / name;
    std::error_code error;
    if (std::filesystem::exists(exact, error)) {
        return exact;
    }
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        if (EqualsNoCaseAscii(it->path().filename().string(), name)) {
            return it->path();
        }
    }
    return exact;
}

std::filesystem::path Resolve(std::filesystem::path base, std::string_view relative)
{
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string_view::npos) {
            end = relative.size();
        }
        const std::string component(relative.substr(start, end - start));
        if (component.empty() || component == ".") {
            // nothing to add
        } else if (component == "..") {
            base = base.parent_path();
        } else {
            base = Child(base, component);
        }
        start = end + 1;
    }
    return base;
}

}  // namespace

const std::filesystem::path& DriveDirectory()
{
    static const std::filesystem::path directory = LocateDriveDirectory();
    return directory;
}

std::optional<std::filesystem::path> LinuxPathOf(std::u16string_view windowsPath)
{
    std::string path = pal::ToUtf8(windowsPath);
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    if (path.starts_with("//")) {
        return std::nullopt;
    }
    const bool hasDrive = path.size() >= 2 && path[1] == ':' &&
                          ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (hasDrive) {
        if (path[0] != 'C' && path[0] != 'c') {
            return std::nullopt;
        }
        return Resolve(DriveDirectory(), std::string_view(path).substr(2));
    }
    if (path.starts_with("/")) {
        return Resolve(std::filesystem::path("/"), std::string_view(path).substr(1));
    }
    std::error_code error;
    return Resolve(std::filesystem::current_path(error), path);
}

}  // namespace pal::win32
