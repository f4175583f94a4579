#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "NoLeaks.h"

using Apartment = NoLeaks;

TEST_F(Apartment, RepeatedInitialisationInTheSameModeIsCounted)
{
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    EXPECT_EQ(PalApartmentDepth(), 2);
    CoUninitialize();
    EXPECT_EQ(PalApartmentDepth(), 1);
    CoUninitialize();
    EXPECT_EQ(PalApartmentDepth(), 0);
    CoUninitialize();  // one too many is ignored
    EXPECT_EQ(PalApartmentDepth(), 0);
}

TEST_F(Apartment, TheOtherModeIsRefusedWithoutChangingTheDepth)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    EXPECT_EQ(PalApartmentDepth(), 1);
    EXPECT_EQ(PalApartmentMode(), COINIT_APARTMENTTHREADED);
    CoUninitialize();
    EXPECT_EQ(PalApartmentMode(), -1);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
}

TEST_F(Apartment, DepthIsPerThreadAndAThreadThatEndsLeavesItsApartment)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    std::thread other([] {
        EXPECT_EQ(PalApartmentDepth(), 0);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        EXPECT_EQ(PalApartmentDepthTotal(), 2);
    });
    other.join();
    EXPECT_EQ(PalApartmentDepthTotal(), 1);
    CoUninitialize();
}
