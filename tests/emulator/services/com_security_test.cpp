// COM process security and object creation.
#include "emulator_test.h"

namespace services_test {
namespace {

class ComSecurityTest : public EmulatorTest {};

HRESULT InitializeSecurity(DWORD authnLevel, DWORD impLevel)
{
    return CoInitializeSecurity(nullptr, -1, nullptr, nullptr, authnLevel, impLevel, nullptr, EOAC_NONE,
                                nullptr);
}

TEST_F(ComSecurityTest, FirstCallFixesTheProcessSecurityAndLaterCallsAreTooLate)
{
    DWORD authn = 0, imp = 0;
    EXPECT_FALSE(PalProcessSecurity(&authn, &imp));

    EXPECT_EQ(S_OK, InitializeSecurity(RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE));
    EXPECT_EQ(RPC_E_TOO_LATE, InitializeSecurity(RPC_C_AUTHN_LEVEL_PKT_PRIVACY, RPC_C_IMP_LEVEL_DELEGATE));

    ASSERT_TRUE(PalProcessSecurity(&authn, &imp));
    EXPECT_EQ(static_cast<DWORD>(RPC_C_AUTHN_LEVEL_CONNECT), authn);
    EXPECT_EQ(static_cast<DWORD>(RPC_C_IMP_LEVEL_IMPERSONATE), imp);

    PalResetProcessSecurity();
    EXPECT_EQ(S_OK, InitializeSecurity(RPC_C_AUTHN_LEVEL_PKT, RPC_C_IMP_LEVEL_IDENTIFY));
}

TEST_F(ComSecurityTest, FirstProxyFixesDefaultLevelsWhenNobodyInitialisedSecurity)
{
    ComPtr<IWbemServices> services = ConnectLocal(u"root\\cimv2");
    ASSERT_TRUE(services);
    DWORD authn = 0, imp = 0;
    ASSERT_TRUE(PalProcessSecurity(&authn, &imp));
    EXPECT_EQ(static_cast<DWORD>(RPC_C_AUTHN_LEVEL_CONNECT), authn);
    EXPECT_EQ(static_cast<DWORD>(RPC_C_IMP_LEVEL_IDENTIFY), imp);
    EXPECT_EQ(RPC_E_TOO_LATE, InitializeSecurity(RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE));
}

TEST_F(ComSecurityTest, RejectsInvalidLevelsAndUninitialisedThreads)
{
    EXPECT_EQ(E_INVALIDARG, InitializeSecurity(7, RPC_C_IMP_LEVEL_IMPERSONATE));
    EXPECT_EQ(E_INVALIDARG, InitializeSecurity(RPC_C_AUTHN_LEVEL_CONNECT, 5));
    CoUninitialize();
    EXPECT_EQ(CO_E_NOTINITIALIZED,
              InitializeSecurity(RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE));
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    EXPECT_FALSE(PalProcessSecurity(nullptr, nullptr));
}

TEST_F(ComSecurityTest, InjectedFailureLeavesTheSecurityOpen)
{
    PalWmiSetCallResult(PAL_WMI_INITIALIZE_SECURITY, 1, E_OUTOFMEMORY);
    EXPECT_EQ(E_OUTOFMEMORY, InitializeSecurity(RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE));
    EXPECT_EQ(S_OK, InitializeSecurity(RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE));
    EXPECT_EQ(2, PalWmiCallCount(PAL_WMI_INITIALIZE_SECURITY));
}

TEST_F(ComSecurityTest, CreatesTheLocatorAndNothingElse)
{
    ComPtr<IWbemLocator> locator;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                     reinterpret_cast<void**>(locator.Put())));
    EXPECT_EQ(1, PalLiveCount(PAL_KIND_WBEM_LOCATOR));

    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(IID_IWbemServices, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator, &other));
    EXPECT_EQ(nullptr, other);
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_LOCAL_SERVER, IID_IWbemLocator, &other));
    EXPECT_EQ(E_NOINTERFACE,
              CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemServices, &other));
    EXPECT_EQ(CLASS_E_NOAGGREGATION, CoCreateInstance(CLSID_WbemLocator, locator.Get(), CLSCTX_INPROC_SERVER,
                                                      IID_IWbemLocator, &other));
    EXPECT_EQ(1, PalLiveCount(PAL_KIND_WBEM_LOCATOR));

    locator.Reset();
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_WBEM_LOCATOR));
}

TEST_F(ComSecurityTest, LocatorCreationNeedsComAndCanBeMadeToFail)
{
    void* locator = nullptr;
    PalWmiSetCallResult(PAL_WMI_CREATE_INSTANCE, 1, E_OUTOFMEMORY);
    EXPECT_EQ(E_OUTOFMEMORY,
              CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator, &locator));
    CoUninitialize();
    EXPECT_EQ(CO_E_NOTINITIALIZED,
              CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator, &locator));
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    EXPECT_EQ(nullptr, locator);
}

}  // namespace
}  // namespace services_test
