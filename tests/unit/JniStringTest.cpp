#include <gtest/gtest.h>

#include <string>

#include "FakeJni.h"
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
