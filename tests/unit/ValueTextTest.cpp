#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "values/ValueText.h"

using namespace wmiprov;

namespace {

// The text of a value of type vt whose storage holds `bits`, or "<none>" when it has no text.
template <class T>
std::u16string TextOf(VARTYPE vt, T bits)
{
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = vt;
    std::memcpy(&V_UI1(&value), &bits, sizeof(bits));
    ValueTextBuffer buffer;
    ValueText text;
    if (!VariantText(&value, buffer, text)) {
        return u"<none>";
    }
    return std::u16string(text.chars, text.length);
}

}  // namespace

TEST(ValueText, IntegersBySignedness)
{
    EXPECT_EQ(TextOf<int32_t>(VT_I4, -1), u"-1");
    EXPECT_EQ(TextOf<uint32_t>(VT_UI4, 0xFFFFFFFFu), u"4294967295");
    EXPECT_EQ(TextOf<uint32_t>(VT_UINT, 0xFFFFFFFFu), u"4294967295");
    EXPECT_EQ(TextOf<int32_t>(VT_INT, -2147483647 - 1), u"-2147483648");
    EXPECT_EQ(TextOf<uint8_t>(VT_I1, 0x80), u"-128");
    EXPECT_EQ(TextOf<uint8_t>(VT_UI1, 0x80), u"128");
    EXPECT_EQ(TextOf<uint16_t>(VT_I2, 0xFFFF), u"-1");
    EXPECT_EQ(TextOf<uint16_t>(VT_UI2, 0xFFFF), u"65535");
}

TEST(ValueText, FloatsWithSixDecimals)
{
    EXPECT_EQ(TextOf<double>(VT_R8, 2.5), u"2.500000");
    EXPECT_EQ(TextOf<double>(VT_R8, 1e-7), u"0.000000");
    EXPECT_EQ(TextOf<float>(VT_R4, 0.1f), u"0.100000");
    EXPECT_EQ(TextOf<float>(VT_R4, 1.5f), u"1.500000");
    EXPECT_EQ(TextOf<double>(VT_R8, 1e300).size(), 301u + 7u);
}

TEST(ValueText, BooleanIsOneOnlyForVariantTrue)
{
    EXPECT_EQ(TextOf<int16_t>(VT_BOOL, -1), u"1");
    EXPECT_EQ(TextOf<int16_t>(VT_BOOL, 0), u"0");
    EXPECT_EQ(TextOf<int16_t>(VT_BOOL, 1), u"0");
}

TEST(ValueText, StringsStopAtTheFirstNulAndNullReadsEmpty)
{
    EXPECT_EQ(TextOf<BSTR>(VT_BSTR, nullptr), u"");
    BSTR embedded = SysAllocStringLen(u"ab\0cd", 5);
    EXPECT_EQ(TextOf<BSTR>(VT_BSTR, embedded), u"ab");
    SysFreeString(embedded);
    EXPECT_EQ(TextOf<int>(VT_NULL, 0), u"");
    EXPECT_EQ(TextOf<int>(VT_EMPTY, 0), u"");
}

TEST(ValueText, TypesWithoutText)
{
    const int withoutText[] = {VT_I8,      VT_UI8,           VT_DATE,         VT_CY,      VT_DISPATCH,
                               VT_UNKNOWN, VT_ERROR,         VT_DECIMAL,      VT_VARIANT, 15,
                               24,         VT_ARRAY | VT_I4, VT_BYREF | VT_I4};
    for (const int type : withoutText) {
        const auto vt = static_cast<VARTYPE>(type);
        EXPECT_EQ(TextOf<int64_t>(vt, 0), u"<none>") << vt;
    }
}
