// When WMI reports what is wrong with a query: a semisynchronous query (RETURN_IMMEDIATELY) is
// taken as it is and fails from its first Next; a synchronous one fails at ExecQuery.
#include "emulator_test.h"
#include "test_mof.h"

namespace services_test {
namespace {

constexpr LONG kSemisynchronous = WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY;

class CallTimingTest : public ItemsTest {
protected:
    // What ExecQuery answers and, when it gave an enumerator, what its first and second Next do.
    struct Answers {
        HRESULT execQuery = E_FAIL;
        HRESULT firstNext = E_FAIL;
        ULONG firstReturned = 99;
        HRESULT secondNext = E_FAIL;
    };

    Answers Run(const char16_t* wql, LONG flags)
    {
        Answers answers;
        ComPtr<IEnumWbemClassObject> enumerator = Query(services_.Get(), wql, answers.execQuery, flags);
        EXPECT_EQ(SUCCEEDED(answers.execQuery), static_cast<bool>(enumerator));
        if (!enumerator) {
            return answers;
        }
        IWbemClassObject* object = nullptr;
        answers.firstNext =
            enumerator->Next(static_cast<LONG>(WBEM_INFINITE), 1, &object, &answers.firstReturned);
        EXPECT_EQ(nullptr, object);
        ULONG returned = 0;
        answers.secondNext = enumerator->Next(0, 1, &object, &returned);
        EXPECT_EQ(nullptr, object);
        return answers;
    }

    void ExpectFailsAtFirstNext(const char16_t* wql, HRESULT failure)
    {
        const Answers semi = Run(wql, kSemisynchronous);
        EXPECT_EQ(S_OK, semi.execQuery) << Narrow(wql);
        EXPECT_EQ(failure, semi.firstNext) << Narrow(wql);
        EXPECT_EQ(0u, semi.firstReturned) << Narrow(wql);
        EXPECT_EQ(failure, semi.secondNext) << Narrow(wql);
    }

    void ExpectFailsAtExecQuery(const char16_t* wql, HRESULT failure)
    {
        EXPECT_EQ(failure, Run(wql, WBEM_FLAG_FORWARD_ONLY).execQuery) << Narrow(wql);
        EXPECT_EQ(failure, Run(wql, 0).execQuery) << Narrow(wql);
    }
};

TEST_F(CallTimingTest, SemisynchronousQueryOfUnknownClassFailsAtFirstNext)
{
    ExpectFailsAtFirstNext(u"SELECT * FROM Svc_Nothing", WBEM_E_INVALID_CLASS);
}

TEST_F(CallTimingTest, SemisynchronousQueryOfUnknownPropertyFailsAtFirstNext)
{
    ExpectFailsAtFirstNext(u"SELECT Missing FROM Svc_Item", WBEM_E_INVALID_QUERY);
    ExpectFailsAtFirstNext(u"SELECT * FROM Svc_Item WHERE Missing = 1", WBEM_E_INVALID_QUERY);
}

TEST_F(CallTimingTest, SemisynchronousQueryWithBadSyntaxFailsAtFirstNext)
{
    ExpectFailsAtFirstNext(u"SELECT FROM Svc_Item", WBEM_E_INVALID_QUERY);
    ExpectFailsAtFirstNext(u"not a query at all", WBEM_E_INVALID_QUERY);
}

TEST_F(CallTimingTest, SemisynchronousQueryThatIsRightDeliversItsObjects)
{
    HRESULT hr = E_FAIL;
    ComPtr<IEnumWbemClassObject> enumerator =
        Query(services_.Get(), u"SELECT Name FROM Svc_Item WHERE Size > 15", hr, kSemisynchronous);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(3u, Drain(enumerator.Get()).size());
}

TEST_F(CallTimingTest, SynchronousQueryFailsAtExecQuery)
{
    ExpectFailsAtExecQuery(u"SELECT * FROM Svc_Nothing", WBEM_E_INVALID_CLASS);
    ExpectFailsAtExecQuery(u"SELECT Missing FROM Svc_Item", WBEM_E_INVALID_QUERY);
    ExpectFailsAtExecQuery(u"SELECT FROM Svc_Item", WBEM_E_INVALID_QUERY);
}

TEST_F(CallTimingTest, QueryLanguageIsCheckedAtExecQueryEvenWhenSemisynchronous)
{
    OwnedBstr language(u"SQL"), text(u"SELECT * FROM Svc_Item");
    ComPtr<IEnumWbemClassObject> enumerator;
    EXPECT_EQ(WBEM_E_INVALID_QUERY_TYPE,
              services_->ExecQuery(language.Get(), text.Get(), kSemisynchronous, nullptr, enumerator.Put()));
    EXPECT_FALSE(enumerator);
}

}  // namespace
}  // namespace services_test
