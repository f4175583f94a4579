#include <gmock/gmock.h>

#include "win32/registry.h"
#include "win32_test.h"

namespace win32_test {
namespace {

using pal::win32::AccountName;
using pal::win32::Registry;
using pal::win32::RegistryRoot;
using pal::win32::RegistryValue;
using ::testing::ElementsAre;

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;

TEST(RegistryTest, KeysAreCreatedWithTheirParentsAndFoundInAnyCase)
{
    Registry registry;
    EXPECT_TRUE(registry.KeyExists(kUser, u""));
    ASSERT_TRUE(registry.CreateKey(kUser, u"Software\\Vendor\\App"));
    EXPECT_TRUE(registry.KeyExists(kUser, u"software\\VENDOR"));
    EXPECT_TRUE(registry.KeyExists(kUser, u"SOFTWARE\\vendor\\app\\"));
    EXPECT_FALSE(registry.KeyExists(kUser, u"Software\\Vendor\\App\\Sub"));
    EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, u"Software"));
    EXPECT_FALSE(registry.CreateKey(kUser, u"\\Leading"));
    EXPECT_FALSE(registry.CreateKey(kUser, u"Double\\\\Separator"));
    EXPECT_FALSE(registry.KeyExists(kUser, u"Software\\\\Vendor"));
}

TEST(RegistryTest, KeyAndValueNamesBeyondAsciiAreFoundInAnyCase)
{
    Registry registry;
    ASSERT_TRUE(registry.CreateKey(kUser, u"\u00C9t\u00C9\\\u0416"));
    EXPECT_TRUE(registry.KeyExists(kUser, u"\u00E9T\u00E9\\\u0436"));
    EXPECT_FALSE(registry.KeyExists(kUser, u"\u00EAt\u00E9"));
    EXPECT_TRUE(
        registry.SetValue(kUser, u"\u00E9t\u00E9", u"\u0141\u03A9", RegistryValue{REG_DWORD, u"", 7}));
    const auto value = registry.GetValue(kUser, u"\u00C9T\u00C9", u"\u0142\u03C9");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(7u, value->number);
    EXPECT_FALSE(registry.GetValue(kUser, u"\u00C9T\u00C9", u"\u0142\u03C8").has_value());
    // A value set under another case of its name replaces the first.
    EXPECT_TRUE(
        registry.SetValue(kUser, u"\u00C9t\u00C9", u"\u0142\u03C9", RegistryValue{REG_DWORD, u"", 8}));
    EXPECT_EQ(1u, registry.ValueNames(kUser, u"\u00C9t\u00C9").size());
}

TEST(RegistryTest, SubKeysAreListedOneLevelDeepWithTheirOwnSpelling)
{
    Registry registry;
    registry.CreateKey(kUser, u"Software\\Beta\\Deep");
    registry.CreateKey(kUser, u"Software\\alpha");
    registry.CreateKey(kUser, u"SoftwareX");
    EXPECT_THAT(registry.SubKeyNames(kUser, u"SOFTWARE"), ElementsAre(u"alpha", u"Beta"));
    EXPECT_THAT(registry.SubKeyNames(kUser, u""), ElementsAre(u"Software", u"SoftwareX"));
    EXPECT_TRUE(registry.SubKeyNames(kUser, u"Missing").empty());
}

TEST(RegistryTest, DeletingAKeyTakesItsWholeSubtreeAndNothingElse)
{
    Registry registry;
    registry.CreateKey(kUser, u"App\\Deep\\Deeper");
    registry.CreateKey(kUser, u"App Other");  // sorts between "APP" and "APP\\..."
    registry.CreateKey(kUser, u"Apps");
    EXPECT_TRUE(registry.DeleteKey(kUser, u"app"));
    EXPECT_FALSE(registry.KeyExists(kUser, u"App"));
    EXPECT_FALSE(registry.KeyExists(kUser, u"App\\Deep\\Deeper"));
    EXPECT_TRUE(registry.KeyExists(kUser, u"App Other"));
    EXPECT_TRUE(registry.KeyExists(kUser, u"Apps"));
    EXPECT_FALSE(registry.DeleteKey(kUser, u"App"));
    EXPECT_FALSE(registry.DeleteKey(kUser, u""));
}

TEST(RegistryTest, KeysNestAtMostFiveHundredTwelveLevelsDeep)
{
    Registry registry;
    std::u16string path = u"K0";
    for (int level = 1; level < 512; ++level) {
        path += u"\\K" + std::u16string(1, static_cast<char16_t>(u'a' + level % 26));
    }
    ASSERT_TRUE(registry.CreateKey(kUser, path));
    EXPECT_TRUE(registry.KeyExists(kUser, path));
    EXPECT_TRUE(registry.SetValue(kUser, path, u"Deepest", RegistryValue{REG_DWORD, u"", 512}));
    const std::u16string parent = path.substr(0, path.rfind(u'\\'));
    EXPECT_THAT(registry.SubKeyNames(kUser, parent), ElementsAre(path.substr(path.rfind(u'\\') + 1)));

    EXPECT_FALSE(registry.CreateKey(kUser, path + u"\\TooDeep"));
    EXPECT_FALSE(registry.KeyExists(kUser, path + u"\\TooDeep"));
    EXPECT_TRUE(registry.SubKeyNames(kUser, path).empty());

    EXPECT_TRUE(registry.DeleteKey(kUser, u"K0"));
    EXPECT_FALSE(registry.KeyExists(kUser, parent));
    EXPECT_TRUE(registry.SubKeyNames(kUser, u"").empty());
}

TEST(RegistryTest, DeletingAValueKeepsTheOthers)
{
    Registry registry;
    registry.CreateKey(kUser, u"Env");
    registry.SetValue(kUser, u"Env", u"One", RegistryValue{REG_DWORD, u"", 1});
    registry.SetValue(kUser, u"Env", u"Two", RegistryValue{REG_DWORD, u"", 2});
    EXPECT_TRUE(registry.DeleteValue(kUser, u"env", u"ONE"));
    EXPECT_FALSE(registry.GetValue(kUser, u"Env", u"One").has_value());
    EXPECT_TRUE(registry.GetValue(kUser, u"Env", u"Two").has_value());
    EXPECT_FALSE(registry.DeleteValue(kUser, u"Env", u"One"));
    EXPECT_FALSE(registry.DeleteValue(kUser, u"Missing", u"Two"));
}

TEST(RegistryTest, ValuesOfStringAndNumber)
{
    Registry registry;
    registry.CreateKey(kUser, u"Env");
    RegistryValue text;
    text.text = u"C:\\Temp";
    RegistryValue number;
    number.type = REG_DWORD;
    number.number = 42;
    ASSERT_TRUE(registry.SetValue(kUser, u"Env", u"TEMP", text));
    ASSERT_TRUE(registry.SetValue(kUser, u"Env", u"Count", number));
    EXPECT_FALSE(registry.SetValue(kUser, u"Missing", u"TEMP", text));

    const auto temp = registry.GetValue(kUser, u"ENV", u"temp");
    ASSERT_TRUE(temp.has_value());
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), temp->type);
    EXPECT_EQ(u"C:\\Temp", temp->text);
    const auto count = registry.GetValue(kUser, u"Env", u"COUNT");
    ASSERT_TRUE(count.has_value());
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), count->type);
    EXPECT_EQ(42u, count->number);
    EXPECT_FALSE(registry.GetValue(kUser, u"Env", u"Other").has_value());
    EXPECT_THAT(registry.ValueNames(kUser, u"Env"), ElementsAre(u"Count", u"TEMP"));
}

TEST(RegistryTest, ReadingIsDeniedToTheNamedAccountOnlyOnThatKey)
{
    Registry registry;
    registry.CreateKey(kUser, u"Secret\\Inner");
    ASSERT_TRUE(registry.DenyRead(kUser, u"Secret", {u"CORP", u"alice"}));
    ASSERT_TRUE(registry.DenyRead(kUser, u"Secret", {u"", u"bob"}));
    EXPECT_FALSE(registry.DenyRead(kUser, u"Missing", {u"", u"bob"}));

    EXPECT_FALSE(registry.MayRead(kUser, u"secret", {u"corp", u"ALICE"}));
    EXPECT_TRUE(registry.MayRead(kUser, u"Secret", {u"OTHER", u"alice"}));
    EXPECT_FALSE(registry.MayRead(kUser, u"Secret", {u"ANY", u"bob"}));
    EXPECT_TRUE(registry.MayRead(kUser, u"Secret\\Inner", {u"CORP", u"alice"}));
    EXPECT_TRUE(registry.MayRead(kUser, u"Secret", {u"CORP", u"carol"}));
}

TEST(RegistryTest, AccountNamesInTheirThreeForms)
{
    const auto check = [](const char16_t* name, const char16_t* domain, const char16_t* user) {
        const AccountName parsed = pal::win32::ParseAccountName(name);
        EXPECT_EQ(domain, parsed.domain) << Narrow(name);
        EXPECT_EQ(user, parsed.user) << Narrow(name);
    };
    check(u"CORP\\alice", u"CORP", u"alice");
    check(u"alice@corp.example", u"corp.example", u"alice");
    check(u"a\\b@corp", u"corp", u"a\\b");
    check(u"alice", u"", u"alice");
}

TEST(RegistryTest, EachHostHasItsOwnRegistryAndLocalNamesShareOne)
{
    pal::win32::ResetRegistries();
    const auto local = pal::win32::RegistryOfHost(u".");
    EXPECT_EQ(local, pal::win32::RegistryOfHost(u""));
    EXPECT_EQ(local, pal::win32::RegistryOfHost(u"LocalHost"));
    const auto remote = pal::win32::RegistryOfHost(u"server1");
    EXPECT_EQ(remote, pal::win32::RegistryOfHost(u"SERVER1"));
    EXPECT_NE(local, remote);
    remote->CreateKey(kUser, u"Only\\Remote");
    EXPECT_FALSE(local->KeyExists(kUser, u"Only"));
    pal::win32::ResetRegistries();
    EXPECT_FALSE(pal::win32::RegistryOfHost(u"server1")->KeyExists(kUser, u"Only"));
}

}  // namespace
}  // namespace win32_test
