// The answers WMI gives to arguments it does not take, call by call.
#include "emulator_test.h"
#include "test_mof.h"

namespace services_test {
namespace {

constexpr HRESULT kServerUnavailable = HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);

class ArgumentChecksTest : public ItemsTest {
protected:
    // ExecQuery with the texts as given (null pointers stay null), synchronously and
    // semisynchronously; both answers must agree, and a failure hands out no enumerator.
    HRESULT ExecQueryAnswer(const char16_t* language, const char16_t* wql)
    {
        HRESULT answers[2] = {E_FAIL, E_FAIL};
        const LONG flags[2] = {WBEM_FLAG_FORWARD_ONLY, WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY};
        for (int i = 0; i < 2; ++i) {
            OwnedBstr languageText(language), text(wql);
            ComPtr<IEnumWbemClassObject> enumerator;
            answers[i] =
                services_->ExecQuery(languageText.Get(), text.Get(), flags[i], nullptr, enumerator.Put());
            EXPECT_EQ(SUCCEEDED(answers[i]), static_cast<bool>(enumerator));
        }
        EXPECT_EQ(answers[0], answers[1]);
        return answers[0];
    }

    ComPtr<IWbemClassObject> GetObjectAt(const char16_t* path, HRESULT& hr)
    {
        OwnedBstr text(path);
        ComPtr<IWbemClassObject> object;
        hr = services_->GetObject(text.Get(), 0, nullptr, object.Put(), nullptr);
        return object;
    }

    static HRESULT ConnectAnswer(const char16_t* resource)
    {
        HRESULT hr = E_FAIL;
        const ComPtr<IWbemServices> services = Connect(resource, nullptr, nullptr, hr);
        EXPECT_EQ(SUCCEEDED(hr), static_cast<bool>(services)) << Narrow(resource);
        return hr;
    }
};

TEST_F(ArgumentChecksTest, ExecQueryWithoutLanguageIsInvalidParameter)
{
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, ExecQueryAnswer(nullptr, u"SELECT * FROM Svc_Item"));
}

TEST_F(ArgumentChecksTest, ExecQueryWithoutTextIsInvalidParameter)
{
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, ExecQueryAnswer(u"WQL", nullptr));
}

TEST_F(ArgumentChecksTest, ExecQueryWithEmptyTextIsInvalidParameter)
{
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, ExecQueryAnswer(u"WQL", u""));
}

TEST_F(ArgumentChecksTest, GetObjectWithoutPathGivesAnEmptyClass)
{
    for (const char16_t* path : {static_cast<const char16_t*>(nullptr), u""}) {
        HRESULT hr = E_FAIL;
        const ComPtr<IWbemClassObject> empty = GetObjectAt(path, hr);
        EXPECT_EQ(S_OK, hr);
        ASSERT_TRUE(empty);
        EXPECT_EQ(u"1", Text(empty.Get(), u"__GENUS"));  // WBEM_GENUS_CLASS
        EXPECT_EQ(u"0", Text(empty.Get(), u"__PROPERTY_COUNT"));
        EXPECT_EQ(u"<null>", Text(empty.Get(), u"__CLASS"));
        EXPECT_EQ(u"<null>", Text(empty.Get(), u"__PATH"));
        ASSERT_EQ(S_OK, empty->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY));
        OwnedBstr name;
        EXPECT_EQ(WBEM_S_NO_MORE_DATA, empty->Next(0, name.Put(), nullptr, nullptr, nullptr));
    }
}

TEST_F(ArgumentChecksTest, ConnectServerToServerlessFormsAsWindowsAnswers)
{
    // A leading separator alone names no server: the rest is no namespace.
    EXPECT_EQ(WBEM_E_INVALID_NAMESPACE, ConnectAnswer(u"\\ROOT"));
    EXPECT_EQ(WBEM_E_INVALID_NAMESPACE, ConnectAnswer(u"\\"));
    EXPECT_EQ(WBEM_E_INVALID_NAMESPACE, ConnectAnswer(u"\\\\"));
    // Two name a server, which is asked first: one that does not exist is not reached.
    EXPECT_EQ(kServerUnavailable, ConnectAnswer(u"\\\\ROOT"));
    EXPECT_EQ(kServerUnavailable, ConnectAnswer(u"\\\\.ROOT"));
    EXPECT_EQ(kServerUnavailable, ConnectAnswer(u"\\\\ROOT\\CIMV2"));
    // The local machine without a namespace.
    EXPECT_EQ(WBEM_E_INVALID_NAMESPACE, ConnectAnswer(u"\\\\."));
    EXPECT_EQ(WBEM_E_INVALID_NAMESPACE, ConnectAnswer(u"\\\\.\\"));
    // A third separator leaves the server name empty.
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, ConnectAnswer(u"\\\\\\.\\ROOT"));
    EXPECT_EQ(S_OK, ConnectAnswer(u"\\\\.\\ROOT"));
}

TEST_F(ArgumentChecksTest, ClassObjectNextTakesNoEnumerationFlags)
{
    HRESULT hr = E_FAIL;
    const ComPtr<IWbemClassObject> item = GetObjectAt(u"Svc_Item.Name=\"alpha\"", hr);
    ASSERT_EQ(S_OK, hr);
    ASSERT_EQ(S_OK, item->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY));
    for (LONG flags : {static_cast<LONG>(WBEM_FLAG_NONSYSTEM_ONLY), static_cast<LONG>(WBEM_FLAG_KEYS_ONLY),
                       static_cast<LONG>(WBEM_FLAG_SYSTEM_ONLY)}) {
        OwnedBstr name;
        EXPECT_EQ(WBEM_E_INVALID_PARAMETER, item->Next(flags, name.Put(), nullptr, nullptr, nullptr));
        EXPECT_EQ(nullptr, name.Get());
    }
    // The refused calls did not move the enumeration.
    OwnedBstr first;
    ASSERT_EQ(S_OK, item->Next(0, first.Put(), nullptr, nullptr, nullptr));
    EXPECT_EQ(u"Name", std::u16string(first.Get()));
    item->EndEnumeration();
}

TEST_F(ArgumentChecksTest, ObjectsOfASelectListHaveNoServerNamespaceOrPath)
{
    HRESULT hr = E_FAIL;
    ComPtr<IEnumWbemClassObject> listed =
        Query(services_.Get(), u"SELECT Name, Size FROM Svc_Item WHERE Name = 'alpha'", hr);
    ASSERT_EQ(S_OK, hr);
    const std::vector<ComPtr<IWbemClassObject>> objects = Drain(listed.Get());
    ASSERT_EQ(1u, objects.size());
    EXPECT_EQ(u"<null>", Text(objects[0].Get(), u"__SERVER"));
    EXPECT_EQ(u"<null>", Text(objects[0].Get(), u"__NAMESPACE"));
    EXPECT_EQ(u"<null>", Text(objects[0].Get(), u"__PATH"));
    EXPECT_EQ(u"Svc_Item.Name=\"alpha\"", Text(objects[0].Get(), u"__RELPATH"));
    EXPECT_EQ(u"Svc_Item", Text(objects[0].Get(), u"__CLASS"));

    // SELECT * and a list that names the location keep it.
    for (const char16_t* wql : {u"SELECT * FROM Svc_Item WHERE Name = 'alpha'",
                                u"SELECT Name, __PATH FROM Svc_Item WHERE Name = 'alpha'"}) {
        ComPtr<IEnumWbemClassObject> located = Query(services_.Get(), wql, hr);
        ASSERT_EQ(S_OK, hr);
        const std::vector<ComPtr<IWbemClassObject>> found = Drain(located.Get());
        ASSERT_EQ(1u, found.size());
        EXPECT_EQ(u"root\\default", Text(found[0].Get(), u"__NAMESPACE")) << Narrow(wql);
        EXPECT_NE(u"<null>", Text(found[0].Get(), u"__PATH")) << Narrow(wql);
    }
}

}  // namespace
}  // namespace services_test
