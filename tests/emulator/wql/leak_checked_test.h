// Base fixture of the query tests: every test ends with nothing of the platform layer alive. The
// check runs in the destructor, after the derived fixture has released its own members.
#pragma once

#include <gtest/gtest.h>
#include <pal/testing.h>

namespace wqltest {

class LeakCheckedTest : public ::testing::Test {
protected:
    ~LeakCheckedTest() override
    {
        PalResetFaults();
        const char* what = nullptr;
        EXPECT_TRUE(PalNothingAlive(&what)) << what;
    }
};

}  // namespace wqltest
