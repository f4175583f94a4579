// A fixture whose tests must leave nothing of the platform alive: no BSTR, SAFEARRAY, COM object,
// task-allocator block or COM initialisation.
#pragma once

#include <gtest/gtest.h>
#include <pal/testing.h>

class NoLeaks : public ::testing::Test {
protected:
    void TearDown() override
    {
        PalResetFaults();
        const char* what = nullptr;
        EXPECT_TRUE(PalNothingAlive(&what)) << "still alive: " << what;
    }
};
