// Passwords leave no trace in freed memory: a session connected, used and disconnected with a
// password, a refused connect and a credential check, each through the exports as a JVM calls
// them, while the platform layer watches every BSTR and CoTaskMem block freed and this program's
// operator delete[] shows it the libraries' own heap copies.
//
// A short password stays in the string views' inline buffers, which the views' own tests check;
// here the long one reaches the heap copies of both libraries.
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector.h>
#include <com_zorvex_kestrin_quilmok_lib_wmic_WmiConnectionPool.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <oleauto.h>
#include <pal/testing.h>
#include <pal/win32_control.h>
#include <pal/wmi_control.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>

#include "FakeJni.h"

#define CONNECTOR(name) Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_##name

// Array allocations of the whole program, the libraries' included, on malloc, so that each block
// freed can be shown to the platform layer's watch with its size.
void* operator new[](std::size_t size)
{
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size == 0 ? 1 : size);
}

void operator delete[](void* block) noexcept
{
    if (block != nullptr) {
        PalCheckFreedBlock(block, malloc_usable_size(block));
        std::free(block);
    }
}

void operator delete[](void* block, std::size_t) noexcept
{
    operator delete[](block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    operator delete[](block);
}

namespace {

constexpr char kHost[] = "FARHOST";
constexpr char kKey[] = "Software\\App";
constexpr jlong kAccessDenied = 5;

// Long enough for the heap copies of both string views (wmijni's from 128 units, wmicred's from 272).
const std::u16string kLongPassword = u"Pw-" + std::u16string(400, u'q') + u"-end";
const std::u16string kShortPassword = u"s3cret-Pw";

std::string Utf8(const std::u16string& ascii)
{
    return std::string(ascii.begin(), ascii.end());
}

class SecretWipe : public ::testing::TestWithParam<std::u16string> {
protected:
    void SetUp() override
    {
        PalWmiResetAll();
        PalWin32ResetAll();
        PalWmiAddHost(kHost);
        ASSERT_TRUE(PalWmiAddAccount(kHost, "CORP", "alice", Utf8(Password()).c_str(), FALSE));
        ASSERT_TRUE(PalWin32RegCreateKey(kHost, PAL_REG_CURRENT_USER, kKey));
        PalWatchFreedText(Password().c_str());
    }

    void TearDown() override
    {
        PalWatchFreedText(nullptr);
        PalWin32ResetAll();
        PalWmiResetAll();
    }

    const std::u16string& Password() const { return GetParam(); }

    jlong Connect(const std::u16string& resource, const std::u16string& user, jlong& session)
    {
        jobject holder = fake.NewHolder();
        const jlong code =
            CONNECTOR(WmiServiceConnectServer)(env(), nullptr, fake.NewString(resource), nullptr,
                                               fake.NewString(user), fake.NewString(Password()), holder);
        const auto& values = fake.HolderOf(holder).values;
        session = values.empty() ? 0 : values.back();
        return code;
    }

    // Runs a query, walks and reads what it gave, and frees it all.
    void QueryAndRead(jlong session)
    {
        jobject set = fake.NewHolder();
        ASSERT_EQ(0, CONNECTOR(WmiServiceExecQuery)(env(), nullptr, session,
                                                    fake.NewString(u"SELECT * FROM Test_Keyed"), set));
        const jlong resultSet = fake.HolderOf(set).values.at(0);
        int read = 0;
        while (CONNECTOR(WmiObjectEnumHasMoreObjects)(env(), nullptr, resultSet)) {
            jobject next = fake.NewHolder();
            ASSERT_EQ(0, CONNECTOR(WmiObjectEnumNextObject)(env(), nullptr, resultSet, next));
            const jlong object = fake.HolderOf(next).values.at(0);
            EXPECT_NE(nullptr, CONNECTOR(WmiObjectGetProperty)(env(), nullptr, object,
                                                               fake.NewString(u"Name"), fake.NewHolder()));
            CONNECTOR(WmiObjectDestroy)(env(), nullptr, object);
            ++read;
        }
        EXPECT_GT(read, 0);
        CONNECTOR(WmiObjectEnumDestroy)(env(), nullptr, resultSet);
    }

    // Connects as alice, runs a query, reads what it gave, and disconnects.
    void UseASession(const std::u16string& resource)
    {
        jlong session = 0;
        ASSERT_EQ(0, Connect(resource, u"CORP\\alice", session));
        QueryAndRead(session);
        CONNECTOR(WmiServiceDisconnectServer)(env(), nullptr, session);
    }

    JNIEnv* env() { return fake.env(); }

    fakejni::Env fake;
};

// The watch itself: each kind of freed block that still holds the text is seen.
TEST(FreedTextWatch, SeesEachKindOfBlockThatStillHoldsTheText)
{
    const std::u16string text = u"watched-" + kShortPassword;
    PalWatchFreedText(text.c_str());
    auto* copy = new char16_t[text.size() + 8];
    std::char_traits<char16_t>::copy(copy + 3, text.c_str(), text.size() + 1);
    delete[] copy;
    EXPECT_EQ(1, PalFreedTextSightings()) << "operator delete[]";
    SysFreeString(SysAllocString(text.c_str()));
    EXPECT_EQ(2, PalFreedTextSightings()) << "SysFreeString";
    void* block = CoTaskMemAlloc((text.size() + 1) * sizeof(char16_t));
    ASSERT_NE(nullptr, block);
    std::char_traits<char16_t>::copy(static_cast<char16_t*>(block), text.c_str(), text.size() + 1);
    CoTaskMemFree(block);
    EXPECT_EQ(3, PalFreedTextSightings()) << "CoTaskMemFree";
    // A wipe that stopped halfway leaves a sighting; less than half of the text, or none, is not one.
    std::u16string halfWiped = text;
    std::fill(halfWiped.begin(), halfWiped.begin() + static_cast<std::ptrdiff_t>(text.size() / 2), u'\0');
    SysFreeString(SysAllocStringLen(halfWiped.data(), static_cast<UINT>(halfWiped.size())));
    EXPECT_EQ(4, PalFreedTextSightings());
    const std::u16string middle = text.substr(text.size() / 4, text.size() / 2);
    SysFreeString(SysAllocStringLen(middle.data(), static_cast<UINT>(middle.size())));
    delete[] new char16_t[text.size()]();
    EXPECT_EQ(4, PalFreedTextSightings());
    PalWatchFreedText(nullptr);
}

TEST_P(SecretWipe, SessionConnectedQueriedAndDisconnectedLeavesNoCopy)
{
    UseASession(u"\\\\FARHOST\\root\\test");
    EXPECT_EQ(0, PalFreedTextSightings());
}

// The local machine refuses credentials: the library connects as the caller and keeps the
// password for the session all the same.
TEST_P(SecretWipe, LocalSessionKeepingThePasswordLeavesNoCopy)
{
    UseASession(u"root\\test");
    EXPECT_EQ(0, PalFreedTextSightings());
}

// A refused connect frees its copies at once, without a session to take them over.
TEST_P(SecretWipe, RefusedConnectLeavesNoCopy)
{
    jlong session = 0;
    EXPECT_EQ(kAccessDenied, Connect(u"\\\\FARHOST\\root\\test", u"CORP\\mallory", session));
    EXPECT_EQ(0, session);
    EXPECT_EQ(0, PalFreedTextSightings());
}

TEST_P(SecretWipe, CredentialCheckLeavesNoCopy)
{
    EXPECT_EQ(0, Java_com_zorvex_kestrin_quilmok_lib_wmic_WmiConnectionPool_nativeVerifyCredentials(
                     env(), nullptr, fake.NewString(u"CORP\\alice"), fake.NewString(Password()),
                     fake.NewString(u"FARHOST"), fake.NewString(u"Software\\App")));
    EXPECT_EQ(0, PalFreedTextSightings());
}

INSTANTIATE_TEST_SUITE_P(Passwords, SecretWipe, ::testing::Values(kShortPassword, kLongPassword),
                         [](const auto& param) { return param.param.size() < 128 ? "Short" : "Long"; });

}  // namespace
