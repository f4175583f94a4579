// Proxy security: QueryBlanket, SetBlanket and CoSetProxyBlanket on services and enumerator
// proxies, and what they record.
#include <winerror.h>

#include <cstdlib>
#include <cstring>

#include "emulator_test.h"

namespace services_test {
namespace {

class BlanketTest : public EmulatorTest {
protected:
    void SetUp() override
    {
        EmulatorTest::SetUp();
        ASSERT_EQ(S_OK, CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT,
                                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr));
    }
};

constexpr HRESULT kBindingHasNoAuth = static_cast<HRESULT>(0x800706D2);

// An identity record on the heap whose texts the test frees before it reads the record back.
struct HeapIdentity {
    COAUTHIDENTITY identity{};

    HeapIdentity(const char16_t* user, const char16_t* domain, const char16_t* password)
    {
        identity.User = Copy(user, identity.UserLength);
        identity.Domain = Copy(domain, identity.DomainLength);
        identity.Password = Copy(password, identity.PasswordLength);
        identity.Flags = SEC_WINNT_AUTH_IDENTITY_UNICODE;
    }
    ~HeapIdentity() { Free(); }
    void Free()
    {
        for (USHORT** text : {&identity.User, &identity.Domain, &identity.Password}) {
            std::free(*text);
            *text = nullptr;
        }
    }

    static USHORT* Copy(const char16_t* text, ULONG& length)
    {
        length = static_cast<ULONG>(std::char_traits<char16_t>::length(text));
        auto* copy = static_cast<USHORT*>(std::malloc((length + 1) * sizeof(USHORT)));
        std::memcpy(copy, text, (length + 1) * sizeof(USHORT));
        return copy;
    }
};

TEST_F(BlanketTest, NewProxyReportsTheProcessLevels)
{
    ComPtr<IWbemServices> services = ConnectLocal(u"root\\cimv2");
    DWORD authnSvc = 0, authzSvc = 7, authn = 0, imp = 0, caps = 9;
    OLECHAR* principal = reinterpret_cast<OLECHAR*>(1);
    void* identity = reinterpret_cast<void*>(1);
    ASSERT_EQ(S_OK, CoQueryProxyBlanket(services.Get(), &authnSvc, &authzSvc, &principal, &authn, &imp,
                                        &identity, &caps));
    EXPECT_EQ(static_cast<DWORD>(RPC_C_AUTHN_WINNT), authnSvc);
    EXPECT_EQ(static_cast<DWORD>(RPC_C_AUTHZ_NONE), authzSvc);
    EXPECT_EQ(nullptr, principal);
    EXPECT_EQ(static_cast<DWORD>(RPC_C_AUTHN_LEVEL_CONNECT), authn);
    EXPECT_EQ(static_cast<DWORD>(RPC_C_IMP_LEVEL_IMPERSONATE), imp);
    EXPECT_EQ(nullptr, identity);
    EXPECT_EQ(static_cast<DWORD>(EOAC_NONE), caps);

    PalBlanket blanket;
    ASSERT_TRUE(PalWmiProxyBlanket(services.Get(), &blanket));
    EXPECT_FALSE(blanket.wasSet);
}

TEST_F(BlanketTest, SetBlanketRecordsCopiesOfTheIdentity)
{
    ComPtr<IWbemServices> services = ConnectLocal(u"root\\cimv2");
    {
        HeapIdentity identity(u"alice", u"CORP", u"s3cret");
        ASSERT_EQ(S_OK, CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                          RPC_C_AUTHN_LEVEL_PKT_PRIVACY, RPC_C_IMP_LEVEL_IMPERSONATE,
                                          &identity.identity, EOAC_NONE));
        identity.Free();
    }
    services.Reset();

    PalBlanket blanket;
    ASSERT_TRUE(PalWmiLastBlanket(PAL_KIND_WBEM_SERVICES, &blanket));
    EXPECT_TRUE(blanket.wasSet);
    EXPECT_EQ(1, blanket.setCount);
    EXPECT_EQ(static_cast<DWORD>(RPC_C_AUTHN_WINNT), blanket.authnService);
    EXPECT_EQ(static_cast<DWORD>(RPC_C_AUTHN_LEVEL_PKT_PRIVACY), blanket.authnLevel);
    EXPECT_EQ(static_cast<DWORD>(RPC_C_IMP_LEVEL_IMPERSONATE), blanket.impLevel);
    EXPECT_FALSE(blanket.hasPrincipal);
    ASSERT_TRUE(blanket.hasIdentity);
    EXPECT_EQ(static_cast<ULONG>(SEC_WINNT_AUTH_IDENTITY_UNICODE), blanket.identityFlags);
    EXPECT_EQ(std::u16string(u"alice"), std::u16string(blanket.user));
    EXPECT_EQ(std::u16string(u"CORP"), std::u16string(blanket.domain));
    EXPECT_EQ(std::u16string(u"s3cret"), std::u16string(blanket.password));
}

TEST_F(BlanketTest, SettingWithoutIdentityClearsTheRecordedOne)
{
    ComPtr<IWbemServices> services = ConnectLocal(u"root\\cimv2");
    HeapIdentity identity(u"alice", u"CORP", u"s3cret");
    ASSERT_EQ(S_OK, CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                      RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE,
                                      &identity.identity, EOAC_NONE));
    void* reported = nullptr;
    ASSERT_EQ(S_OK, CoQueryProxyBlanket(services.Get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                        &reported, nullptr));
    EXPECT_EQ(&identity.identity, reported);

    ASSERT_EQ(S_OK,
              CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE));
    PalBlanket blanket;
    ASSERT_TRUE(PalWmiProxyBlanket(services.Get(), &blanket));
    EXPECT_EQ(2, blanket.setCount);
    EXPECT_FALSE(blanket.hasIdentity);
    EXPECT_EQ(std::u16string(), std::u16string(blanket.user));
}

TEST_F(BlanketTest, RejectsInvalidBlankets)
{
    ComPtr<IWbemServices> services = ConnectLocal(u"root\\cimv2");
    HeapIdentity identity(u"alice", u"CORP", u"s3cret");
    identity.identity.Flags = 0;
    EXPECT_EQ(E_INVALIDARG, CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                              RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE,
                                              &identity.identity, EOAC_NONE));
    EXPECT_EQ(E_INVALIDARG, CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, 9,
                                              RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE));
    EXPECT_EQ(E_INVALIDARG,
              CoSetProxyBlanket(nullptr, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE));
    PalBlanket blanket;
    ASSERT_TRUE(PalWmiProxyBlanket(services.Get(), &blanket));
    EXPECT_FALSE(blanket.wasSet);

    // The locator is an in-process object, not a proxy.
    ComPtr<IWbemLocator> locator = MakeLocator();
    EXPECT_EQ(E_NOINTERFACE,
              CoSetProxyBlanket(locator.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE));
}

TEST_F(BlanketTest, ProxyWithoutAuthenticationFailsQueryButTakesLevelNone)
{
    PalWmiAddHost("OPENHOST");
    ASSERT_TRUE(PalWmiSetHostNoAuthentication("OPENHOST", TRUE));
    HRESULT hr = E_FAIL;
    ComPtr<IWbemServices> services = Connect(u"\\\\OPENHOST\\root\\cimv2", nullptr, nullptr, hr);
    ASSERT_EQ(S_OK, hr);

    DWORD authn = 0, imp = 0;
    EXPECT_EQ(kBindingHasNoAuth,
              CoQueryProxyBlanket(services.Get(), nullptr, nullptr, nullptr, &authn, &imp, nullptr, nullptr));
    EXPECT_EQ(S_OK,
              CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                RPC_C_AUTHN_LEVEL_NONE, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE));

    ComPtr<IEnumWbemClassObject> enumerator =
        Query(services.Get(), u"SELECT * FROM Win32_OperatingSystem", hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(kBindingHasNoAuth, CoQueryProxyBlanket(enumerator.Get(), nullptr, nullptr, nullptr, &authn,
                                                     &imp, nullptr, nullptr));
}

TEST_F(BlanketTest, EnumeratorIsAProxyOfItsOwn)
{
    ComPtr<IWbemServices> services = ConnectLocal(u"root\\cimv2");
    HeapIdentity identity(u"alice", u"CORP", u"s3cret");
    ASSERT_EQ(S_OK, CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                      RPC_C_AUTHN_LEVEL_PKT, RPC_C_IMP_LEVEL_IMPERSONATE, &identity.identity,
                                      EOAC_NONE));
    HRESULT hr = E_FAIL;
    ComPtr<IEnumWbemClassObject> enumerator =
        Query(services.Get(), u"SELECT * FROM Win32_OperatingSystem", hr);
    ASSERT_EQ(S_OK, hr);

    // A new enumerator does not inherit the blanket of the services proxy.
    PalBlanket blanket;
    ASSERT_TRUE(PalWmiLastBlanket(PAL_KIND_WBEM_ENUMERATOR, &blanket));
    EXPECT_FALSE(blanket.wasSet);
    DWORD authn = 0;
    ASSERT_EQ(S_OK, CoQueryProxyBlanket(enumerator.Get(), nullptr, nullptr, nullptr, &authn, nullptr, nullptr,
                                        nullptr));
    EXPECT_EQ(static_cast<DWORD>(RPC_C_AUTHN_LEVEL_CONNECT), authn);

    ASSERT_EQ(S_OK, CoSetProxyBlanket(enumerator.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                      RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE,
                                      &identity.identity, EOAC_NONE));
    enumerator.Reset();
    ASSERT_TRUE(PalWmiLastBlanket(PAL_KIND_WBEM_ENUMERATOR, &blanket));
    EXPECT_TRUE(blanket.wasSet);
    EXPECT_EQ(std::u16string(u"alice"), std::u16string(blanket.user));
}

TEST_F(BlanketTest, TearOffKeepsTheProxyIdentityAndIsCounted)
{
    ComPtr<IWbemServices> services = ConnectLocal(u"root\\cimv2");
    ComPtr<IClientSecurity> security;
    ASSERT_EQ(S_OK, services->QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(security.Put())));
    EXPECT_EQ(1, PalLiveCount(PAL_KIND_CLIENT_SECURITY));

    ComPtr<IUnknown> fromTearOff, fromProxy;
    ASSERT_EQ(S_OK, security->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(fromTearOff.Put())));
    ASSERT_EQ(S_OK, services->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(fromProxy.Put())));
    EXPECT_EQ(fromProxy.Get(), fromTearOff.Get());

    // The tear-off keeps its proxy alive.
    services.Reset();
    fromProxy.Reset();
    fromTearOff.Reset();
    EXPECT_EQ(1, PalLiveCount(PAL_KIND_WBEM_SERVICES));
    DWORD authn = 0;
    EXPECT_EQ(S_OK, security->QueryBlanket(security.Get(), nullptr, nullptr, nullptr, &authn, nullptr,
                                           nullptr, nullptr));
    security.Reset();
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_WBEM_SERVICES));
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_CLIENT_SECURITY));
}

TEST_F(BlanketTest, InjectedBlanketFailures)
{
    ComPtr<IWbemServices> services = ConnectLocal(u"root\\cimv2");
    PalWmiSetCallResult(PAL_WMI_QUERY_BLANKET, 1, E_ACCESSDENIED);
    PalWmiSetCallResult(PAL_WMI_SET_BLANKET, 2, E_OUTOFMEMORY);
    DWORD authn = 0;
    EXPECT_EQ(E_ACCESSDENIED, CoQueryProxyBlanket(services.Get(), nullptr, nullptr, nullptr, &authn, nullptr,
                                                  nullptr, nullptr));
    EXPECT_EQ(S_OK, CoQueryProxyBlanket(services.Get(), nullptr, nullptr, nullptr, &authn, nullptr, nullptr,
                                        nullptr));
    for (HRESULT expected : {S_OK, E_OUTOFMEMORY, S_OK}) {
        EXPECT_EQ(expected, CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                              RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                              EOAC_NONE));
    }
    PalBlanket blanket;
    ASSERT_TRUE(PalWmiProxyBlanket(services.Get(), &blanket));
    EXPECT_EQ(2, blanket.setCount);
}

}  // namespace
}  // namespace services_test
