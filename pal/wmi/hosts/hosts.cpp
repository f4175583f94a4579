#include "hosts/hosts.h"

#include <pal/wmi_control.h>

#include <map>
#include <mutex>

#include "base/names.h"
#include "base/text.h"

namespace pal::hosts {

namespace {

struct HostTable {
    std::mutex mutex;
    bool localNoAuthentication = false;
    std::map<std::u16string, std::shared_ptr<Host>> remote;  // by upper-case name
};

HostTable& Table()
{
    static HostTable table;
    return table;
}

struct SplitUser {
    std::u16string_view domain;
    std::u16string_view user;
};

SplitUser SplitUserName(std::u16string_view userName)
{
    const size_t at = userName.find(u'@');
    if (at != std::u16string_view::npos) {
        return {userName.substr(at + 1), userName.substr(0, at)};
    }
    const size_t backslash = userName.find(u'\\');
    if (backslash != std::u16string_view::npos) {
        return {userName.substr(0, backslash), userName.substr(backslash + 1)};
    }
    return {{}, userName};
}

}  // namespace

bool IsLocalHostName(std::u16string_view name)
{
    return name.empty() || name == u"." || NamesEqual(name, u"localhost") ||
           NamesEqual(name, wmi::LocalServerName());
}

std::shared_ptr<const Host> FindHost(std::u16string_view name)
{
    HostTable& table = Table();
    std::lock_guard lock(table.mutex);
    if (IsLocalHostName(name)) {
        auto local = std::make_shared<Host>();
        local->name = wmi::LocalServerName();
        local->isLocal = true;
        local->noAuthentication = table.localNoAuthentication;
        local->repository = wmi::LocalRepository();
        return local;
    }
    const auto found = table.remote.find(FoldName(name));
    if (found == table.remote.end()) {
        return nullptr;
    }
    return std::make_shared<const Host>(*found->second);
}

LogonResult LogOn(const Host& host, std::u16string_view userName, std::u16string_view password,
                  std::u16string_view authorityDomain)
{
    SplitUser split = SplitUserName(userName);
    if (split.domain.empty()) {
        split.domain = authorityDomain;
    }
    for (const Account& account : host.accounts) {
        if (!NamesEqual(account.user, split.user)) {
            continue;
        }
        if (!split.domain.empty() && !NamesEqual(account.domain, split.domain)) {
            continue;
        }
        // Windows reports a locked account whatever password is given.
        if (account.lockedOut) {
            return LogonResult::LockedOut;
        }
        return account.password == password ? LogonResult::Accepted : LogonResult::UnknownOrWrongPassword;
    }
    return LogonResult::UnknownOrWrongPassword;
}

void AddHost(std::u16string name, bool ownRepository)
{
    auto host = std::make_shared<Host>();
    host->name = FoldName(name);
    host->repository = ownRepository ? wmi::Repository::CreateShipped(host->name) : wmi::LocalRepository();
    HostTable& table = Table();
    std::lock_guard lock(table.mutex);
    table.remote[host->name] = std::move(host);
}

bool AddAccount(std::u16string_view host, Account account)
{
    HostTable& table = Table();
    std::lock_guard lock(table.mutex);
    const auto found = table.remote.find(FoldName(host));
    if (found == table.remote.end()) {
        return false;
    }
    found->second->accounts.push_back(std::move(account));
    return true;
}

bool SetNoAuthentication(std::u16string_view host, bool noAuthentication)
{
    HostTable& table = Table();
    std::lock_guard lock(table.mutex);
    if (IsLocalHostName(host)) {
        table.localNoAuthentication = noAuthentication;
        return true;
    }
    const auto found = table.remote.find(FoldName(host));
    if (found == table.remote.end()) {
        return false;
    }
    found->second->noAuthentication = noAuthentication;
    return true;
}

void ResetHosts()
{
    HostTable& table = Table();
    std::lock_guard lock(table.mutex);
    table.remote.clear();
    table.localNoAuthentication = false;
}

}  // namespace pal::hosts
