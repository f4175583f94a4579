#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "NoLeaks.h"
#include "wmi/ComApartment.h"

using wmibridge::CComInitHold;
using wmibridge::SettleComDebts;

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

TEST_F(ComApartment, HoldsOutliveTheThreadThatMadeThem)
{
    // Holds made on a thread that ends before they go: each is destroyed here, after the thread's
    // bookkeeping was handed over to them (the sanitizer build sees a leak or a use after free).
    std::vector<std::unique_ptr<CComInitHold>> holds;
    std::thread maker([&] {
        for (int i = 0; i < 3; ++i) {
            holds.push_back(std::make_unique<CComInitHold>());
        }
        EXPECT_EQ(PalApartmentDepth(), 3);
        holds.front().reset();  // one goes on its own thread
        EXPECT_EQ(PalApartmentDepth(), 2);
    });
    maker.join();
    EXPECT_EQ(PalApartmentDepthTotal(), 0) << "the ended thread left its apartment";
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    holds.clear();
    SettleComDebts();
    EXPECT_EQ(PalApartmentDepth(), 1) << "nothing of the ended thread is paid here";
    CoUninitialize();
}

TEST_F(ComApartment, DebtsParkedByManyThreadsArePaidOnceEach)
{
    constexpr int kThreads = 4;
    constexpr int kPerThread = 50;
    std::vector<std::unique_ptr<CComInitHold>> holds;
    for (int i = 0; i < kThreads * kPerThread; ++i) {
        holds.push_back(std::make_unique<CComInitHold>());
    }
    ASSERT_EQ(PalApartmentDepth(), kThreads * kPerThread);
    std::vector<std::thread> destroyers;
    for (int t = 0; t < kThreads; ++t) {
        destroyers.emplace_back([&holds, t] {
            for (int i = 0; i < kPerThread; ++i) {
                holds[static_cast<size_t>(t * kPerThread + i)].reset();
            }
        });
    }
    for (auto& destroyer : destroyers) {
        destroyer.join();
    }
    EXPECT_EQ(PalApartmentDepth(), kThreads * kPerThread) << "nothing is paid before this thread settles";
    SettleComDebts();
    EXPECT_EQ(PalApartmentDepth(), 0);
    SettleComDebts();
    EXPECT_EQ(PalApartmentDepth(), 0);
}

TEST_F(ComApartment, WhatAnEndedThreadLeftUnpaidDoesNotHideLaterDebts)
{
    // A thread ends owing an initialisation that another thread's destroy parked for it; a debt
    // parked for this thread afterwards is still found and paid.
    std::unique_ptr<CComInitHold> ofTheEndedThread;
    std::promise<void> made;
    std::promise<void> destroyed;
    std::thread owner([&] {
        ofTheEndedThread = std::make_unique<CComInitHold>();
        made.set_value();
        destroyed.get_future().wait();
    });
    made.get_future().wait();
    ofTheEndedThread.reset();  // parked for the owner, which never enters the library again
    destroyed.set_value();
    owner.join();

    auto mine = std::make_unique<CComInitHold>();
    ASSERT_EQ(PalApartmentDepth(), 1);
    std::thread([&] { mine.reset(); }).join();
    EXPECT_EQ(PalApartmentDepth(), 1);
    SettleComDebts();
    EXPECT_EQ(PalApartmentDepth(), 0);
}
