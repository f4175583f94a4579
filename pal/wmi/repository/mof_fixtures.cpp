#include "repository/mof_fixtures.h"

#include <pal/wmi_fixtures.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <new>
#include <system_error>

#include "repository/names.h"
#include "repository/repository.h"

namespace pal::wmi {
namespace {

namespace fs = std::filesystem;

MofFailure PathFailure(const std::string& path, std::u16string reason)
{
    MofFailure failure;
    failure.source = Utf8ToUtf16(path);
    failure.reason = std::move(reason);
    return failure;
}

std::u16string WhyUnreadable(const std::error_code& error)
{
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory) {
        return u"no such file or folder";
    }
    if (error == std::errc::permission_denied) {
        return u"may not be read";
    }
    return u"cannot be read";
}

// UTF-16 text of a file's bytes: UTF-16 after its byte order mark, else UTF-8 (a mark skipped).
std::u16string Decode(const std::string& bytes)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const bool littleEndian = bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE;
    const bool bigEndian = bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF;
    if (littleEndian || bigEndian) {
        std::u16string text;
        text.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text.push_back(static_cast<char16_t>(littleEndian ? byte(i) | (byte(i + 1) << 8)
                                                              : (byte(i) << 8) | byte(i + 1)));
        }
        return text;
    }
    const size_t start = bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF ? 3 : 0;
    return Utf8ToUtf16(std::string_view(bytes).substr(start));
}

HRESULT ReadSource(const fs::path& file, const std::string& name, std::vector<MofSource>& sources,
                   MofFailure* failure)
{
    std::string bytes;
    std::FILE* in = std::fopen(file.c_str(), "rb");
    bool read = in != nullptr;
    if (read) {
        char buffer[65536];
        for (size_t count; (count = std::fread(buffer, 1, sizeof(buffer), in)) > 0;) {
            bytes.append(buffer, count);
        }
        read = std::ferror(in) == 0;
        std::fclose(in);
    }
    if (!read) {
        if (failure != nullptr) {
            *failure = PathFailure(name, u"cannot be read");
        }
        return WBEM_E_NOT_FOUND;
    }
    sources.push_back(MofSource{Utf8ToUtf16(name), Decode(bytes)});
    return WBEM_S_NO_ERROR;
}

bool IsMofName(const fs::path& file)
{
    const std::string extension = file.extension().string();
    return extension.size() == 4 && NamesEqual(Utf8ToUtf16(extension), u".mof");
}

struct Startup {
    std::mutex mutex;
    bool started = false;
    std::string paths;  // added before the start
    std::u16string error;
    MofFailure failure;
};

Startup& StartupState()
{
    static Startup state;
    return state;
}

void CopyText(const std::u16string& text, char* target)
{
    const std::string utf8 = Utf16ToUtf8(text);
    const size_t length = std::min(utf8.size(), static_cast<size_t>(PAL_MOF_TEXT_SIZE - 1));
    std::copy_n(utf8.begin(), length, target);
    target[length] = '\0';
}

void Report(const MofFailure& failure, PalMofError* error)
{
    if (error != nullptr) {
        CopyText(failure.source, error->source);
        error->line = failure.line;
        CopyText(failure.reason, error->reason);
    }
}

void Clear(PalMofError* error)
{
    if (error != nullptr) {
        error->source[0] = '\0';
        error->line = 0;
        error->reason[0] = '\0';
    }
}

// Runs a C export's work; no C++ exception leaves it.
template <class Work>
HRESULT Guarded(PalMofError* error, Work work)
{
    Clear(error);
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return WBEM_E_OUT_OF_MEMORY;
    } catch (...) {
        return WBEM_E_FAILED;
    }
}

std::string TextOrEmpty(const char* text)
{
    return text == nullptr ? std::string() : std::string(text);
}

}  // namespace

HRESULT ReadMofPath(const std::string& path, std::vector<MofSource>& sources, MofFailure* failure)
{
    const fs::path location(path);  // paths are bytes, UTF-8 by convention
    std::error_code error;
    const fs::file_status status = fs::status(location, error);
    if (error || !fs::exists(status)) {
        if (failure != nullptr) {
            *failure = PathFailure(
                path,
                WhyUnreadable(error ? error : std::make_error_code(std::errc::no_such_file_or_directory)));
        }
        return WBEM_E_NOT_FOUND;
    }
    if (!fs::is_directory(status)) {
        return ReadSource(location, path, sources, failure);
    }
    std::vector<fs::path> files;
    for (fs::directory_iterator entry(location, error), end; !error && entry != end; entry.increment(error)) {
        if (IsMofName(entry->path()) && entry->is_regular_file()) {
            files.push_back(entry->path());
        }
    }
    if (error) {
        if (failure != nullptr) {
            *failure = PathFailure(path, WhyUnreadable(error));
        }
        return WBEM_E_NOT_FOUND;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        const HRESULT hr = ReadSource(file, file.string(), sources, failure);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return WBEM_S_NO_ERROR;
}

HRESULT ReadMofPaths(std::string_view paths, std::vector<MofSource>& sources, MofFailure* failure)
{
    size_t start = 0;
    while (start <= paths.size()) {
        const size_t end = std::min(paths.find(':', start), paths.size());
        if (end > start) {
            const HRESULT hr = ReadMofPath(std::string(paths.substr(start, end - start)), sources, failure);
            if (FAILED(hr)) {
                return hr;
            }
        }
        start = end + 1;
    }
    return WBEM_S_NO_ERROR;
}

void StartFixtures(Repository& local)
{
    Startup& state = StartupState();
    std::lock_guard lock(state.mutex);
    state.started = true;
    const char* variable = std::getenv(kStartupMofVariable);
    const std::string paths = TextOrEmpty(variable) + ":" + state.paths;
    std::vector<MofSource> sources;
    MofFailure failure;
    HRESULT hr = ReadMofPaths(paths, sources, &failure);
    if (SUCCEEDED(hr) && !sources.empty()) {
        hr = local.AddToStart(sources, &failure);
    }
    if (FAILED(hr)) {
        state.failure = failure;
        state.error = failure.Text();
        std::fprintf(stderr, "wmibridge: the MOF fixtures of the start are not loaded: %s\n",
                     Utf16ToUtf8(state.error).c_str());
        std::fflush(stderr);
    }
}

std::u16string StartupMofError()
{
    Startup& state = StartupState();
    std::lock_guard lock(state.mutex);
    return state.error;
}

}  // namespace pal::wmi

using pal::wmi::Clear;
using pal::wmi::Guarded;
using pal::wmi::MofFailure;
using pal::wmi::MofSource;
using pal::wmi::Report;
using pal::wmi::TextOrEmpty;

PALAPI HRESULT PalWmiAddStartupMof(const char* paths, PalMofError* error)
{
    return Guarded(error, [&]() -> HRESULT {
        if (paths == nullptr) {
            return WBEM_E_INVALID_PARAMETER;
        }
        pal::wmi::Startup& state = pal::wmi::StartupState();
        std::unique_lock lock(state.mutex);
        if (!state.started) {
            state.paths += std::string(":") + paths;
            return WBEM_S_NO_ERROR;
        }
        lock.unlock();
        std::vector<MofSource> sources;
        MofFailure failure;
        HRESULT hr = pal::wmi::ReadMofPaths(paths, sources, &failure);
        if (SUCCEEDED(hr)) {
            hr = pal::wmi::LocalRepository()->AddToStart(sources, &failure);
        }
        if (FAILED(hr)) {
            Report(failure, error);
        }
        return hr;
    });
}

PALAPI BOOL PalWmiStartupMofError(PalMofError* error)
{
    Clear(error);
    pal::wmi::Startup& state = pal::wmi::StartupState();
    std::lock_guard lock(state.mutex);
    if (state.error.empty()) {
        return FALSE;
    }
    Report(state.failure, error);
    return TRUE;
}

namespace {

HRESULT LoadSources(const std::vector<MofSource>& sources, const char* defaultNamespace, LONGLONG* fixture,
                    PalMofError* error, MofFailure& failure)
{
    std::uint64_t number = 0;
    const HRESULT hr = pal::wmi::LocalRepository()->LoadFixture(
        sources, pal::wmi::Utf8ToUtf16(TextOrEmpty(defaultNamespace)), &number, &failure);
    if (FAILED(hr)) {
        Report(failure, error);
        return hr;
    }
    if (fixture != nullptr) {
        *fixture = static_cast<LONGLONG>(number);
    }
    return hr;
}

}  // namespace

PALAPI HRESULT PalWmiLoadMofFile(const char* path, const char* defaultNamespace, LONGLONG* fixture,
                                 PalMofError* error)
{
    return Guarded(error, [&]() -> HRESULT {
        if (path == nullptr) {
            return WBEM_E_INVALID_PARAMETER;
        }
        std::vector<MofSource> sources;
        MofFailure failure;
        const HRESULT hr = pal::wmi::ReadMofPath(path, sources, &failure);
        if (FAILED(hr)) {
            Report(failure, error);
            return hr;
        }
        return LoadSources(sources, defaultNamespace, fixture, error, failure);
    });
}

PALAPI HRESULT PalWmiLoadMofFixtureText(const char* mofText, const char* name, const char* defaultNamespace,
                                        LONGLONG* fixture, PalMofError* error)
{
    return Guarded(error, [&]() -> HRESULT {
        if (mofText == nullptr) {
            return WBEM_E_INVALID_PARAMETER;
        }
        const std::vector<MofSource> sources{
            MofSource{pal::wmi::Utf8ToUtf16(TextOrEmpty(name)), pal::wmi::Utf8ToUtf16(mofText)}};
        MofFailure failure;
        return LoadSources(sources, defaultNamespace, fixture, error, failure);
    });
}

PALAPI HRESULT PalWmiUnloadMof(LONGLONG fixture, PalMofError* error)
{
    return Guarded(error, [&]() -> HRESULT {
        MofFailure failure;
        const HRESULT hr = fixture <= 0 ? WBEM_E_NOT_FOUND
                                        : pal::wmi::LocalRepository()->UnloadFixture(
                                              static_cast<std::uint64_t>(fixture), &failure);
        if (FAILED(hr)) {
            Report(failure, error);
        }
        return hr;
    });
}
