#include <gtest/gtest.h>

#include "wmi/ErrorCodes.h"

using wmibridge::HResultToCode;

TEST(HResultToCode, Win32FacilityGivesTheWin32Number)
{
    EXPECT_EQ(HResultToCode(E_ACCESSDENIED), 5);
    EXPECT_EQ(HResultToCode(static_cast<HRESULT>(0x800706BA)), 1722);
    EXPECT_EQ(HResultToCode(E_OUTOFMEMORY), 14);
}

TEST(HResultToCode, OtherFailuresPassUnchanged)
{
    EXPECT_EQ(HResultToCode(static_cast<HRESULT>(0x80041008)), -2147217400);
    EXPECT_EQ(HResultToCode(RPC_E_CHANGED_MODE), -2147417850);
    EXPECT_EQ(HResultToCode(E_NOINTERFACE), static_cast<int32_t>(0x80004002));
}

TEST(HResultToCode, SuccessCodesPassUnchanged)
{
    EXPECT_EQ(HResultToCode(S_OK), 0);
    EXPECT_EQ(HResultToCode(S_FALSE), 1);
    // A success code with the Win32 facility is not a failure and keeps all its bits.
    EXPECT_EQ(HResultToCode(static_cast<HRESULT>(0x00070005)), 0x00070005);
}
