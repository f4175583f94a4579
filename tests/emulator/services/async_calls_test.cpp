// The asynchronous calls: results reach the caller's sink from a thread of the emulator, one
// Indicate per object, and SetStatus tells the outcome, a fault of the call included;
// CancelAsyncCall stops a call that runs.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "emulator_test.h"
#include "test_mof.h"

namespace services_test {
namespace {

// A sink of the test: counts what arrives and lets the test wait for the outcome.
class RecordingSink final : public IWbemObjectSink {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IWbemObjectSink) {
            return E_NOINTERFACE;
        }
        AddRef();
        *ppv = static_cast<IWbemObjectSink*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE Indicate(LONG lObjectCount, IWbemClassObject** apObjArray) override
    {
        std::lock_guard lock(mutex_);
        for (LONG i = 0; i < lObjectCount; ++i) {
            OwnedVariant name;
            apObjArray[i]->Get(u"Name", 0, name.Address(), nullptr, nullptr);
            names_.push_back(name.Type() == VT_BSTR ? std::u16string(V_BSTR(name.Address())) : u"<none>");
            OwnedVariant text;
            if (SUCCEEDED(apObjArray[i]->Get(u"Text", 0, text.Address(), nullptr, nullptr)) &&
                text.Type() == VT_BSTR) {
                texts_.emplace_back(V_BSTR(text.Address()));
            }
        }
        threads_.push_back(std::this_thread::get_id());
        changed_.notify_all();
        return WBEM_S_NO_ERROR;
    }

    HRESULT STDMETHODCALLTYPE SetStatus(LONG lFlags, HRESULT hResult, BSTR, IWbemClassObject*) override
    {
        std::lock_guard lock(mutex_);
        EXPECT_EQ(WBEM_STATUS_COMPLETE, lFlags);
        ++completions_;
        outcome_ = hResult;
        changed_.notify_all();
        return WBEM_S_NO_ERROR;
    }

    // Waits for the outcome (a generous bound keeps a broken emulator from hanging the suite).
    HRESULT Outcome()
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(60), [&] { return completions_ > 0; });
        EXPECT_EQ(1, completions_);
        return completions_ > 0 ? outcome_ : E_FAIL;
    }

    // Waits until at least one object has arrived.
    void AwaitFirstObject()
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(60),
                          [&] { return !names_.empty() || completions_ > 0; });
    }

    std::vector<std::u16string> Names()
    {
        std::lock_guard lock(mutex_);
        return names_;
    }
    std::vector<std::u16string> Texts()
    {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    std::vector<std::thread::id> Threads()
    {
        std::lock_guard lock(mutex_);
        return threads_;
    }

private:
    std::atomic<ULONG> references_{1};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::u16string> names_;
    std::vector<std::u16string> texts_;
    std::vector<std::thread::id> threads_;
    int completions_ = 0;
    HRESULT outcome_ = E_FAIL;
};

class AsyncCallsTest : public ItemsTest {
protected:
    void SetUp() override
    {
        ItemsTest::SetUp();
        sink_ = ComPtr<RecordingSink>::Adopt(new RecordingSink());
    }
    void TearDown() override
    {
        sink_.Reset();
        ItemsTest::TearDown();
    }

    HRESULT QueryAsync(const char16_t* wql)
    {
        OwnedBstr language(u"WQL"), text(wql);
        return services_->ExecQueryAsync(language.Get(), text.Get(), 0, nullptr, sink_.Get());
    }

    ComPtr<RecordingSink> sink_;
};

TEST_F(AsyncCallsTest, ExecQueryAsyncIndicatesEachObjectFromAnEmulatorThreadThenCompletes)
{
    ASSERT_EQ(S_OK, QueryAsync(u"SELECT * FROM Svc_Item WHERE Size > 15"));
    EXPECT_EQ(S_OK, sink_->Outcome());
    std::vector<std::u16string> names = sink_->Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::u16string>{u"beta", u"delta", u"gamma_1"}), names);
    for (const std::thread::id& thread : sink_->Threads()) {
        EXPECT_NE(std::this_thread::get_id(), thread);
    }
}

TEST_F(AsyncCallsTest, AFaultOfTheQueryComesToTheSink)
{
    EXPECT_EQ(S_OK, QueryAsync(u"SELECT * FROM Svc_Nothing"));
    EXPECT_EQ(WBEM_E_INVALID_CLASS, sink_->Outcome());
    EXPECT_TRUE(sink_->Names().empty());
}

TEST_F(AsyncCallsTest, GetObjectAsyncAndCreateInstanceEnumAsyncDeliverTheirObjects)
{
    OwnedBstr path(u"Svc_Item.Name=\"alpha\"");
    ASSERT_EQ(S_OK, services_->GetObjectAsync(path.Get(), 0, nullptr, sink_.Get()));
    EXPECT_EQ(S_OK, sink_->Outcome());
    EXPECT_EQ(std::vector<std::u16string>{u"alpha"}, sink_->Names());

    const ComPtr<RecordingSink> all = ComPtr<RecordingSink>::Adopt(new RecordingSink());
    OwnedBstr className(u"Svc_Item");
    ASSERT_EQ(S_OK, services_->CreateInstanceEnumAsync(className.Get(), 0, nullptr, all.Get()));
    EXPECT_EQ(S_OK, all->Outcome());
    EXPECT_EQ(4u, all->Names().size());

    const ComPtr<RecordingSink> missing = ComPtr<RecordingSink>::Adopt(new RecordingSink());
    OwnedBstr nowhere(u"Svc_Item.Name=\"omega\"");
    ASSERT_EQ(S_OK, services_->GetObjectAsync(nowhere.Get(), 0, nullptr, missing.Get()));
    EXPECT_EQ(WBEM_E_NOT_FOUND, missing->Outcome());
}

TEST_F(AsyncCallsTest, ExecMethodAsyncDeliversTheOutputParameters)
{
    const ComPtr<IWbemServices> test = ConnectLocal(u"root\\test");
    OwnedBstr path(u"Test_Methods"), method(u"GetInfo");
    ASSERT_EQ(S_OK, test->ExecMethodAsync(path.Get(), method.Get(), 0, nullptr, nullptr, sink_.Get()));
    EXPECT_EQ(S_OK, sink_->Outcome());
    EXPECT_EQ(std::vector<std::u16string>{u"emulated"}, sink_->Texts());
}

TEST_F(AsyncCallsTest, ArgumentsAreCheckedAtTheCall)
{
    OwnedBstr language(u"WQL"), text(u"SELECT * FROM Svc_Item"), empty(u"");
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER,
              services_->ExecQueryAsync(language.Get(), text.Get(), 0, nullptr, nullptr));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER,
              services_->ExecQueryAsync(nullptr, text.Get(), 0, nullptr, sink_.Get()));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER,
              services_->ExecQueryAsync(language.Get(), empty.Get(), 0, nullptr, sink_.Get()));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, services_->GetObjectAsync(text.Get(), 0, nullptr, nullptr));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, services_->CreateInstanceEnumAsync(nullptr, 0, nullptr, sink_.Get()));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, services_->CancelAsyncCall(nullptr));
    EXPECT_EQ(WBEM_E_NOT_FOUND, services_->CancelAsyncCall(sink_.Get()));
    EXPECT_TRUE(sink_->Names().empty());
}

TEST_F(AsyncCallsTest, CancelAsyncCallStopsTheCallWhichCompletesCancelled)
{
    LoadMof(ManyMof(200).c_str());
    PalWmiSetClassDelay("Svc_Many", 50);
    ASSERT_EQ(S_OK, QueryAsync(u"SELECT * FROM Svc_Many"));
    sink_->AwaitFirstObject();
    EXPECT_EQ(S_OK, services_->CancelAsyncCall(sink_.Get()));
    EXPECT_EQ(WBEM_E_CALL_CANCELLED, sink_->Outcome());
    const size_t delivered = sink_->Names().size();
    EXPECT_LT(delivered, 200u);
    EXPECT_EQ(WBEM_E_NOT_FOUND, services_->CancelAsyncCall(sink_.Get()));
    EXPECT_EQ(delivered, sink_->Names().size());
}

}  // namespace
}  // namespace services_test
