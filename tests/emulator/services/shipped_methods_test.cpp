// The providers of the shipped namespaces' methods, as the libraries' tests call them.
#include <oleauto.h>

#include "emulator_test.h"

namespace services_test {
namespace {

class ShippedMethodsTest : public TestNamespaceTest {
protected:
    ComPtr<IWbemClassObject> Inputs(const char16_t* method)
    {
        OwnedBstr classPath(u"Test_Methods");
        ComPtr<IWbemClassObject> classObject, signature, inputs;
        EXPECT_EQ(S_OK, services_->GetObject(classPath.Get(), 0, nullptr, classObject.Put(), nullptr));
        EXPECT_EQ(S_OK, classObject->GetMethod(method, 0, signature.Put(), nullptr));
        if (signature) {
            EXPECT_EQ(S_OK, signature->SpawnInstance(0, inputs.Put()));
        }
        return inputs;
    }

    ComPtr<IWbemClassObject> Run(const char16_t* path, const char16_t* method, IWbemClassObject* inputs,
                                 HRESULT& hr)
    {
        OwnedBstr pathText(path), methodText(method);
        ComPtr<IWbemClassObject> outputs;
        hr = services_->ExecMethod(pathText.Get(), methodText.Get(), 0, nullptr, inputs, outputs.Put(),
                                   nullptr);
        return outputs;
    }

    static void PutInt(IWbemClassObject* object, const char16_t* name, LONG number)
    {
        OwnedVariant value;
        V_VT(value.Address()) = VT_I4;
        V_I4(value.Address()) = number;
        EXPECT_EQ(S_OK, object->Put(name, 0, value.Address(), 0));
    }

    static void PutText(IWbemClassObject* object, const char16_t* name, const char16_t* text)
    {
        OwnedVariant value;
        V_VT(value.Address()) = VT_BSTR;
        V_BSTR(value.Address()) = SysAllocString(text);
        EXPECT_EQ(S_OK, object->Put(name, 0, value.Address(), 0));
    }
};

TEST_F(ShippedMethodsTest, AddReturnsTheSum)
{
    ComPtr<IWbemClassObject> inputs = Inputs(u"Add");
    PutInt(inputs.Get(), u"A", 19);
    PutInt(inputs.Get(), u"B", -4);
    HRESULT hr = E_FAIL;
    ComPtr<IWbemClassObject> outputs = Run(u"Test_Methods", u"Add", inputs.Get(), hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(u"15", Text(outputs.Get(), u"ReturnValue"));
    EXPECT_FALSE(Run(u"Test_Methods", u"Add", nullptr, hr));
    EXPECT_EQ(WBEM_E_INVALID_METHOD_PARAMETERS, hr);
}

TEST_F(ShippedMethodsTest, EchoCombinesWhatArrived)
{
    ComPtr<IWbemClassObject> inputs = Inputs(u"Echo");
    PutText(inputs.Get(), u"Text", u"hi");
    PutInt(inputs.Get(), u"Number", 7);
    PutInt(inputs.Get(), u"Counter", 41);
    OwnedVariant list;
    SAFEARRAY* items = SafeArrayCreateVector(VT_BSTR, 0, 2);
    ASSERT_NE(nullptr, items);
    LONG index = 0;
    OwnedBstr first(u"x"), second(u"y");
    ASSERT_EQ(S_OK, SafeArrayPutElement(items, &index, first.Get()));
    index = 1;
    ASSERT_EQ(S_OK, SafeArrayPutElement(items, &index, second.Get()));
    V_VT(list.Address()) = VT_ARRAY | VT_BSTR;
    V_ARRAY(list.Address()) = items;
    ASSERT_EQ(S_OK, inputs->Put(u"List", 0, list.Address(), 0));

    HRESULT hr = E_FAIL;
    ComPtr<IWbemClassObject> outputs = Run(u"Test_Methods", u"Echo", inputs.Get(), hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(u"hi|7|x,y|null", Text(outputs.Get(), u"Combined"));
    EXPECT_EQ(u"42", Text(outputs.Get(), u"Counter"));
    EXPECT_EQ(u"hi", Text(outputs.Get(), u"ReturnValue"));
}

TEST_F(ShippedMethodsTest, SignatureShapesWithoutInputsOrOutputs)
{
    HRESULT hr = E_FAIL;
    ComPtr<IWbemClassObject> info = Run(u"Test_Methods", u"GetInfo", nullptr, hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(u"emulated", Text(info.Get(), u"Text"));
    EXPECT_EQ(u"0", Text(info.Get(), u"ReturnValue"));

    EXPECT_FALSE(Run(u"Test_Methods", u"Ping", nullptr, hr));
    EXPECT_EQ(S_OK, hr);

    ComPtr<IWbemClassObject> inputs = Inputs(u"Store");
    PutText(inputs.Get(), u"Value", u"kept");
    EXPECT_FALSE(Run(u"Test_Methods", u"Store", inputs.Get(), hr));
    EXPECT_EQ(S_OK, hr);
}

TEST_F(ShippedMethodsTest, DescribeNamesItsInstance)
{
    HRESULT hr = E_FAIL;
    ComPtr<IWbemClassObject> outputs = Run(u"Test_Methods.Name=\"methods\"", u"Describe", nullptr, hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(u"Test_Methods.Name=\"methods\"", Text(outputs.Get(), u"Description"));
    EXPECT_FALSE(Run(u"Test_Methods", u"Describe", nullptr, hr));
    EXPECT_EQ(WBEM_E_INVALID_METHOD_PARAMETERS, hr);
}

}  // namespace
}  // namespace services_test
