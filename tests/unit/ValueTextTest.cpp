#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "FakeJni.h"
#include "values/ArrayElements.h"
#include "values/JavaText.h"
#include "values/ValueText.h"

using namespace wmibridge;

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

// Every type the three readers know, they know alike: an array read as text has elements of the size
// a SAFEARRAY of that type has, and reads them as the scalar of the type; a type one reader refuses
// is refused by the others as it should be (no guessed element size).
TEST(VarTypes, ElementSizesTextsAndArrayReadsAgreeForEveryType)
{
    int arraysReadAsText = 0;
    for (int type = 0; type < 0x100; ++type) {
        const auto vt = static_cast<VARTYPE>(type);
        const size_t size = ArrayElementSize(vt);
        const bool hasText = TextOf<int64_t>(vt, 0) != u"<none>";
        if (IsReadableArrayElement(vt)) {
            ++arraysReadAsText;
            EXPECT_TRUE(hasText) << vt;
            EXPECT_NE(0u, size) << vt;
        }
        if (size != 0) {
            SAFEARRAY* array = SafeArrayCreateVector(vt, 0, 1);
            ASSERT_NE(nullptr, array) << vt;
            EXPECT_EQ(size, SafeArrayGetElemsize(array)) << vt;
            SafeArrayDestroy(array);
        }
    }
    EXPECT_EQ(12, arraysReadAsText);
    for (const VARTYPE unknown : {VARTYPE{VT_DATE}, VARTYPE{VT_CY}, VARTYPE{VT_DECIMAL}, VARTYPE{VT_ERROR},
                                  VARTYPE{VT_VARIANT}, VARTYPE{15}, VARTYPE{24}}) {
        EXPECT_EQ(0u, ArrayElementSize(unknown)) << unknown;
        EXPECT_FALSE(IsReadableArrayElement(unknown)) << unknown;
    }
    EXPECT_EQ(8u, ArrayElementSize(VT_I8));
    EXPECT_EQ(8u, ArrayElementSize(VT_UI8));
    EXPECT_EQ(sizeof(IUnknown*), ArrayElementSize(VT_UNKNOWN));
    EXPECT_FALSE(IsReadableArrayElement(VT_I8));
    EXPECT_FALSE(IsReadableArrayElement(VT_EMPTY));
}

namespace {

// An array value of `count` elements of type vt, element i holding `element(i)`'s bytes.
template <class T, class Make>
VARIANT ArrayValue(VARTYPE vt, ULONG count, Make element)
{
    VARIANT value;
    VariantInit(&value);
    SAFEARRAY* array = SafeArrayCreateVector(vt, 0, count);
    void* data = nullptr;
    if (array == nullptr || FAILED(SafeArrayAccessData(array, &data))) {
        ADD_FAILURE() << "no array of type " << vt;
        return value;
    }
    for (ULONG i = 0; i < count; ++i) {
        const T bits = element(i);
        std::memcpy(static_cast<unsigned char*>(data) + i * sizeof(T), &bits, sizeof(T));
    }
    SafeArrayUnaccessData(array);
    V_VT(&value) = static_cast<VARTYPE>(VT_ARRAY | vt);
    V_ARRAY(&value) = array;
    return value;
}

// Reads an array of every element in `samples` through AddVariantValues and checks that each
// element reads as the same scalar would, and that no local reference outlives its element.
template <class T>
void ExpectArrayReadsAsScalars(VARTYPE vt, const std::vector<T>& samples)
{
    fakejni::Env fake;
    jobject collection = fake.NewCollection();
    VARIANT value =
        ArrayValue<T>(vt, static_cast<ULONG>(samples.size()), [&](ULONG i) { return samples[i]; });
    ASSERT_EQ(kSuccess, AddVariantValues(fake.env(), &value, collection)) << vt;
    const auto& items = fake.CollectionOf(collection).items;
    ASSERT_EQ(samples.size(), items.size()) << vt;
    for (size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(std::optional(TextOf(vt, samples[i])), items[i]) << "type " << vt << ", element " << i;
    }
    EXPECT_EQ(0, fake.ElementRefsAlive()) << vt;
    EXPECT_LE(fake.elementRefsPeak, 1) << vt;
    VariantClear(&value);
}

}  // namespace

TEST(ArrayRead, EveryReadableElementTypeReadsAsItsScalars)
{
    ExpectArrayReadsAsScalars<int8_t>(VT_I1, {0, -1, -128, 127});
    ExpectArrayReadsAsScalars<uint8_t>(VT_UI1, {0, 1, 128, 255});
    ExpectArrayReadsAsScalars<int16_t>(VT_I2, {0, -1, -32768, 32767});
    ExpectArrayReadsAsScalars<uint16_t>(VT_UI2, {0, 1, 32768, 65535});
    ExpectArrayReadsAsScalars<int32_t>(VT_I4, {0, -1, std::numeric_limits<int32_t>::min(), 2147483647});
    ExpectArrayReadsAsScalars<int32_t>(VT_INT, {0, -1, std::numeric_limits<int32_t>::min(), 2147483647});
    ExpectArrayReadsAsScalars<uint32_t>(VT_UI4, {0, 1, 0x80000000u, 0xFFFFFFFFu});
    ExpectArrayReadsAsScalars<uint32_t>(VT_UINT, {0, 1, 0x80000000u, 0xFFFFFFFFu});
    ExpectArrayReadsAsScalars<float>(VT_R4, {0.0f, -1.5f, 0.1f, 3.0e38f});
    ExpectArrayReadsAsScalars<double>(VT_R8, {0.0, -2.5, 1e-7, 1e300});
    ExpectArrayReadsAsScalars<int16_t>(VT_BOOL, {VARIANT_TRUE, VARIANT_FALSE, 1, VARIANT_TRUE});
}

TEST(ArrayRead, StringElementsAndTheirTextsEachReadOnce)
{
    std::vector<BSTR> strings;
    for (const char16_t* text : {u"first", u"", u"\u00e9t\u00e9", u"last"}) {
        strings.push_back(SysAllocString(text));
    }
    strings.push_back(nullptr);
    ExpectArrayReadsAsScalars<BSTR>(VT_BSTR, strings);  // VariantClear frees the strings
}

TEST(ArrayRead, ManyElementsHoldOneLocalReferenceAtATime)
{
    fakejni::Env fake;
    jobject collection = fake.NewCollection();
    constexpr ULONG kCount = 5000;
    VARIANT value = ArrayValue<int32_t>(VT_I4, kCount, [](ULONG i) { return static_cast<int32_t>(i); });
    ASSERT_EQ(kSuccess, AddVariantValues(fake.env(), &value, collection));
    EXPECT_EQ(kCount, fake.CollectionOf(collection).items.size());
    EXPECT_EQ(std::optional<std::u16string>(u"4999"), fake.CollectionOf(collection).items.back());
    EXPECT_EQ(0, fake.ElementRefsAlive());
    EXPECT_EQ(1, fake.elementRefsPeak);
    VariantClear(&value);
}
