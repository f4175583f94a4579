#include <string>

#include "win32_test.h"

namespace win32_test {
namespace {

constexpr const char* kHost = "SERVER1";
constexpr const char16_t* kMachine = u"\\\\SERVER1";

class RegistryApiTest : public Win32Test {
protected:
    void SetUp() override
    {
        Win32Test::SetUp();
        PalWmiAddHost(kHost);
        ASSERT_TRUE(PalWmiAddAccount(kHost, "CORP", "alice", "secret", FALSE));
        ASSERT_TRUE(PalWmiAddAccount(kHost, "CORP", "locked", "secret", TRUE));
        ASSERT_TRUE(PalWin32RegCreateKey(kHost, PAL_REG_CURRENT_USER, "Software\\App"));
        ASSERT_TRUE(PalWin32RegCreateKey(kHost, PAL_REG_CURRENT_USER, "Private"));
        ASSERT_TRUE(PalWin32RegDenyRead(kHost, PAL_REG_CURRENT_USER, "Private", "CORP\\alice"));
    }

    void TearDown() override
    {
        RevertToSelf();
        if (token_ != nullptr) {
            CloseHandle(token_);
        }
        Win32Test::TearDown();
    }

    // Logs on for the network and impersonates on this thread.
    void Impersonate(const char16_t* user, const char16_t* domain, const char16_t* password)
    {
        ASSERT_TRUE(LogonUserW(user, domain, password, LOGON32_LOGON_NEW_CREDENTIALS,
                               LOGON32_PROVIDER_WINNT50, &token_));
        ASSERT_TRUE(ImpersonateLoggedOnUser(token_));
    }

    // The connection's result, with the last error when it was refused ("5/1326").
    static std::string Connect(const char16_t* machine, HKEY& root)
    {
        SetLastError(0);
        const LSTATUS result = RegConnectRegistryW(machine, HKEY_CURRENT_USER, &root);
        if (result == ERROR_ACCESS_DENIED) {
            return "5/" + std::to_string(GetLastError());
        }
        return std::to_string(result);
    }

    // Opens a key below an open one and closes it again; the open's result.
    static LSTATUS Probe(HKEY parent, const char16_t* path)
    {
        HKEY key = nullptr;
        const LSTATUS result = RegOpenKeyExW(parent, path, 0, KEY_READ, &key);
        if (result == ERROR_SUCCESS) {
            EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
        } else {
            EXPECT_EQ(nullptr, key);
        }
        return result;
    }

    HANDLE token_ = nullptr;
};

TEST_F(RegistryApiTest, HostChecksTheImpersonatedCredentials)
{
    HKEY root = nullptr;
    Impersonate(u"alice", u"CORP", u"secret");
    ASSERT_EQ("0", Connect(kMachine, root));
    EXPECT_EQ(1, PalLiveCount(PAL_KIND_REGISTRY_KEY));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(root));
    RevertToSelf();
    CloseHandle(token_);

    Impersonate(u"alice@CORP", nullptr, u"secret");
    ASSERT_EQ("0", Connect(u"server1", root));
    RegCloseKey(root);
    RevertToSelf();
    CloseHandle(token_);

    Impersonate(u"alice", u"CORP", u"wrong");
    EXPECT_EQ("5/1326", Connect(kMachine, root));
    EXPECT_EQ(nullptr, root);
    RevertToSelf();
    CloseHandle(token_);

    Impersonate(u"alice", u"OTHER", u"secret");
    EXPECT_EQ("5/1326", Connect(kMachine, root));
    RevertToSelf();
    CloseHandle(token_);

    Impersonate(u"locked", u"CORP", u"anything");
    EXPECT_EQ("5/1909", Connect(kMachine, root));
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_REGISTRY_KEY));
    EXPECT_EQ(5, PalWin32ConnectCount());
}

TEST_F(RegistryApiTest, UnknownHostsAndMalformedMachineNames)
{
    HKEY root = nullptr;
    Impersonate(u"alice", u"CORP", u"secret");
    EXPECT_EQ("53", Connect(u"\\\\NOSUCHHOST", root));
    EXPECT_EQ("53", Connect(u"\\\\\\\\SERVER1", root));
    EXPECT_EQ(std::to_string(ERROR_INVALID_HANDLE),
              std::to_string(RegConnectRegistryW(kMachine, reinterpret_cast<HKEY>(0x1234), &root)));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegConnectRegistryW(kMachine, HKEY_CURRENT_USER, nullptr));
}

TEST_F(RegistryApiTest, ThreadWithoutImpersonationConnectsAsTheProcessUser)
{
    HKEY root = nullptr;
    EXPECT_EQ("5/1326", Connect(kMachine, root));
    PalWin32SetProcessUser("alice");
    ASSERT_EQ("0", Connect(kMachine, root));
    // The process user's domain is the local machine, not CORP, so a denial for CORP\alice does
    // not reach it.
    EXPECT_EQ(ERROR_SUCCESS, Probe(root, u"Private"));
    RegCloseKey(root);
    PalWin32SetProcessUser("locked");
    EXPECT_EQ("5/1909", Connect(kMachine, root));
}

TEST_F(RegistryApiTest, HostWithoutAuthenticationAcceptsAnyone)
{
    ASSERT_TRUE(PalWmiSetHostNoAuthentication(kHost, TRUE));
    HKEY root = nullptr;
    Impersonate(u"mallory", u"EVIL", u"guess");
    ASSERT_EQ("0", Connect(kMachine, root));
    RegCloseKey(root);
}

TEST_F(RegistryApiTest, OpeningKeysOnTheRemoteHive)
{
    HKEY root = nullptr;
    Impersonate(u"alice", u"CORP", u"secret");
    ASSERT_EQ("0", Connect(kMachine, root));
    EXPECT_EQ(ERROR_SUCCESS, Probe(root, u"Software\\App"));
    EXPECT_EQ(ERROR_SUCCESS, Probe(root, u"software\\app\\"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Probe(root, u"Software\\Missing"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, Probe(root, u"Private"));
    EXPECT_EQ(ERROR_BAD_PATHNAME, Probe(root, u"\\Software"));
    // A null or empty path opens the same key again.
    EXPECT_EQ(ERROR_SUCCESS, Probe(root, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, Probe(root, u""));

    // Paths continue from the key they are opened under.
    HKEY software = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(root, u"Software", 0, KEY_READ, &software));
    EXPECT_EQ(ERROR_SUCCESS, Probe(software, u"App"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Probe(software, u"Private"));
    EXPECT_EQ(2, PalLiveCount(PAL_KIND_REGISTRY_KEY));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(software));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(root));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(root));
    EXPECT_EQ(ERROR_INVALID_HANDLE, Probe(root, u"Software"));
}

TEST_F(RegistryApiTest, LocalMachineIsReachedWithoutACredentialCheck)
{
    ASSERT_TRUE(PalWin32RegCreateKey(".", PAL_REG_LOCAL_MACHINE, "Software\\Local"));
    EXPECT_EQ(ERROR_SUCCESS, Probe(HKEY_LOCAL_MACHINE, u"Software\\Local"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Probe(HKEY_CURRENT_USER, u"Software\\Local"));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE));

    const std::string localName = PalWmiLocalHostName();
    const std::u16string machine = u"\\\\" + std::u16string(localName.begin(), localName.end());
    HKEY root = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegConnectRegistryW(machine.c_str(), HKEY_LOCAL_MACHINE, &root));
    EXPECT_EQ(ERROR_SUCCESS, Probe(root, u"SOFTWARE\\local"));
    RegCloseKey(root);
    ASSERT_EQ(ERROR_SUCCESS, RegConnectRegistryW(nullptr, HKEY_LOCAL_MACHINE, &root));
    RegCloseKey(root);
}

TEST_F(RegistryApiTest, InjectedConnectionFailuresCarryTheirLastError)
{
    HKEY root = nullptr;
    Impersonate(u"alice", u"CORP", u"secret");
    PalWin32FailConnect(ERROR_ACCESS_DENIED, ERROR_NO_SUCH_LOGON_SESSION, 1);
    EXPECT_EQ("5/1312", Connect(kMachine, root));
    PalWin32FailConnect(RPC_S_SERVER_UNAVAILABLE, 0, 1);
    EXPECT_EQ("1722", Connect(kMachine, root));
    ASSERT_EQ("0", Connect(kMachine, root));
    RegCloseKey(root);
}

}  // namespace
}  // namespace win32_test
