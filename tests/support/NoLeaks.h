// A fixture whose tests must leave nothing of the platform alive: no BSTR, SAFEARRAY, COM object,
// task-allocator block or COM initialisation. The check runs in the destructor, after a derived
// fixture has released its own members, and resets any fault a test left planted.
#pragma once

#include <gtest/gtest.h>
#include <pal/testing.h>

class NoLeaks : public ::testing::Test {
protected:
    ~NoLeaks() override
    {
        PalResetFaults();
        const char* what = nullptr;
        EXPECT_TRUE(PalNothingAlive(&what)) << "still alive: " << what;
    }
};
