#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <new>
#include <string>

#include "FakeJni.h"
#include "cred/CredString.h"
#include "jni/JniString.h"
#include "text/Utf16.h"

using wmiprov::CJniString;

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
        EXPECT_EQ(wmiprov::text::Length(view.Chars()), text.size());
        EXPECT_EQ(std::u16string(view.Chars()), text);
    }
    EXPECT_EQ(fake.stringCharsOut, 0);
}

TEST(JniString, LengthStaysTheJavaLengthWithAnEmbeddedNul)
{
    fakejni::Env fake;
    CJniString view(fake.env(), fake.NewString(std::u16string(u"ab\0cd", 5)));
    EXPECT_EQ(view.Length(), 5);
    EXPECT_EQ(wmiprov::text::Length(view.Chars()), 2u);
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

// wmicred's own view wipes every copy it makes, inline up to its exact fit as on the heap, and
// keeps the text intact on either side of the inline buffer.
TEST(CredString, ThePasswordIsWipedWhenTheViewGoes)
{
    using wmicred::CCredString;
    fakejni::Env fake;
    alignas(CCredString) unsigned char storage[sizeof(CCredString)];
    for (const size_t length : {size_t{9}, size_t{271}, size_t{272}}) {
        std::u16string secret(length, u'p');
        secret.front() = u'P';
        secret.back() = u'!';
        std::fill(std::begin(storage), std::end(storage), 0);
        auto* view = new (storage) CCredString(fake.env(), fake.NewString(secret));
        ASSERT_NE(view->Chars(), nullptr) << length;
        EXPECT_EQ(std::u16string(view->Chars()), secret) << length;
        EXPECT_EQ(view->Length(), static_cast<int32_t>(length));
        const bool inlineCopy = StorageHolds(storage, sizeof(storage), secret);
        EXPECT_EQ(inlineCopy, length < 272) << length;
        view->~CCredString();
        EXPECT_FALSE(StorageHolds(storage, sizeof(storage), secret)) << length;
    }
    EXPECT_EQ(fake.stringCharsOut, 0);
}

TEST(JniString, TheInlineBufferHoldsTextUpToItsExactFit)
{
    fakejni::Env fake;
    alignas(CJniString) unsigned char storage[sizeof(CJniString)];
    for (const size_t length : {size_t{127}, size_t{128}}) {
        std::u16string text(length, u't');
        text.back() = u'!';
        std::fill(std::begin(storage), std::end(storage), 0);
        auto* view = new (storage) CJniString(fake.env(), fake.NewString(text), CJniString::Content::Secret);
        EXPECT_EQ(std::u16string(view->Chars()), text) << length;
        EXPECT_EQ(StorageHolds(storage, sizeof(storage), text), length < 128) << length;
        view->~CJniString();
        EXPECT_FALSE(StorageHolds(storage, sizeof(storage), text)) << length;
    }
}
