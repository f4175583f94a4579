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

    static ComRef<IWbemContext> MakeContext()
    {
        ComRef<IWbemContext> context;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_WbemContext, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemContext,
                                         reinterpret_cast<void**>(context.Receive())));
        return context;
    }

    static HRESULT SetNumber(IWbemContext* context, const char16_t* name, LONG number)
    {
        ScopedVariant value;
        V_VT(value.get()) = VT_I4;
        V_I4(value.get()) = number;
        return context->SetValue(name, 0, value.get());
    }

    static HRESULT SetText(IWbemContext* context, const char16_t* name, const char16_t* text)
    {
        ScopedVariant value;
        V_VT(value.get()) = VT_BSTR;
        V_BSTR(value.get()) = SysAllocString(text);
        return context->SetValue(name, 0, value.get());
    }

    // The value as text ("<missing>" when GetValue fails).
    static std::u16string ValueText(IWbemContext* context, const char16_t* name)
    {
        ScopedVariant value;
        if (FAILED(context->GetValue(name, 0, value.get()))) {
            return u"<missing>";
        }
        if (value.type() == VT_I4) {
            const std::string digits = std::to_string(V_I4(value.get()));
            return std::u16string(digits.begin(), digits.end());
        }
        return value.type() == VT_BSTR ? std::u16string(V_BSTR(value.get())) : u"<other>";
    }

    ComRef<IWbemContext> context_;
};

TEST_F(ContextTest, WbemContextIsCreatedInProcessAndCounted)
{
    ASSERT_TRUE(context_);
    EXPECT_EQ(1, PalLiveCount(PAL_KIND_WBEM_CONTEXT));
    ComRef<IUnknown> unknown;
    EXPECT_EQ(S_OK, context_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.Receive())));
    ComRef<IWbemServices> notServices;
    EXPECT_EQ(E_NOINTERFACE,
              context_->QueryInterface(IID_IWbemServices, reinterpret_cast<void**>(notServices.Receive())));
    ComRef<IWbemContext> outOfProcess;
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(CLSID_WbemContext, nullptr, CLSCTX_LOCAL_SERVER, IID_IWbemContext,
                               reinterpret_cast<void**>(outOfProcess.Receive())));
}

TEST_F(ContextTest, ValuesAreSetReplacedReadAndDeletedByNameWithoutCase)
{
    EXPECT_EQ(S_OK, SetNumber(context_.get(), u"__ProviderArchitecture", 64));
    EXPECT_EQ(S_OK, SetText(context_.get(), u"Label", u"first"));
    EXPECT_EQ(u"64", ValueText(context_.get(), u"__providerarchitecture"));
    EXPECT_EQ(S_OK, SetText(context_.get(), u"LABEL", u"second"));
    EXPECT_EQ(u"second", ValueText(context_.get(), u"label"));

    ScopedVariant missing;
    EXPECT_EQ(WBEM_E_NOT_FOUND, context_->GetValue(u"Nothing", 0, missing.get()));
    EXPECT_EQ(S_OK, context_->DeleteValue(u"label", 0));
    EXPECT_EQ(u"<missing>", ValueText(context_.get(), u"Label"));
    EXPECT_EQ(u"64", ValueText(context_.get(), u"__ProviderArchitecture"));
    EXPECT_EQ(S_OK, context_->DeleteAll());
    EXPECT_EQ(u"<missing>", ValueText(context_.get(), u"__ProviderArchitecture"));
}

TEST_F(ContextTest, ArgumentsAreChecked)
{
    ScopedVariant value;
    V_VT(value.get()) = VT_I4;
    V_I4(value.get()) = 1;
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->SetValue(nullptr, 0, value.get()));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->SetValue(u"A", 0, nullptr));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->SetValue(u"A", 1, value.get()));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->GetValue(nullptr, 0, value.get()));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->GetValue(u"A", 0, nullptr));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->DeleteValue(nullptr, 0));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->GetNames(0, nullptr));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->Clone(nullptr));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, context_->BeginEnumeration(1));
}

TEST_F(ContextTest, NamesEnumerationAndClonesSeeTheValuesInOrder)
{
    ASSERT_EQ(S_OK, SetNumber(context_.get(), u"One", 1));
    ASSERT_EQ(S_OK, SetText(context_.get(), u"Two", u"2"));

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

    ScopedBstr name;
    ScopedVariant value;
    EXPECT_EQ(WBEM_E_UNEXPECTED, context_->Next(0, name.Receive(), value.get()));
    ASSERT_EQ(S_OK, context_->BeginEnumeration(0));
    std::vector<std::u16string> seen;
    for (;;) {
        ScopedBstr entry;
        ScopedVariant entryValue;
        const HRESULT hr = context_->Next(0, entry.Receive(), entryValue.get());
        if (hr != S_OK) {
            EXPECT_EQ(WBEM_S_NO_MORE_DATA, hr);
            break;
        }
        seen.emplace_back(entry.get());
    }
    EXPECT_EQ((std::vector<std::u16string>{u"One", u"Two"}), seen);
    EXPECT_EQ(S_OK, context_->EndEnumeration());

    ComRef<IWbemContext> copy;
    ASSERT_EQ(S_OK, context_->Clone(copy.Receive()));
    ASSERT_EQ(S_OK, SetNumber(copy.get(), u"One", 11));
    EXPECT_EQ(u"11", ValueText(copy.get(), u"One"));
    EXPECT_EQ(u"1", ValueText(context_.get(), u"One"));
    EXPECT_EQ(u"2", ValueText(copy.get(), u"Two"));
    EXPECT_EQ(2, PalLiveCount(PAL_KIND_WBEM_CONTEXT));
}

TEST_F(ContextTest, ServiceCallsTakeAContext)
{
    ASSERT_EQ(S_OK, SetNumber(context_.get(), u"__ProviderArchitecture", 64));
    ComRef<IWbemLocator> locator = MakeLocator();
    ScopedBstr resource(u"root\\default");
    ComRef<IWbemServices> services;
    ASSERT_EQ(S_OK, locator->ConnectServer(resource.get(), nullptr, nullptr, nullptr, 0, nullptr,
                                           context_.get(), services.Receive()));
    ScopedBstr language(u"WQL"), wql(u"SELECT * FROM Svc_Item");
    ComRef<IEnumWbemClassObject> enumerator;
    ASSERT_EQ(S_OK, services->ExecQuery(language.get(), wql.get(), WBEM_FLAG_FORWARD_ONLY, context_.get(),
                                        enumerator.Receive()));
    EXPECT_EQ(4u, Drain(enumerator.get()).size());
    ScopedBstr path(u"Svc_Item.Name=\"alpha\"");
    ComRef<IWbemClassObject> object;
    EXPECT_EQ(S_OK, services->GetObject(path.get(), 0, context_.get(), object.Receive(), nullptr));
    ScopedBstr className(u"Svc_Item");
    ComRef<IEnumWbemClassObject> instances;
    EXPECT_EQ(S_OK, services->CreateInstanceEnum(className.get(), WBEM_FLAG_FORWARD_ONLY, context_.get(),
                                                 instances.Receive()));
    // The calls keep no reference to the context: the test's is the only one.
    context_->AddRef();
    EXPECT_EQ(1u, context_->Release());
}

}  // namespace
}  // namespace services_test
