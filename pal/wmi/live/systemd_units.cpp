#include "live/systemd_units.h"

#include <map>

#include "base/host_files.h"
#include "live/host_directories.h"

namespace pal::live {

namespace {

constexpr const char* kUnitDirectories[] = {"/etc/systemd/system", "/run/systemd/system",
                                            "/usr/local/lib/systemd/system", "/lib/systemd/system",
                                            "/usr/lib/systemd/system"};
constexpr const char* kControlGroups[] = {"/sys/fs/cgroup/system.slice/",
                                          "/sys/fs/cgroup/systemd/system.slice/"};
constexpr std::string_view kSuffix = ".service";

bool IsServiceFile(const std::string& name)
{
    return name.size() > kSuffix.size() &&
           name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0 &&
           name.find('@') == std::string::npos;
}

// Whether a link named after the unit sits in a .wants or .requires directory of `directory`.
bool WantedIn(const std::string& directory, const std::string& file)
{
    for (const std::string& entry : DirectoryEntries(directory)) {
        const bool wants = entry.size() > 6 && entry.compare(entry.size() - 6, 6, ".wants") == 0;
        const bool required = entry.size() > 9 && entry.compare(entry.size() - 9, 9, ".requires") == 0;
        if ((wants || required) && PathExists(directory + "/" + entry + "/" + file)) {
            return true;
        }
    }
    return false;
}

std::optional<std::uint64_t> FirstProcess(const std::string& file)
{
    for (const char* root : kControlGroups) {
        const std::optional<std::string> pids = ReadHostFile(root + file + "/cgroup.procs");
        if (pids && !Trim(*pids).empty()) {
            return LeadingNumber(Trim(*pids));
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> UnitSetting(std::string_view text, std::string_view section, std::string_view key)
{
    bool inSection = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            inSection = line.size() == section.size() + 2 && line.substr(1, section.size()) == section;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inSection && equals != std::string_view::npos && Trim(line.substr(0, equals)) == key) {
            return std::string(Trim(line.substr(equals + 1)));
        }
    }
    return std::nullopt;
}

std::vector<ServiceUnit> ServiceUnits()
{
    std::map<std::string, ServiceUnit> units;
    for (const char* directory : kUnitDirectories) {
        for (const std::string& file : DirectoryEntries(directory)) {
            if (!IsServiceFile(file) || units.count(file) != 0) {
                continue;
            }
            const std::string path = std::string(directory) + "/" + file;
            ServiceUnit unit;
            unit.name = file.substr(0, file.size() - kSuffix.size());
            if (const std::optional<std::string> target = ReadLink(path)) {
                if (*target == "/dev/null") {
                    unit.masked = true;
                } else if (BaseName(*target) != file) {
                    continue;  // an alias of another unit
                }
            }
            if (const std::optional<std::string> text = unit.masked ? std::nullopt : ReadHostFile(path)) {
                unit.description = UnitSetting(*text, "Unit", "Description");
                unit.execStart = UnitSetting(*text, "Service", "ExecStart");
                unit.user = UnitSetting(*text, "Service", "User");
                unit.type = UnitSetting(*text, "Service", "Type");
            } else if (!unit.masked) {
                continue;
            }
            unit.enabled =
                !unit.masked && (WantedIn("/etc/systemd/system", file) || WantedIn(directory, file));
            unit.mainPid = unit.masked ? std::nullopt : FirstProcess(file);
            units.emplace(file, std::move(unit));
        }
    }
    std::vector<ServiceUnit> all;
    all.reserve(units.size());
    for (auto& [file, unit] : units) {
        all.push_back(std::move(unit));
    }
    return all;
}

}  // namespace pal::live
