// The providers of the shipped namespaces' methods, as the libraries' tests call them.
#include <oleauto.h>

#include "emulator_test.h"

namespace services_test {
namespace {

class ShippedMethodsTest : public TestNamespaceTest {
protected:
    ComRef<IWbemClassObject> Inputs(const char16_t* method)
    {
        ScopedBstr classPath(u"Test_Methods");
        ComRef<IWbemClassObject> classObject, signature, inputs;
        EXPECT_EQ(S_OK, services_->GetObject(classPath.get(), 0, nullptr, classObject.Receive(), nullptr));
        EXPECT_EQ(S_OK, classObject->GetMethod(method, 0, signature.Receive(), nullptr));
        if (signature) {
            EXPECT_EQ(S_OK, signature->SpawnInstance(0, inputs.Receive()));
        }
        return inputs;
    }

    ComRef<IWbemClassObject> Run(const char16_t* path, const char16_t* method, IWbemClassObject* inputs,
                                 HRESULT& hr)
    {
        ScopedBstr pathText(path), methodText(method);
        ComRef<IWbemClassObject> outputs;
        hr = services_->ExecMethod(pathText.get(), methodText.get(), 0, nullptr, inputs, outputs.Receive(),
                                   nullptr);
        return outputs;
    }

    static void PutInt(IWbemClassObject* object, const char16_t* name, LONG number)
    {
        ScopedVariant value;
        V_VT(value.get()) = VT_I4;
        V_I4(value.get()) = number;
        EXPECT_EQ(S_OK, object->Put(name, 0, value.get(), 0));
    }

    static void PutText(IWbemClassObject* object, const char16_t* name, const char16_t* text)
    {
        ScopedVariant value;
        V_VT(value.get()) = VT_BSTR;
        V_BSTR(value.get()) = SysAllocString(text);
        EXPECT_EQ(S_OK, object->Put(name, 0, value.get(), 0));
    }
};

TEST_F(ShippedMethodsTest, AddReturnsTheSum)
{
    ComRef<IWbemClassObject> inputs = Inputs(u"Add");
    PutInt(inputs.get(), u"A", 19);
    PutInt(inputs.get(), u"B", -4);
    HRESULT hr = E_FAIL;
    ComRef<IWbemClassObject> outputs = Run(u"Test_Methods", u"Add", inputs.get(), hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(u"15", Text(outputs.get(), u"ReturnValue"));
    EXPECT_FALSE(Run(u"Test_Methods", u"Add", nullptr, hr));
    EXPECT_EQ(WBEM_E_INVALID_METHOD_PARAMETERS, hr);
}

TEST_F(ShippedMethodsTest, EchoCombinesWhatArrived)
{
    ComRef<IWbemClassObject> inputs = Inputs(u"Echo");
    PutText(inputs.get(), u"Text", u"hi");
    PutInt(inputs.get(), u"Number", 7);
    PutInt(inputs.get(), u"Counter", 41);
    ScopedVariant list;
    SAFEARRAY* items = SafeArrayCreateVector(VT_BSTR, 0, 2);
    ASSERT_NE(nullptr, items);
    LONG index = 0;
    ScopedBstr first(u"x"), second(u"y");
    ASSERT_EQ(S_OK, SafeArrayPutElement(items, &index, first.get()));
    index = 1;
    ASSERT_EQ(S_OK, SafeArrayPutElement(items, &index, second.get()));
    V_VT(list.get()) = VT_ARRAY | VT_BSTR;
    V_ARRAY(list.get()) = items;
    ASSERT_EQ(S_OK, inputs->Put(u"List", 0, list.get(), 0));

    HRESULT hr = E_FAIL;
    ComRef<IWbemClassObject> outputs = Run(u"Test_Methods", u"Echo", inputs.get(), hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(u"hi|7|x,y|null", Text(outputs.get(), u"Combined"));
    EXPECT_EQ(u"42", Text(outputs.get(), u"Counter"));
    EXPECT_EQ(u"hi", Text(outputs.get(), u"ReturnValue"));
}

TEST_F(ShippedMethodsTest, SignatureShapesWithoutInputsOrOutputs)
{
    HRESULT hr = E_FAIL;
    ComRef<IWbemClassObject> info = Run(u"Test_Methods", u"GetInfo", nullptr, hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(u"emulated", Text(info.get(), u"Text"));
    EXPECT_EQ(u"0", Text(info.get(), u"ReturnValue"));

    EXPECT_FALSE(Run(u"Test_Methods", u"Ping", nullptr, hr));
    EXPECT_EQ(S_OK, hr);

    ComRef<IWbemClassObject> inputs = Inputs(u"Store");
    PutText(inputs.get(), u"Value", u"kept");
    EXPECT_FALSE(Run(u"Test_Methods", u"Store", inputs.get(), hr));
    EXPECT_EQ(S_OK, hr);
}

TEST_F(ShippedMethodsTest, DescribeNamesItsInstance)
{
    HRESULT hr = E_FAIL;
    ComRef<IWbemClassObject> outputs = Run(u"Test_Methods.Name=\"methods\"", u"Describe", nullptr, hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(u"Test_Methods.Name=\"methods\"", Text(outputs.get(), u"Description"));
    EXPECT_FALSE(Run(u"Test_Methods", u"Describe", nullptr, hr));
    EXPECT_EQ(WBEM_E_INVALID_METHOD_PARAMETERS, hr);
}

}  // namespace
}  // namespace services_test
