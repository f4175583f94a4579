#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "NoLeaks.h"
#include "wmi/ProxySecurity.h"

using namespace wmibridge;

namespace {

std::optional<std::u16string> Domain(const char16_t* user)
{
    text::CTextBuffer buffer;
    const WCHAR* domain = ExtractDomain(user, buffer);
    return domain == nullptr ? std::nullopt : std::optional<std::u16string>(domain);
}

std::optional<std::u16string> UserPart(const char16_t* user)
{
    text::CTextBuffer buffer;
    const WCHAR* part = ExtractUserName(user, buffer);
    return part == nullptr ? std::nullopt : std::optional<std::u16string>(part);
}

}  // namespace

TEST(AccountName, SplitsEveryFormIntoDomainAndUser)
{
    EXPECT_EQ(Domain(u"name@dom"), u"dom");
    EXPECT_EQ(UserPart(u"name@dom"), u"name");
    EXPECT_EQ(Domain(u"dom\\name"), u"dom");
    EXPECT_EQ(UserPart(u"dom\\name"), u"name");
    EXPECT_EQ(Domain(u"name"), u"name");  // a plain name is its own domain
    EXPECT_EQ(UserPart(u"name"), u"name");
    EXPECT_EQ(Domain(u"\\name"), std::nullopt);
    EXPECT_EQ(UserPart(u"\\name"), u"name");
    EXPECT_EQ(Domain(u"a@b\\c"), u"b\\c");  // an at sign takes precedence over a backslash
    EXPECT_EQ(UserPart(u"a@b\\c"), u"a");
    EXPECT_EQ(Domain(u""), std::nullopt);
    EXPECT_EQ(UserPart(u""), u"");
    EXPECT_EQ(UserPart(u"@dom"), std::nullopt);
    EXPECT_EQ(Domain(u"dom\\"), u"dom");
    EXPECT_EQ(UserPart(u"dom\\"), u"");
}

TEST(AccountName, LongNamesUseTheHeapInsteadOfTheStack)
{
    const std::u16string domain(100000, u'd');
    const std::u16string user = domain + u"\\" + std::u16string(50000, u'u');
    EXPECT_EQ(Domain(user.c_str()), domain);
    EXPECT_EQ(UserPart(user.c_str())->size(), 50000u);
}

// The work buffer stays inline up to its exact fit and goes to the heap one unit past it; the
// account parts come out whole either way.
TEST(AccountName, PartsAtTheWorkBuffersExactFitAndOnePast)
{
    constexpr size_t kInline = text::CTextBuffer::kInlineUnits;
    text::CTextBuffer buffer;
    const auto inside = [&buffer] {
        const auto* data = reinterpret_cast<const unsigned char*>(buffer.Data());
        const auto* object = reinterpret_cast<const unsigned char*>(&buffer);
        return data >= object && data < object + sizeof(buffer);
    };
    ASSERT_TRUE(buffer.Reserve(kInline));
    EXPECT_TRUE(inside());
    ASSERT_TRUE(buffer.Reserve(kInline + 1));
    EXPECT_FALSE(inside());
    for (const size_t length : {kInline - 1, kInline, kInline + 1}) {
        const std::u16string part(length, u'd');
        EXPECT_EQ(Domain((part + u"\\user").c_str()), part) << length;
        EXPECT_EQ(UserPart((part + u"@dom").c_str()), part) << length;
    }
}

using AuthIdentity = NoLeaks;

TEST_F(AuthIdentity, RecordHoldsUserPartDomainAndPassword)
{
    CRefPtr<CAuthIdentity> identity = CreateAuthIdentity(u"CORP\\alice", u"CORP", u"secret");
    ASSERT_FALSE(identity.IsEmpty());
    const COAUTHIDENTITY* record = identity->Record();
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(record->User)), u"alice");
    EXPECT_EQ(record->UserLength, 5u);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(record->Domain)), u"CORP");
    EXPECT_EQ(record->DomainLength, 4u);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(record->Password)), u"secret");
    EXPECT_EQ(record->PasswordLength, 6u);
    EXPECT_EQ(record->Flags, static_cast<ULONG>(SEC_WINNT_AUTH_IDENTITY_UNICODE));
}

TEST_F(AuthIdentity, NoRecordWithoutAllThreeOrWithoutAUserPart)
{
    EXPECT_TRUE(CreateAuthIdentity(nullptr, u"d", u"p").IsEmpty());
    EXPECT_TRUE(CreateAuthIdentity(u"u", nullptr, u"p").IsEmpty());
    EXPECT_TRUE(CreateAuthIdentity(u"u", u"d", nullptr).IsEmpty());
    EXPECT_TRUE(CreateAuthIdentity(u"@dom", u"dom", u"p").IsEmpty());
    EXPECT_FALSE(CreateAuthIdentity(u"name", u"name", u"").IsEmpty());
}
