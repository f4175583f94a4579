// The users logged on to the host, from the login records (utmp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pal::live {

struct UserSessions {
    // The distinct users with a login session.
    std::uint64_t users = 0;
    // The user of the first session on a console or a local display, else of the first session;
    // nullopt when nobody is logged on.
    std::optional<std::string> consoleUser;
};

UserSessions ReadUserSessions();

}  // namespace pal::live
