#include <gtest/gtest.h>
#include <pal/win32_control.h>

#include "platform/HandleHolders.h"

using namespace wmibridge;

namespace {

class HandleHolders : public ::testing::Test {
protected:
    void SetUp() override { PalWin32ResetAll(); }
    void TearDown() override { PalWin32ResetAll(); }

    // A new logon token, which CloseHandle accepts exactly once.
    static void LogOn(CScopedHandle& token)
    {
        ASSERT_TRUE(LogonUserW(u"alice", u"CORP", u"pw", LOGON32_LOGON_NEW_CREDENTIALS,
                               LOGON32_PROVIDER_WINNT50, token.Put()));
        ASSERT_TRUE(token);
    }
};

}  // namespace

TEST_F(HandleHolders, AHandleIsClosedOnceWhenItsScopeEnds)
{
    HANDLE raw = nullptr;
    {
        CScopedHandle token;
        LogOn(token);
        raw = token.Get();
    }
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(raw));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(HandleHolders, PutClosesWhatWasHeldBeforeTheNextOneArrives)
{
    CScopedHandle token;
    LogOn(token);
    const HANDLE first = token.Get();
    LogOn(token);
    EXPECT_NE(first, token.Get());
    EXPECT_FALSE(CloseHandle(first));
}

TEST_F(HandleHolders, NullAndInvalidHandleValueHoldNothing)
{
    EXPECT_FALSE(CScopedHandle());
    EXPECT_FALSE(CScopedHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(CScopedRegKey());
}

TEST_F(HandleHolders, ARegistryKeyIsClosedWhenItsScopeEnds)
{
    HKEY raw = nullptr;
    {
        CScopedRegKey root;
        ASSERT_EQ(ERROR_SUCCESS, RegConnectRegistryW(nullptr, HKEY_CURRENT_USER, root.Put()));
        ASSERT_TRUE(root);
        raw = root.Get();
    }
    EXPECT_NE(ERROR_SUCCESS, RegCloseKey(raw));
}
