// The value texts of a capture: reals that read back to the same bits, escapes, datetimes.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "wmicapture/MofText.h"

namespace {

using wmicapture::Text;

std::string Real64(double value)
{
    Text out;
    EXPECT_TRUE(wmicapture::AppendReal64(out, value));
    return wmicapture::ToUtf8(out);
}

std::string Real32(float value)
{
    Text out;
    EXPECT_TRUE(wmicapture::AppendReal32(out, value));
    return wmicapture::ToUtf8(out);
}

TEST(MofText, RealsReadBackBitForBitAndAlwaysAsReals)
{
    const double doubles[] = {0.1,
                              0.30000000000000004,
                              1.0,
                              -0.0,
                              5e-324,
                              2.2250738585072014e-308,
                              std::numeric_limits<double>::max(),
                              -123456789.125,
                              1e21};
    for (double value : doubles) {
        const std::string text = Real64(value);
        EXPECT_NE(std::string::npos, text.find_first_of(".e")) << text;
        double back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(0, std::memcmp(&value, &back, sizeof value)) << text;
    }
    EXPECT_EQ("0.1", Real64(0.1));
    EXPECT_EQ("1.0", Real64(1.0));
    const float floats[] = {0.1f, 1e-45f, std::numeric_limits<float>::max(), -3.25f, 16777217.0f};
    for (float value : floats) {
        const std::string text = Real32(value);
        double back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        const auto narrowed = static_cast<float>(back);
        EXPECT_EQ(0, std::memcmp(&value, &narrowed, sizeof value)) << text;
    }
    EXPECT_EQ("0.1", Real32(0.1f));
    Text out;
    EXPECT_FALSE(wmicapture::AppendReal64(out, std::nan("")));
    EXPECT_FALSE(wmicapture::AppendReal32(out, std::numeric_limits<float>::infinity()));
    EXPECT_TRUE(out.empty());
}

TEST(MofText, StringsAndCharactersEscapeWhatIsNotPlainlyPrintable)
{
    Text out;
    wmicapture::AppendString(out, u"a\"b\\c\td\ne\x0001\xD800z\xD83D\xDE00");
    EXPECT_EQ(u"\"a\\\"b\\\\c\\td\\ne\\x0001\\xD800z\xD83D\xDE00\"", out);
    out.clear();
    wmicapture::AppendChar16(out, u'\'');
    wmicapture::AppendChar16(out, u'\0');
    EXPECT_EQ(u"'\\'''\\x0000'", out);
}

TEST(MofText, DatetimesAndIntervalsAreRecognised)
{
    EXPECT_TRUE(wmicapture::IsCimDatetime(u"20240102030405.000000+060"));
    EXPECT_TRUE(wmicapture::IsCimDatetime(u"2024**02030405.******-300"));
    EXPECT_TRUE(wmicapture::IsCimDatetime(u"00000001020304.000000:000"));
    EXPECT_FALSE(wmicapture::IsCimDatetime(u"20261208145750.153000+00"));
    EXPECT_FALSE(wmicapture::IsCimDatetime(u"00000001020304.000000:060"));
    EXPECT_FALSE(wmicapture::IsCimDatetime(u"20240102030405,000000+060"));
    EXPECT_FALSE(wmicapture::IsCimDatetime(u"2024010203040x.000000+060"));
    EXPECT_FALSE(wmicapture::IsCimDatetime(u""));
}

}  // namespace
