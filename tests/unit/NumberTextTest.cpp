#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <limits>
#include <string>

#include "text/NumberText.h"

using namespace wmibridge::text;

namespace {

std::u16string Signed(int64_t value)
{
    WCHAR buffer[kIntegerTextCapacity];
    FormatSigned(value, buffer, kIntegerTextCapacity);
    return buffer;
}

std::u16string Unsigned(uint64_t value)
{
    WCHAR buffer[kIntegerTextCapacity];
    FormatUnsigned(value, buffer, kIntegerTextCapacity);
    return buffer;
}

std::u16string Fixed(double value)
{
    WCHAR buffer[kFixedTextCapacity];
    FormatFixed6(value, buffer, kFixedTextCapacity);
    return buffer;
}

}  // namespace

TEST(NumberText, IntegersInDecimalWithoutGroupingOrPadding)
{
    EXPECT_EQ(Signed(0), u"0");
    EXPECT_EQ(Signed(-1), u"-1");
    EXPECT_EQ(Signed(-128), u"-128");
    EXPECT_EQ(Signed(std::numeric_limits<int64_t>::min()), u"-9223372036854775808");
    EXPECT_EQ(Unsigned(4294967295u), u"4294967295");
    EXPECT_EQ(Unsigned(std::numeric_limits<uint64_t>::max()), u"18446744073709551615");
}

TEST(NumberText, HexIsUpperCaseWithoutLeadingZeros)
{
    WCHAR buffer[kIntegerTextCapacity];
    FormatHexUpper(0x8004104A, buffer, kIntegerTextCapacity);
    EXPECT_EQ(std::u16string(buffer), u"8004104A");
    FormatHexUpper(0xA, buffer, kIntegerTextCapacity);
    EXPECT_EQ(std::u16string(buffer), u"A");
}

TEST(NumberText, FixedHasSixRoundedDecimals)
{
    EXPECT_EQ(Fixed(2.5), u"2.500000");
    EXPECT_EQ(Fixed(1e-7), u"0.000000");
    EXPECT_EQ(Fixed(-0.0000005), u"-0.000000");
    EXPECT_EQ(Fixed(static_cast<double>(0.1f)), u"0.100000");
    EXPECT_EQ(Fixed(1.0000005), u"1.000001");  // 1.0000005 is stored just above the half
    EXPECT_EQ(Fixed(-123456.75), u"-123456.750000");
}

TEST(NumberText, LargestDoublesComeOutWhole)
{
    const std::u16string text = Fixed(-std::numeric_limits<double>::max());
    EXPECT_EQ(text.size(), 1 + 309 + 7u);
    EXPECT_EQ(text.substr(0, 5), u"-1797");
    EXPECT_EQ(text.substr(text.size() - 7), u".000000");
}

TEST(NumberText, TooSmallBufferGivesEmptyTextNotAnOverrun)
{
    WCHAR buffer[4] = {u'x', u'x', u'x', u'x'};
    EXPECT_EQ(FormatSigned(-12345, buffer, 4), 0u);
    EXPECT_EQ(buffer[0], 0);
}

TEST(NumberText, IndependentOfTheProcessLocale)
{
    const char* chosen = nullptr;
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "C.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            chosen = name;
            break;
        }
    }
    EXPECT_EQ(Fixed(2.5), u"2.500000") << "locale " << (chosen ? chosen : "C");
    EXPECT_EQ(Signed(1234567), u"1234567");
    std::setlocale(LC_ALL, "C");
}

// A text that fills the capacity exactly (terminator included) is written whole; one unit less
// gives the empty text. Nothing is ever written past the capacity.
TEST(NumberText, ExactFitAndOnePastNeverWriteBeyondTheCapacity)
{
    const struct {
        const char* what;
        size_t (*format)(WCHAR*, size_t);
        std::u16string text;
    } cases[] = {
        {"signed", [](WCHAR* t, size_t c) { return FormatSigned(std::numeric_limits<int64_t>::min(), t, c); },
         u"-9223372036854775808"},
        {"unsigned",
         [](WCHAR* t, size_t c) { return FormatUnsigned(std::numeric_limits<uint64_t>::max(), t, c); },
         u"18446744073709551615"},
        {"hex", [](WCHAR* t, size_t c) { return FormatHexUpper(0x8004108A, t, c); }, u"8004108A"},
        {"fixed", [](WCHAR* t, size_t c) { return FormatFixed6(-123456.75, t, c); }, u"-123456.750000"},
        {"one digit", [](WCHAR* t, size_t c) { return FormatUnsigned(7, t, c); }, u"7"},
    };
    constexpr WCHAR kGuard = u'#';
    for (const auto& c : cases) {
        const size_t exact = c.text.size() + 1;
        std::u16string buffer(exact + 4, kGuard);
        EXPECT_EQ(c.format(buffer.data(), exact), c.text.size()) << c.what;
        EXPECT_EQ(buffer.substr(0, exact), c.text + u'\0') << c.what;
        EXPECT_EQ(buffer.substr(exact), std::u16string(4, kGuard)) << c.what;

        buffer.assign(exact + 4, kGuard);
        EXPECT_EQ(c.format(buffer.data(), exact - 1), 0u) << c.what;
        EXPECT_EQ(buffer[0], 0) << c.what;
        EXPECT_EQ(buffer.substr(exact - 1), std::u16string(5, kGuard)) << c.what;

        buffer.assign(4, kGuard);
        EXPECT_EQ(c.format(buffer.data(), 0), 0u) << c.what;
        EXPECT_EQ(buffer, std::u16string(4, kGuard)) << c.what;
    }
    // The libraries' own capacities hold the longest texts.
    WCHAR integer[kIntegerTextCapacity];
    EXPECT_EQ(FormatSigned(std::numeric_limits<int64_t>::min(), integer, kIntegerTextCapacity), 20u);
    EXPECT_EQ(FormatHexUpper(std::numeric_limits<uint64_t>::max(), integer, kIntegerTextCapacity), 16u);
    WCHAR fixed[kFixedTextCapacity];
    EXPECT_EQ(FormatFixed6(-std::numeric_limits<double>::max(), fixed, kFixedTextCapacity), 317u);
}
