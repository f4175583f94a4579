#include <gtest/gtest.h>
#include <oleauto.h>

#include <cstring>

#include "NoLeaks.h"

using Bstr = NoLeaks;

TEST_F(Bstr, NullInNullOut)
{
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

TEST_F(Bstr, KeepsItsLengthAndIsAlwaysTerminated)
{
    BSTR text = SysAllocString(u"WQL");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 3u);
    EXPECT_EQ(SysStringByteLen(text), 6u);
    EXPECT_EQ(text[3], 0);
    // The byte length sits right before the characters, as on Windows.
    uint32_t prefix = 0;
    std::memcpy(&prefix, reinterpret_cast<const char*>(text) - 4, 4);
    EXPECT_EQ(prefix, 6u);
    EXPECT_EQ(PalLiveCount(PAL_KIND_BSTR), 1);
    SysFreeString(text);
    EXPECT_EQ(PalLiveCount(PAL_KIND_BSTR), 0);
}

TEST_F(Bstr, LengthCountsEmbeddedNuls)
{
    const OLECHAR source[] = {u'a', 0, u'b'};
    BSTR text = SysAllocStringLen(source, 3);
    EXPECT_EQ(SysStringLen(text), 3u);
    EXPECT_EQ(text[1], 0);
    EXPECT_EQ(text[3], 0);
    SysFreeString(text);

    BSTR zeroed = SysAllocStringLen(nullptr, 4);
    ASSERT_NE(zeroed, nullptr);
    EXPECT_EQ(SysStringLen(zeroed), 4u);
    EXPECT_EQ(zeroed[0], 0);
    SysFreeString(zeroed);
}

TEST_F(Bstr, InjectedAllocationFailuresAreCountedDown)
{
    PalFailNext(PAL_FAULT_SYSALLOCSTRING, 2);
    EXPECT_EQ(SysAllocString(u"a"), nullptr);
    EXPECT_EQ(SysAllocStringLen(u"a", 1), nullptr);
    BSTR third = SysAllocString(u"a");
    EXPECT_NE(third, nullptr);
    SysFreeString(third);
}

TEST(BstrDeath, FreeingWhatIsNotABstrStopsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    OLECHAR notABstr[8] = {u'n', u'o', u't', u' ', u'B', u'S', u'T', u'R'};
    EXPECT_DEATH(SysFreeString(notABstr + 4), "not a BSTR");
}
