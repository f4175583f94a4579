// ConnectServer: local and remote hosts, credential outcomes, namespaces and flags.
#include <winerror.h>

#include "emulator_test.h"

namespace services_test {
namespace {

class LocatorTest : public EmulatorTest {
protected:
    void SetUp() override
    {
        EmulatorTest::SetUp();
        PalWmiAddHost("FARHOST");
        ASSERT_TRUE(PalWmiAddAccount("FARHOST", "CORP", "alice", "s3cret", FALSE));
        ASSERT_TRUE(PalWmiAddAccount("FARHOST", "CORP", "bob", "pw", TRUE));
    }

    static HRESULT ConnectResult(const char16_t* resource, const char16_t* user, const char16_t* password,
                                 const char16_t* authority = nullptr, LONG flags = 0)
    {
        HRESULT hr = E_FAIL;
        ComPtr<IWbemServices> services = Connect(resource, user, password, hr, authority, flags);
        EXPECT_EQ(SUCCEEDED(hr), static_cast<bool>(services));
        return hr;
    }
};

constexpr HRESULT kServerUnavailable = static_cast<HRESULT>(0x800706BA);
constexpr HRESULT kAccountLockedOut = static_cast<HRESULT>(0x80070775);

TEST_F(LocatorTest, LocalMachineAnswersToAllItsNames)
{
    const std::string name = PalWmiLocalHostName();
    const std::u16string byName = u"\\\\" + std::u16string(name.begin(), name.end()) + u"\\root\\cimv2";
    for (const std::u16string& resource :
         {std::u16string(u"root\\cimv2"), std::u16string(u"\\\\.\\root\\cimv2"),
          std::u16string(u"\\\\LocalHost\\root\\cimv2"), byName}) {
        EXPECT_EQ(S_OK, ConnectResult(resource.c_str(), nullptr, nullptr)) << Narrow(resource);
    }
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_WBEM_SERVICES));
}

TEST_F(LocatorTest, LocalConnectionRefusesCredentials)
{
    EXPECT_EQ(WBEM_E_LOCAL_CREDENTIALS, ConnectResult(u"root\\cimv2", u"CORP\\alice", u"s3cret"));
    EXPECT_EQ(WBEM_E_LOCAL_CREDENTIALS, ConnectResult(u"\\\\.\\root\\cimv2", nullptr, u"s3cret"));
    EXPECT_EQ(WBEM_E_LOCAL_CREDENTIALS, ConnectResult(u"root\\cimv2", u"alice", nullptr));
    // Empty texts are no credentials.
    EXPECT_EQ(S_OK, ConnectResult(u"root\\cimv2", u"", u""));
}

TEST_F(LocatorTest, RemoteCredentialOutcomes)
{
    EXPECT_EQ(S_OK, ConnectResult(u"\\\\FARHOST\\root\\cimv2", u"CORP\\alice", u"s3cret"));
    EXPECT_EQ(S_OK, ConnectResult(u"\\\\farhost\\root\\cimv2", u"alice@corp", u"s3cret"));
    EXPECT_EQ(S_OK, ConnectResult(u"\\\\FARHOST\\root\\cimv2", u"alice", u"s3cret"));
    EXPECT_EQ(S_OK, ConnectResult(u"\\\\FARHOST\\root\\cimv2", u"\\alice", u"s3cret"));
    EXPECT_EQ(S_OK, ConnectResult(u"\\\\FARHOST\\root\\cimv2", u"alice", u"s3cret", u"NTLMDOMAIN:CORP"));
    // The caller's own identity.
    EXPECT_EQ(S_OK, ConnectResult(u"\\\\FARHOST\\root\\cimv2", nullptr, nullptr));

    EXPECT_EQ(E_ACCESSDENIED, ConnectResult(u"\\\\FARHOST\\root\\cimv2", u"CORP\\alice", u"S3CRET"));
    EXPECT_EQ(E_ACCESSDENIED, ConnectResult(u"\\\\FARHOST\\root\\cimv2", u"OTHER\\alice", u"s3cret"));
    EXPECT_EQ(E_ACCESSDENIED, ConnectResult(u"\\\\FARHOST\\root\\cimv2", u"CORP\\carol", u"s3cret"));
    EXPECT_EQ(E_ACCESSDENIED,
              ConnectResult(u"\\\\FARHOST\\root\\cimv2", u"alice", u"s3cret", u"NTLMDOMAIN:X"));
    EXPECT_EQ(kAccountLockedOut, ConnectResult(u"\\\\FARHOST\\root\\cimv2", u"CORP\\bob", u"pw"));
    EXPECT_EQ(kAccountLockedOut, ConnectResult(u"\\\\FARHOST\\root\\cimv2", u"CORP\\bob", u"wrong"));
}

TEST_F(LocatorTest, HostWithoutAuthenticationChecksNoCredentials)
{
    ASSERT_TRUE(PalWmiSetHostNoAuthentication("FARHOST", TRUE));
    EXPECT_EQ(S_OK, ConnectResult(u"\\\\FARHOST\\root\\cimv2", u"CORP\\alice", u"wrong"));
    EXPECT_FALSE(PalWmiSetHostNoAuthentication("NOWHERE", TRUE));
}

TEST_F(LocatorTest, UnknownHostNamespaceAndBadArguments)
{
    EXPECT_EQ(kServerUnavailable, ConnectResult(u"\\\\NOWHERE\\root\\cimv2", u"CORP\\alice", u"s3cret"));
    EXPECT_EQ(WBEM_E_INVALID_NAMESPACE, ConnectResult(u"root\\nothing", nullptr, nullptr));
    EXPECT_EQ(WBEM_E_INVALID_NAMESPACE,
              ConnectResult(u"\\\\FARHOST\\root\\nothing", u"CORP\\alice", u"s3cret"));
    EXPECT_EQ(WBEM_E_INVALID_NAMESPACE, ConnectResult(u"\\\\FARHOST", nullptr, nullptr));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, ConnectResult(nullptr, nullptr, nullptr));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, ConnectResult(u"root\\cimv2", nullptr, nullptr, nullptr, 0x1));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, ConnectResult(u"root\\cimv2", nullptr, nullptr, u"BOGUS:x"));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER,
              ConnectResult(u"\\\\FARHOST\\root\\cimv2", u"CORP\\alice", u"s3cret", u"NTLMDOMAIN:CORP"));
    EXPECT_EQ(S_OK, ConnectResult(u"root\\CIMV2", nullptr, nullptr, nullptr, WBEM_FLAG_CONNECT_USE_MAX_WAIT));
}

TEST_F(LocatorTest, RemoteHostSharesOrOwnsItsRepository)
{
    PalWmiAddHostWithOwnRepository("ISLAND");
    char error[128];
    ASSERT_EQ(S_OK, PalWmiLoadHostMof("ISLAND", "root\\default", "class Island_Only { [key] string Id; };",
                                      error, sizeof error))
        << error;
    EXPECT_EQ(WBEM_E_NOT_FOUND, PalWmiLoadHostMof("NOWHERE", nullptr, "", error, sizeof error));

    HRESULT hr = E_FAIL;
    ComPtr<IWbemServices> island = Connect(u"\\\\ISLAND\\root\\default", nullptr, nullptr, hr);
    ASSERT_EQ(S_OK, hr);
    ComPtr<IWbemServices> shared = Connect(u"\\\\FARHOST\\root\\default", nullptr, nullptr, hr);
    ASSERT_EQ(S_OK, hr);
    ComPtr<IWbemServices> local = ConnectLocal(u"root\\default");

    OwnedBstr path(u"Island_Only");
    ComPtr<IWbemClassObject> object;
    EXPECT_EQ(S_OK, island->GetObject(path.Get(), 0, nullptr, object.Put(), nullptr));
    EXPECT_EQ(WBEM_E_NOT_FOUND, local->GetObject(path.Get(), 0, nullptr, object.Put(), nullptr));

    LoadMof("class Everywhere { [key] string Id; };");
    OwnedBstr everywhere(u"Everywhere");
    EXPECT_EQ(S_OK, shared->GetObject(everywhere.Get(), 0, nullptr, object.Put(), nullptr));
    EXPECT_EQ(WBEM_E_NOT_FOUND, island->GetObject(everywhere.Get(), 0, nullptr, object.Put(), nullptr));
}

TEST_F(LocatorTest, InjectedOutcomesOfConnectServer)
{
    PalWmiSetCallResult(PAL_WMI_CONNECT_SERVER, 2, WBEM_E_TRANSPORT_FAILURE);
    PalWmiSucceedWithoutObject(PAL_WMI_CONNECT_SERVER, 3);
    EXPECT_EQ(S_OK, ConnectResult(u"root\\cimv2", nullptr, nullptr));
    EXPECT_EQ(WBEM_E_TRANSPORT_FAILURE, ConnectResult(u"root\\cimv2", nullptr, nullptr));

    HRESULT hr = E_FAIL;
    ComPtr<IWbemServices> none = Connect(u"root\\cimv2", nullptr, nullptr, hr);
    EXPECT_EQ(S_OK, hr);
    EXPECT_FALSE(none);
    EXPECT_EQ(3, PalWmiCallCount(PAL_WMI_CONNECT_SERVER));
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_WBEM_SERVICES));
}

}  // namespace
}  // namespace services_test
