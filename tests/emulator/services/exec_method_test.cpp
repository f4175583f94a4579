// ExecMethod: static and instance methods run by registered providers, with the checks of the
// input parameters and the errors WMI gives.
#include <atomic>

#include "emulator_test.h"
#include "services/method_providers.h"

namespace services_test {
namespace {

constexpr const char* kCalcMof = R"(
class Svc_Calc {
  [key] string Id;
  sint32 Factor;
  [static] uint32 Add([in] sint32 A, [in] sint32 B, [out] sint32 Sum);
  uint32 Scale([in] sint32 Value, [out] sint32 Result);
  void Ping();
  void Unserved();
};
instance of Svc_Calc { Id = "x"; Factor = 3; };
)";

std::atomic<int> g_pings{0};

HRESULT ReadInt(IWbemClassObject* object, const char16_t* name, LONG& value)
{
    OwnedVariant read;
    if (object == nullptr || FAILED(object->Get(name, 0, read.Address(), nullptr, nullptr)) ||
        read.Type() != VT_I4) {
        return WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    value = V_I4(read.Address());
    return S_OK;
}

HRESULT PutInt(IWbemClassObject* object, const char16_t* name, LONG value)
{
    OwnedVariant written;
    V_VT(written.Address()) = VT_I4;
    V_I4(written.Address()) = value;
    return object->Put(name, 0, written.Address(), 0);
}

HRESULT Add(const pal::services::MethodCall& call)
{
    LONG a = 0, b = 0;
    if (call.instance != nullptr || FAILED(ReadInt(call.inParameters, u"A", a)) ||
        FAILED(ReadInt(call.inParameters, u"B", b))) {
        return WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    PutInt(call.outParameters, u"Sum", a + b);
    return PutInt(call.outParameters, u"ReturnValue", 0);
}

HRESULT Scale(const pal::services::MethodCall& call)
{
    LONG factor = 0, value = 0;
    if (FAILED(ReadInt(call.instance, u"Factor", factor)) ||
        FAILED(ReadInt(call.inParameters, u"Value", value))) {
        return WBEM_E_INVALID_METHOD_PARAMETERS;
    }
    PutInt(call.outParameters, u"Result", factor * value);
    return PutInt(call.outParameters, u"ReturnValue", 0);
}

HRESULT Ping(const pal::services::MethodCall& call)
{
    ++g_pings;
    return call.outParameters == nullptr ? S_OK : E_UNEXPECTED;
}

class ExecMethodTest : public EmulatorTest {
protected:
    void SetUp() override
    {
        EmulatorTest::SetUp();
        LoadMof(kCalcMof);
        pal::services::RegisterMethodProvider(u"Svc_Calc", u"Add", Add);
        pal::services::RegisterMethodProvider(u"SVC_CALC", u"scale", Scale);
        pal::services::RegisterMethodProvider(u"Svc_Calc", u"Ping", Ping);
        services_ = ConnectLocal(u"root\\default");
        g_pings = 0;
    }
    void TearDown() override
    {
        services_.Reset();
        for (const char16_t* method : {u"Add", u"Scale", u"Ping"}) {
            pal::services::UnregisterMethodProvider(u"Svc_Calc", method);
        }
        EmulatorTest::TearDown();
    }

    // A new input-parameters object of a method, with integer arguments.
    ComPtr<IWbemClassObject> Inputs(const char16_t* method,
                                    std::initializer_list<std::pair<const char16_t*, LONG>> arguments)
    {
        OwnedBstr classPath(u"Svc_Calc");
        ComPtr<IWbemClassObject> classObject, signature, inputs;
        EXPECT_EQ(S_OK, services_->GetObject(classPath.Get(), 0, nullptr, classObject.Put(), nullptr));
        EXPECT_EQ(S_OK, classObject->GetMethod(method, 0, signature.Put(), nullptr));
        EXPECT_EQ(S_OK, signature->SpawnInstance(0, inputs.Put()));
        for (const auto& [name, value] : arguments) {
            EXPECT_EQ(S_OK, PutInt(inputs.Get(), name, value));
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

    HRESULT RunResult(const char16_t* path, const char16_t* method, IWbemClassObject* inputs)
    {
        HRESULT hr = E_FAIL;
        ComPtr<IWbemClassObject> outputs = Run(path, method, inputs, hr);
        EXPECT_FALSE(FAILED(hr) && outputs);
        return hr;
    }

    ComPtr<IWbemServices> services_;
};

TEST_F(ExecMethodTest, StaticMethodOnTheClassPath)
{
    ComPtr<IWbemClassObject> inputs = Inputs(u"Add", {{u"A", 2}, {u"B", 40}});
    HRESULT hr = E_FAIL;
    ComPtr<IWbemClassObject> outputs = Run(u"Svc_Calc", u"Add", inputs.Get(), hr);
    ASSERT_EQ(S_OK, hr);
    ASSERT_TRUE(outputs);
    EXPECT_EQ(u"42", Text(outputs.Get(), u"Sum"));
    EXPECT_EQ(u"0", Text(outputs.Get(), u"ReturnValue"));
}

TEST_F(ExecMethodTest, InstanceMethodSeesItsInstance)
{
    ComPtr<IWbemClassObject> inputs = Inputs(u"Scale", {{u"Value", 5}});
    HRESULT hr = E_FAIL;
    ComPtr<IWbemClassObject> outputs = Run(u"Svc_Calc.Id=\"x\"", u"Scale", inputs.Get(), hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(u"15", Text(outputs.Get(), u"Result"));
    // The same input object serves again.
    outputs = Run(u"Svc_Calc.Id=\"x\"", u"Scale", inputs.Get(), hr);
    EXPECT_EQ(u"15", Text(outputs.Get(), u"Result"));
}

TEST_F(ExecMethodTest, MethodWithoutOutputsReturnsNoObject)
{
    HRESULT hr = E_FAIL;
    ComPtr<IWbemClassObject> outputs = Run(u"Svc_Calc.Id=\"x\"", u"Ping", nullptr, hr);
    EXPECT_EQ(S_OK, hr);
    EXPECT_FALSE(outputs);
    EXPECT_EQ(1, g_pings.load());
}

TEST_F(ExecMethodTest, ErrorsOfWmi)
{
    ComPtr<IWbemClassObject> scaleInputs = Inputs(u"Scale", {{u"Value", 5}});
    EXPECT_EQ(WBEM_E_INVALID_METHOD, RunResult(u"Svc_Calc", u"Subtract", nullptr));
    EXPECT_EQ(WBEM_E_INVALID_METHOD_PARAMETERS, RunResult(u"Svc_Calc", u"Add", scaleInputs.Get()));
    EXPECT_EQ(WBEM_E_INVALID_METHOD_PARAMETERS, RunResult(u"Svc_Calc", u"Add", nullptr));
    EXPECT_EQ(WBEM_E_NOT_FOUND, RunResult(u"Svc_Calc.Id=\"y\"", u"Scale", scaleInputs.Get()));
    EXPECT_EQ(WBEM_E_NOT_FOUND, RunResult(u"Svc_Nothing", u"Add", nullptr));
    EXPECT_EQ(WBEM_E_INVALID_OBJECT_PATH, RunResult(u"Svc_Calc.", u"Add", nullptr));
    EXPECT_EQ(WBEM_E_METHOD_NOT_IMPLEMENTED, RunResult(u"Svc_Calc.Id=\"x\"", u"Unserved", nullptr));
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, RunResult(u"Svc_Calc", nullptr, nullptr));
}

TEST_F(ExecMethodTest, InjectedOutcomesOfExecMethod)
{
    ComPtr<IWbemClassObject> inputs = Inputs(u"Add", {{u"A", 1}, {u"B", 1}});
    PalWmiSetCallResult(PAL_WMI_EXEC_METHOD, 1, WBEM_E_ACCESS_DENIED);
    PalWmiSucceedWithoutObject(PAL_WMI_EXEC_METHOD, 2);
    EXPECT_EQ(WBEM_E_ACCESS_DENIED, RunResult(u"Svc_Calc", u"Add", inputs.Get()));
    HRESULT hr = E_FAIL;
    EXPECT_FALSE(Run(u"Svc_Calc", u"Add", inputs.Get(), hr));
    EXPECT_EQ(S_OK, hr);
    EXPECT_TRUE(Run(u"Svc_Calc", u"Add", inputs.Get(), hr));
}

}  // namespace
}  // namespace services_test
