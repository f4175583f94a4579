// The machines that the locator can reach: the local machine and the remote hosts that tests
// configure, each with its accounts, its repository and whether its bindings authenticate.
#pragma once

#include <objbase.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "repository/internal_api.h"
#include "repository/repository.h"

namespace pal::hosts {

struct Account {
    std::u16string domain;
    std::u16string user;
    std::u16string password;
    bool lockedOut = false;
};

struct Host {
    std::u16string name;
    bool isLocal = false;
    bool noAuthentication = false;
    std::vector<Account> accounts;
    std::shared_ptr<wmi::Repository> repository;
};

// Whether a host name of a resource designates the local machine: none, ".", "localhost" or
// the emulated machine name.
PAL_INTERNAL_API bool IsLocalHostName(std::u16string_view name);

// A copy of the host's configuration as it is now; null for an unknown host.
PAL_INTERNAL_API std::shared_ptr<const Host> FindHost(std::u16string_view name);

// How the account named by a user name (`dom\user`, `user@dom` or `user`) fares on a host.
enum class LogonResult { Accepted, UnknownOrWrongPassword, LockedOut };
PAL_INTERNAL_API LogonResult LogOn(const Host& host, std::u16string_view userName,
                                   std::u16string_view password, std::u16string_view authorityDomain);

void AddHost(std::u16string name, bool ownRepository);
bool AddAccount(std::u16string_view host, Account account);
bool SetNoAuthentication(std::u16string_view host, bool noAuthentication);
void ResetHosts();

}  // namespace pal::hosts
