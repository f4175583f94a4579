#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "NoLeaks.h"
#include "wmi/ComApartment.h"

using wmiprov::CComInitHold;
using wmiprov::SettleComDebts;

using ComApartment = NoLeaks;

TEST_F(ComApartment, HoldOnOneThreadBalances)
{
    {
        CComInitHold first;
        CComInitHold second;
        EXPECT_TRUE(first.Holds());
        EXPECT_EQ(PalApartmentDepth(), 2);
    }
    EXPECT_EQ(PalApartmentDepth(), 0);
}

TEST_F(ComApartment, HoldDestroyedElsewhereNeverUninitialisesTheOtherThread)
{
    auto hold = std::make_unique<CComInitHold>();
    ASSERT_EQ(PalApartmentDepth(), 1);
    LONG otherBefore = -1;
    LONG otherAfter = -1;
    std::thread other([&] {
        // The destroying thread has its own apartment; it must stay exactly as it was.
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        otherBefore = PalApartmentDepth();
        hold.reset();
        SettleComDebts();
        otherAfter = PalApartmentDepth();
        CoUninitialize();
    });
    other.join();
    EXPECT_EQ(otherBefore, 1);
    EXPECT_EQ(otherAfter, 1);
    // The initialisation is parked for this thread and given back when it next settles.
    EXPECT_EQ(PalApartmentDepth(), 1);
    SettleComDebts();
    EXPECT_EQ(PalApartmentDepth(), 0);
}

TEST_F(ComApartment, FailedInitialisationIsNeverGivenBack)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
        CComInitHold hold;  // RPC_E_CHANGED_MODE in a single-threaded apartment
        EXPECT_FALSE(hold.Holds());
        EXPECT_EQ(PalApartmentDepth(), 1);
    }
    EXPECT_EQ(PalApartmentDepth(), 1);
    EXPECT_EQ(PalApartmentMode(), COINIT_APARTMENTTHREADED);
    CoUninitialize();
}

TEST_F(ComApartment, AdoptsAnInitialisationMadeByTheCaller)
{
    {
        CComInitHold adopted(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        EXPECT_TRUE(adopted.Holds());
        CComInitHold refused(RPC_E_CHANGED_MODE);
        EXPECT_FALSE(refused.Holds());
        EXPECT_EQ(PalApartmentDepth(), 1);
    }
    EXPECT_EQ(PalApartmentDepth(), 0);
}
