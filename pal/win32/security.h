// Logon tokens, the impersonation of each thread and the account the process runs as.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace pal::win32 {

// What a logon received. A LOGON32_LOGON_NEW_CREDENTIALS token carries these credentials to the
// network untested; the password is wiped when the token goes.
struct Token {
    std::u16string user;
    std::u16string domain;
    std::u16string password;
    DWORD logonType = 0;

    Token() = default;
    Token(const Token&) = delete;
    Token& operator=(const Token&) = delete;
    ~Token();
};

// The token the calling thread impersonates; null when it acts as the process.
std::shared_ptr<const Token> ThreadToken();

std::u16string ProcessUserName();
void SetProcessUserName(std::u16string name);

}  // namespace pal::win32
