#include "live/user_sessions.h"

#include <utmpx.h>

#include <cstring>
#include <mutex>
#include <set>

namespace pal::live {

namespace {

// The utmpx calls share one cursor in the process.
std::mutex& UtmpLock()
{
    static std::mutex lock;
    return lock;
}

bool IsConsole(const std::string& line)
{
    return line.rfind("tty", 0) == 0 || line.rfind("console", 0) == 0 || line.rfind(":", 0) == 0;
}

}  // namespace

UserSessions ReadUserSessions()
{
    UserSessions sessions;
    std::set<std::string> users;
    std::optional<std::string> anyUser;
    const std::lock_guard<std::mutex> guard(UtmpLock());
    setutxent();
    while (const utmpx* entry = getutxent()) {
        if (entry->ut_type != USER_PROCESS) {
            continue;
        }
        const std::string user(entry->ut_user, strnlen(entry->ut_user, sizeof entry->ut_user));
        const std::string line(entry->ut_line, strnlen(entry->ut_line, sizeof entry->ut_line));
        if (user.empty()) {
            continue;
        }
        users.insert(user);
        if (!anyUser) {
            anyUser = user;
        }
        if (!sessions.consoleUser && IsConsole(line)) {
            sessions.consoleUser = user;
        }
    }
    endutxent();
    if (!sessions.consoleUser) {
        sessions.consoleUser = anyUser;
    }
    sessions.users = users.size();
    return sessions;
}

}  // namespace pal::live
