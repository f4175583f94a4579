#include <string>
#include <thread>

#include "win32_test.h"

namespace win32_test {
namespace {

using SecurityTest = Win32Test;

HANDLE LogOn(const char16_t* user, const char16_t* domain, const char16_t* password)
{
    HANDLE token = nullptr;
    EXPECT_TRUE(
        LogonUserW(user, domain, password, LOGON32_LOGON_NEW_CREDENTIALS, LOGON32_PROVIDER_WINNT50, &token));
    return token;
}

TEST_F(SecurityTest, GetUserNameAnswersTheProcessUserAndTheSizeItNeeds)
{
    PalWin32SetProcessUser("svc-\xc3\xa9");
    WCHAR buffer[16];
    DWORD size = 5;  // the name and its terminator need six
    SetLastError(0);
    EXPECT_FALSE(GetUserNameW(buffer, &size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(6u, size);
    ASSERT_TRUE(GetUserNameW(buffer, &size));
    EXPECT_EQ(u"svc-\u00e9", std::u16string(buffer));
    EXPECT_EQ(6u, size);

    PalWin32ResetAll();
    size = 16;
    ASSERT_TRUE(GetUserNameW(buffer, &size));
    EXPECT_EQ(u"Operator", std::u16string(buffer));
}

TEST_F(SecurityTest, NewCredentialsLogonRecordsWhatItReceivedWithoutTestingIt)
{
    HANDLE token = LogOn(u"nobody", u"NOWHERE", u"wrong");
    ASSERT_NE(nullptr, token);
    EXPECT_EQ(1, PalLiveCount(PAL_KIND_KERNEL_HANDLE));
    PalLogonRecord record{};
    ASSERT_TRUE(PalWin32LastLogon(&record));
    EXPECT_STREQ("nobody", record.user);
    EXPECT_STREQ("NOWHERE", record.domain);
    EXPECT_STREQ("wrong", record.password);
    EXPECT_EQ(static_cast<DWORD>(LOGON32_LOGON_NEW_CREDENTIALS), record.logonType);
    EXPECT_EQ(static_cast<DWORD>(LOGON32_PROVIDER_WINNT50), record.logonProvider);
    EXPECT_TRUE(CloseHandle(token));

    // Null texts are told apart from empty ones.
    token = LogOn(u"", nullptr, nullptr);
    ASSERT_TRUE(PalWin32LastLogon(&record));
    EXPECT_TRUE(record.hasUser);
    EXPECT_FALSE(record.hasDomain);
    EXPECT_FALSE(record.hasPassword);
    EXPECT_EQ(2, PalWin32LogonCount());
    EXPECT_TRUE(CloseHandle(token));
}

TEST_F(SecurityTest, OtherLogonTypesAndBadArgumentsFail)
{
    HANDLE token = nullptr;
    SetLastError(0);
    EXPECT_FALSE(LogonUserW(u"u", u"d", u"p", LOGON32_LOGON_INTERACTIVE, LOGON32_PROVIDER_DEFAULT, &token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());
    EXPECT_FALSE(LogonUserW(u"u", u"d", u"p", LOGON32_LOGON_NEW_CREDENTIALS, 99, &token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(
        LogonUserW(u"u", u"d", u"p", LOGON32_LOGON_NEW_CREDENTIALS, LOGON32_PROVIDER_WINNT50, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_KERNEL_HANDLE));
}

TEST_F(SecurityTest, ClosingHandlesTwiceOrForgedFails)
{
    HANDLE token = LogOn(u"u", u"d", u"p");
    EXPECT_TRUE(CloseHandle(token));
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x1234))));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(ImpersonateLoggedOnUser(token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(SecurityTest, ImpersonationBelongsToTheCallingThreadAndOutlivesTheTokenHandle)
{
    HANDLE token = LogOn(u"u", u"d", u"p");
    ASSERT_TRUE(ImpersonateLoggedOnUser(token));
    EXPECT_TRUE(PalWin32ThreadImpersonates());
    EXPECT_EQ(1, PalLiveCount(PAL_KIND_IMPERSONATION));
    bool otherThreadImpersonates = true;
    std::thread([&] { otherThreadImpersonates = PalWin32ThreadImpersonates() != FALSE; }).join();
    EXPECT_FALSE(otherThreadImpersonates);

    // Impersonating again replaces the token without counting the thread twice.
    ASSERT_TRUE(ImpersonateLoggedOnUser(token));
    EXPECT_EQ(1, PalLiveCount(PAL_KIND_IMPERSONATION));
    EXPECT_TRUE(CloseHandle(token));
    EXPECT_TRUE(PalWin32ThreadImpersonates());

    EXPECT_TRUE(RevertToSelf());
    EXPECT_FALSE(PalWin32ThreadImpersonates());
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_IMPERSONATION));
    EXPECT_TRUE(RevertToSelf());  // nothing to revert is no failure
}

TEST_F(SecurityTest, ThreadThatEndsWhileImpersonatingIsNoLongerCounted)
{
    HANDLE token = LogOn(u"u", u"d", u"p");
    LONG duringThread = 0;
    std::thread([&] {
        ASSERT_TRUE(ImpersonateLoggedOnUser(token));
        duringThread = PalLiveCount(PAL_KIND_IMPERSONATION);
    }).join();
    EXPECT_EQ(1, duringThread);
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_IMPERSONATION));
    EXPECT_TRUE(CloseHandle(token));
}

TEST_F(SecurityTest, InjectedImpersonationFailure)
{
    HANDLE token = LogOn(u"u", u"d", u"p");
    PalWin32FailImpersonation(ERROR_BAD_IMPERSONATION_LEVEL, 1);
    SetLastError(0);
    EXPECT_FALSE(ImpersonateLoggedOnUser(token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_IMPERSONATION_LEVEL), GetLastError());
    EXPECT_FALSE(PalWin32ThreadImpersonates());
    EXPECT_TRUE(ImpersonateLoggedOnUser(token));
    EXPECT_TRUE(RevertToSelf());
    EXPECT_TRUE(CloseHandle(token));
}

}  // namespace
}  // namespace win32_test
