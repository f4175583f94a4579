// IWbemContext: made with CoCreateInstance of WbemContext, it keeps named values for the calls a
// client hands it to, and every service call takes one.
#include "emulator_test.h"
#include "test_mof.h"

namespace services_test {
namespace {

class ContextTest : public EmulatorTest {
protected:
    void SetUp() override
    {
        EmulatorTest::SetUp();
        LoadMof(kItemsMof);
        context_ = MakeContext();
    }
    void TearDown() override
    {
        context_.Reset();
        EmulatorTest::TearDown();
    }

    static ComPtr<IWbemContext> MakeContext()
    {
        ComPtr<IWbemContext> context;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_WbemContext, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemContext,
                                         reinterpret_cast<void**>(context.Put())));
        return context;
    }

    static HRESULT SetNumber(IWbemContext* context, const char16_t* name, LONG number)
    {
        OwnedVariant value;
        V_VT(value.Address()) = VT_I4;
        V_I4(value.Address()) = number;
        return context->SetValue(name, 0, value.Address());
    }

    static HRESULT SetText(IWbemContext* context, const char16_t* name, const char16_t* text)
    {
        OwnedVariant value;
        V_VT(value.Address()) = VT_BSTR;
        V_BSTR(value.Address()) = SysAllocString(text);
        return context->SetValue(name, 0, value.Address());
    }

    // The value as text ("<missing>" when GetValue fails).
    static std::u16string ValueText(IWbemContext* context, const char16_t* name)
    {
        OwnedVariant value;
        if (FAILED(context->GetValue(name, 0, value.Address()))) {
            return u"<missing>";
        }
        if (value.Type() == VT_I4) {
            const std::string digits = std::to_string(V_I4(value.Address()));
            return std::u16string(digits.begin(), digits.end());
        }
        return value.Type() == VT_BSTR ? std::u16string(V_BSTR(value.Address())) : u"<other>";
    }

    ComPtr<IWbemContext> context_;
};

TEST_F(ContextTest, WbemContextIsCreatedInProcessAndCounted)
{
    ASSERT_TRUE(context_);
    EXPECT_EQ(1, PalLiveCount(PAL_KIND_WBEM_CONTEXT));
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(S_OK, context_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.Put())));
    ComPtr<IWbemServices> notServices;
    EXPECT_EQ(E_NOINTERFACE,
              context_->QueryInterface(IID_IWbemServices, reinterpret_cast<void**>(notServices.Put())));
    ComPtr<IWbemContext> outOfProcess;
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(CLSID_WbemContext, nullptr, CLSCTX_LOCAL_SERVER, IID_IWbemContext,
                               reinterpret_cast<void**>(outOfProcess.Put())));
}

TEST_F(ContextTest, ValuesAreSetReplacedReadAndDeletedByNameWithoutCase)
{
    EXPECT_EQ(S_OK, SetNumber(context_.Get(), u"__ProviderArchitecture", 64));
    EXPECT_EQ(S_OK, SetText(context_.Get(), u"Label", u"first"));
    EXPECT_EQ(u"64", ValueText(context_.Get(), u"__providerarchitecture"));
    EXPECT_EQ(S_OK, SetText(context_.Get(), u"LABEL", u"second"));
    EXPECT_EQ(u"second", ValueText(context_.Get(), u"label"));

    OwnedVariant missing;
    EXPECT_EQ(WBEM_E_NOT_FOUND, context_->GetValue(u"Nothing", 0, missing.Address()));
    EXPECT_EQ(S_OK, context_->DeleteValue(u"label", 0));
    EXPECT_EQ(u"<missing>", ValueText(context_.Get(), u"Label"));
    EXPECT_EQ(u"64", ValueText(context_.Get(), u"__ProviderArchitecture"));
    EXPECT_EQ(S_OK, context_->DeleteAll());
    EXPECT_EQ(u"<missing>", ValueText(context_.Get(), u"__ProviderArchitecture"));
}

TEST_F(ContextTest, ArgumentsAreChecked)
{
    OwnedVariant value;
    V_VT(value.Address()) = VT_I4;
    V_I4(value.Address()) = 1;
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->SetValue(nullptr, 0, value.Address()));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->SetValue(u"A", 0, nullptr));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->SetValue(u"A", 1, value.Address()));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->GetValue(nullptr, 0, value.Address()));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->GetValue(u"A", 0, nullptr));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->DeleteValue(nullptr, 0));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->GetNames(0, nullptr));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->Clone(nullptr));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->BeginEnumeration(1));
}

TEST_F(ContextTest, NamesEnumerationAndClonesSeeTheValuesInOrder)
{
    ASSERT_EQ(S_OK, SetNumber(context_.Get(), u"One", 1));
    ASSERT_EQ(S_OK, SetText(context_.Get(), u"Two", u"2"));

    SAFEARRAY* names = nullptr;
    ASSERT_EQ(S_OK, context_->GetNames(0, &names));
    LONG upper = -1;
    SafeArrayGetUBound(names, 1, &upper);
    EXPECT_EQ(1, upper);
    BSTR second = nullptr;
    LONG index = 1;
    ASSERT_EQ(S_OK, SafeArrayGetElement(names, &index, &second));
    EXPECT_EQ(u"Two", std::u16string(second));
    SysFreeString(second);
    SafeArrayDestroy(names);

    OwnedBstr name;
    OwnedVariant value;
    EXPECT_EQ(WBEM_E_UNEXPECTED, context_->Next(0, name.Put(), value.Address()));
    ASSERT_EQ(S_OK, context_->BeginEnumeration(0));
    std::vector<std::u16string> seen;
    for (;;) {
        OwnedBstr entry;
        OwnedVariant entryValue;
        const HRESULT hr = context_->Next(0, entry.Put(), entryValue.Address());
        if (hr != S_OK) {
            EXPECT_EQ(WBEM_S_NO_MORE_DATA, hr);
            break;
        }
        seen.emplace_back(entry.Get());
    }
    EXPECT_EQ((std::vector<std::u16string>{u"One", u"Two"}), seen);
    EXPECT_EQ(S_OK, context_->EndEnumeration());

    ComPtr<IWbemContext> copy;
    ASSERT_EQ(S_OK, context_->Clone(copy.Put()));
    ASSERT_EQ(S_OK, SetNumber(copy.Get(), u"One", 11));
    EXPECT_EQ(u"11", ValueText(copy.Get(), u"One"));
    EXPECT_EQ(u"1", ValueText(context_.Get(), u"One"));
    EXPECT_EQ(u"2", ValueText(copy.Get(), u"Two"));
    EXPECT_EQ(2, PalLiveCount(PAL_KIND_WBEM_CONTEXT));
}

TEST_F(ContextTest, ServiceCallsTakeAContext)
{
    ASSERT_EQ(S_OK, SetNumber(context_.Get(), u"__ProviderArchitecture", 64));
    ComPtr<IWbemLocator> locator = MakeLocator();
    OwnedBstr resource(u"root\\default");
    ComPtr<IWbemServices> services;
    ASSERT_EQ(S_OK, locator->ConnectServer(resource.Get(), nullptr, nullptr, nullptr, 0, nullptr,
                                           context_.Get(), services.Put()));
    OwnedBstr language(u"WQL"), wql(u"SELECT * FROM Svc_Item");
    ComPtr<IEnumWbemClassObject> enumerator;
    ASSERT_EQ(S_OK, services->ExecQuery(language.Get(), wql.Get(), WBEM_FLAG_FORWARD_ONLY, context_.Get(),
                                        enumerator.Put()));
    EXPECT_EQ(4u, Drain(enumerator.Get()).size());
    OwnedBstr path(u"Svc_Item.Name=\"alpha\"");
    ComPtr<IWbemClassObject> object;
    EXPECT_EQ(S_OK, services->GetObject(path.Get(), 0, context_.Get(), object.Put(), nullptr));
    OwnedBstr className(u"Svc_Item");
    ComPtr<IEnumWbemClassObject> instances;
    EXPECT_EQ(S_OK, services->CreateInstanceEnum(className.Get(), WBEM_FLAG_FORWARD_ONLY, context_.Get(),
                                                 instances.Put()));
    // The calls keep no reference to the context: the test's is the only one.
    context_->AddRef();
    EXPECT_EQ(1u, context_->Release());
}

}  // namespace
}  // namespace services_test
