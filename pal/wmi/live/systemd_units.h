// The services of the host as systemd's unit files describe them: every *.service of the unit
// directories (the first directory in systemd's order that has a name wins; templates and
// aliases left out), whether it is enabled or masked, and the processes of its control group.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "repository/internal_api.h"

namespace pal::live {

struct ServiceUnit {
    std::string name;  // without ".service"
    std::optional<std::string> description, execStart, user, type;
    bool enabled = false;
    bool masked = false;
    std::optional<std::uint64_t> mainPid;  // the first process of its control group when it runs
};

std::vector<ServiceUnit> ServiceUnits();

// The value of `key` in the section `section` of a unit file's text; the first when repeated.
PAL_INTERNAL_API std::optional<std::string> UnitSetting(std::string_view text, std::string_view section,
                                                        std::string_view key);

}  // namespace pal::live
