// GetMethod: input and output signatures of every shape, as WMI reports them.
#include "repository_fixture.h"

namespace {

class MethodSignatureTest : public RepositoryTest {
protected:
    struct Signatures {
        ObjectPtr in;
        ObjectPtr out;
    };

    Signatures Get(const char16_t* method)
    {
        ObjectPtr cls = Class(u"Test_Methods");
        IWbemClassObject* in = nullptr;
        IWbemClassObject* out = nullptr;
        EXPECT_HR(WBEM_S_NO_ERROR, cls->GetMethod(method, 0, &in, &out));
        return {ObjectPtr(in), ObjectPtr(out)};
    }

    static std::vector<std::u16string> PropertyNames(IWbemClassObject* signature)
    {
        SAFEARRAY* names = nullptr;
        EXPECT_HR(WBEM_S_NO_ERROR, signature->GetNames(nullptr, WBEM_FLAG_NONSYSTEM_ONLY, nullptr, &names));
        std::vector<std::u16string> result;
        BSTR* data = nullptr;
        SafeArrayAccessData(names, reinterpret_cast<void**>(&data));
        LONG upper = -1;
        SafeArrayGetUBound(names, 1, &upper);
        for (LONG i = 0; i <= upper; ++i) {
            result.push_back(Text(data[i]));
        }
        SafeArrayUnaccessData(names);
        SafeArrayDestroy(names);
        return result;
    }
};

TEST_F(MethodSignatureTest, InputsAndReturnValue)
{
    Signatures add = Get(u"Add");
    ASSERT_NE(nullptr, add.in);
    ASSERT_NE(nullptr, add.out);
    EXPECT_EQ((std::vector<std::u16string>{u"A", u"B"}), PropertyNames(add.in.Get()));
    EXPECT_EQ((std::vector<std::u16string>{u"ReturnValue"}), PropertyNames(add.out.Get()));
    CIMTYPE type = 0;
    ASSERT_HR(WBEM_S_NO_ERROR, add.out->Get(u"ReturnValue", 0, nullptr, &type, nullptr));
    EXPECT_EQ(CIM_SINT32, type);
    EXPECT_EQ(u"__PARAMETERS", StringProperty(add.in.Get(), u"__CLASS"));
}

TEST_F(MethodSignatureTest, NoParametersAndNoReturnGiveTwoNullSignatures)
{
    Signatures ping = Get(u"Ping");
    EXPECT_EQ(nullptr, ping.in);
    EXPECT_EQ(nullptr, ping.out);
}

TEST_F(MethodSignatureTest, OutputsOnlyGiveANullInputSignature)
{
    Signatures info = Get(u"GetInfo");
    EXPECT_EQ(nullptr, info.in);
    ASSERT_NE(nullptr, info.out);
    EXPECT_EQ((std::vector<std::u16string>{u"ReturnValue", u"Text", u"Count"}),
              PropertyNames(info.out.Get()));
}

TEST_F(MethodSignatureTest, InputsWithoutOutputsGiveANullOutputSignature)
{
    Signatures store = Get(u"Store");
    ASSERT_NE(nullptr, store.in);
    EXPECT_EQ(nullptr, store.out);
}

TEST_F(MethodSignatureTest, InOutParametersAppearOnBothSides)
{
    Signatures echo = Get(u"Echo");
    EXPECT_EQ((std::vector<std::u16string>{u"Text", u"Number", u"List", u"Item", u"Counter"}),
              PropertyNames(echo.in.Get()));
    EXPECT_EQ((std::vector<std::u16string>{u"ReturnValue", u"Counter", u"Combined"}),
              PropertyNames(echo.out.Get()));
    CIMTYPE type = 0;
    echo.in->Get(u"List", 0, nullptr, &type, nullptr);
    EXPECT_EQ(CIM_STRING | CIM_FLAG_ARRAY, type);
}

TEST_F(MethodSignatureTest, ParametersCarryInOutAndIdQualifiers)
{
    Signatures echo = Get(u"Echo");
    IWbemQualifierSet* qualifiers = nullptr;
    ASSERT_HR(WBEM_S_NO_ERROR, echo.in->GetPropertyQualifierSet(u"Number", &qualifiers));
    Var id;
    EXPECT_HR(WBEM_S_NO_ERROR, qualifiers->Get(u"ID", 0, id.get(), nullptr));
    EXPECT_EQ(1, V_I4(id.get()));
    EXPECT_HR(WBEM_S_NO_ERROR, qualifiers->Get(u"in", 0, nullptr, nullptr));
    EXPECT_HR(WBEM_E_NOT_FOUND, qualifiers->Get(u"out", 0, nullptr, nullptr));
    qualifiers->Release();
}

TEST_F(MethodSignatureTest, SpawnedParameterObjectsAreIndependent)
{
    Signatures add = Get(u"Add");
    IWbemClassObject* first = nullptr;
    IWbemClassObject* second = nullptr;
    ASSERT_HR(WBEM_S_NO_ERROR, add.in->SpawnInstance(0, &first));
    ASSERT_HR(WBEM_S_NO_ERROR, add.in->SpawnInstance(0, &second));
    ObjectPtr firstOwner(first);
    ObjectPtr secondOwner(second);
    Var value;
    V_VT(value.get()) = VT_I4;
    V_I4(value.get()) = 9;
    ASSERT_HR(WBEM_S_NO_ERROR, first->Put(u"A", 0, value.get(), 0));
    Var other;
    second->Get(u"A", 0, other.get(), nullptr, nullptr);
    EXPECT_EQ(VT_NULL, other.vt());
}

TEST_F(MethodSignatureTest, UnknownMethodsAndInstancesAreRefused)
{
    ObjectPtr cls = Class(u"Test_Methods");
    IWbemClassObject* in = reinterpret_cast<IWbemClassObject*>(1);
    EXPECT_HR(WBEM_E_NOT_FOUND, cls->GetMethod(u"NoSuchMethod", 0, &in, nullptr));
    EXPECT_EQ(nullptr, in);
    ObjectPtr instance = Instance(u"Test_Methods", u"methods");
    EXPECT_HR(WBEM_E_ILLEGAL_OPERATION, instance->GetMethod(u"Describe", 0, &in, nullptr));
}

TEST_F(MethodSignatureTest, MethodsAreNamedWithoutCase)
{
    Signatures add = Get(u"aDD");
    EXPECT_NE(nullptr, add.in);
}

}  // namespace
