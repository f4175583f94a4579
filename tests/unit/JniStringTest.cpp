#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <new>
#include <string>

#include "FakeJni.h"
#include "wmicred/CredString.h"
#include "jni/JniString.h"
#include "text/Utf16.h"

using wmibridge::CJniString;

TEST(JniString, NullStringHasLengthMinusOneAndNoText)
{
    fakejni::Env fake;
    {
        CJniString view(fake.env(), nullptr);
        EXPECT_TRUE(view.IsNull());
        EXPECT_EQ(view.Length(), -1);
        EXPECT_EQ(view.Chars(), nullptr);
        EXPECT_FALSE(view.OutOfMemory());
    }
    EXPECT_EQ(fake.stringCharsOut, 0);
}

TEST(JniString, TextIsTerminatedAlthoughJniDoesNotTerminateIt)
{
    fakejni::Env fake;
    for (const std::u16string& text : {std::u16string(), std::u16string(u"root\\cimv2"),
                                       std::u16string(300, u'x'), std::u16string(u"\u00e9\U0001F600")}) {
        CJniString view(fake.env(), fake.NewString(text));
        EXPECT_EQ(view.Length(), static_cast<int32_t>(text.size()));
        ASSERT_NE(view.Chars(), nullptr);
        EXPECT_EQ(wmibridge::text::Length(view.Chars()), text.size());
        EXPECT_EQ(std::u16string(view.Chars()), text);
    }
    EXPECT_EQ(fake.stringCharsOut, 0);
}

TEST(JniString, LengthStaysTheJavaLengthWithAnEmbeddedNul)
{
    fakejni::Env fake;
    CJniString view(fake.env(), fake.NewString(std::u16string(u"ab\0cd", 5)));
    EXPECT_EQ(view.Length(), 5);
    EXPECT_EQ(wmibridge::text::Length(view.Chars()), 2u);
}

TEST(JniString, TextOnEitherSideOfTheInlineBufferIsCopiedOnceAndTerminated)
{
    fakejni::Env fake;
    for (size_t length : {size_t{1}, size_t{127}, size_t{128}, size_t{129}, size_t{4096}}) {
        std::u16string text(length, u'a');
        text.back() = u'z';
        const int copiesBefore = fake.stringRegionsCopied;
        CJniString view(fake.env(), fake.NewString(text));
        ASSERT_NE(view.Chars(), nullptr) << length;
        EXPECT_EQ(std::u16string(view.Chars()), text) << length;
        EXPECT_EQ(fake.stringRegionsCopied - copiesBefore, 1) << length;
    }
    EXPECT_EQ(fake.stringCharsOut, 0);
    EXPECT_FALSE(fake.pending.has_value());
}

namespace {

// Whether `needle` still stands in the bytes that a view occupied.
bool StorageHolds(const unsigned char* storage, size_t size, const std::u16string& needle)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(needle.data());
    const size_t length = needle.size() * sizeof(char16_t);
    for (size_t i = 0; i + length <= size; ++i) {
        if (std::equal(bytes, bytes + length, storage + i)) {
            return true;
        }
    }
    return false;
}

}  // namespace

TEST(JniString, ASecretIsWipedWhenTheViewGoesAndOtherTextIsNot)
{
    fakejni::Env fake;
    const std::u16string secret(u"Pa55word!");
    alignas(CJniString) unsigned char storage[sizeof(CJniString)];
    for (const auto content : {CJniString::Content::Secret, CJniString::Content::Text}) {
        std::fill(std::begin(storage), std::end(storage), 0);
        auto* view = new (storage) CJniString(fake.env(), fake.NewString(secret), content);
        ASSERT_EQ(std::u16string(view->Chars()), secret);
        ASSERT_TRUE(StorageHolds(storage, sizeof(storage), secret));
        view->~CJniString();
        EXPECT_EQ(StorageHolds(storage, sizeof(storage), secret), content == CJniString::Content::Text);
    }
}

namespace {

// A text of `length` units whose ends differ from its middle.
std::u16string TextOfLength(size_t length)
{
    std::u16string text(length, u'p');
    text.front() = u'P';
    text.back() = u'!';
    return text;
}

// Makes a view of `text` in storage of its own, checks its text and whether the copy stands inline,
// lets the view go and tells whether the storage still holds the text.
template <class View, class... Extra>
bool LeftInTheViewsStorage(fakejni::Env& fake, const std::u16string& text, bool copiedInline, Extra... extra)
{
    alignas(View) unsigned char storage[sizeof(View)] = {};
    auto* view = new (storage) View(fake.env(), fake.NewString(text), extra...);
    EXPECT_NE(view->Chars(), nullptr) << text.size();
    EXPECT_EQ(std::u16string(view->Chars() != nullptr ? view->Chars() : u""), text) << text.size();
    EXPECT_EQ(StorageHolds(storage, sizeof(storage), text), copiedInline) << text.size();
    view->~View();
    return StorageHolds(storage, sizeof(storage), text);
}

}  // namespace

TEST(JniString, ASecretFillingTheInlineBufferExactlyStaysInlineAndIsWiped)
{
    fakejni::Env fake;
    for (const size_t length : {size_t{127}, size_t{128}}) {
        EXPECT_FALSE(LeftInTheViewsStorage<CJniString>(fake, TextOfLength(length), length < 128,
                                                       CJniString::Content::Secret))
            << length;
    }
}

// wmicred's own view wipes every copy it makes, inline up to its exact fit as on the heap.
TEST(CredString, ThePasswordIsWipedWhenTheViewGoes)
{
    fakejni::Env fake;
    for (const size_t length : {size_t{9}, size_t{271}, size_t{272}}) {
        EXPECT_FALSE(LeftInTheViewsStorage<wmicred::CCredString>(fake, TextOfLength(length), length < 272))
            << length;
    }
    EXPECT_EQ(fake.stringCharsOut, 0);
}
