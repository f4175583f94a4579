// Allocation failures inside the emulator: every COM method and exported function answers with its
// out-of-memory code (or succeeds) and leaves nothing alive, whichever of its allocations fails.
//
// This program replaces the global operator new. On ELF the program's definition serves every
// library loaded into it, so the containers, strings and objects that libwinpal.so allocates fail
// here exactly where a machine out of memory would fail them. Faults are armed per thread, so
// GoogleTest's own allocations and the emulator's other threads are never hit.
#include <pal/win32_control.h>
#include <winreg.h>

#include <array>
#include <cstdlib>
#include <new>

#include "emulator_test.h"
#include "services/method_providers.h"

namespace {

thread_local long t_allocationsLeft = 0;  // > 0: the allocation that brings it to zero fails
thread_local bool t_faulted = false;

void* Allocate(std::size_t size)
{
    if (t_allocationsLeft > 0 && --t_allocationsLeft == 0) {
        t_faulted = true;
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void* AllocateOrNull(std::size_t size) noexcept
{
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

void* operator new(std::size_t size)
{
    return Allocate(size);
}
void* operator new[](std::size_t size)
{
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return AllocateOrNull(size);
}
void operator delete(void* block) noexcept
{
    std::free(block);
}
void operator delete[](void* block) noexcept
{
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}

namespace services_test {
namespace {

constexpr const char* kFaultMof = R"(
[Description("Items that allocation faults are tried on")]
class Fault_Item {
  [key, Description("The name")] string Name;
  sint32 Count;
  string Tags[];
  [static] uint32 Add([in] sint32 A, [in] sint32 B, [out] sint32 Sum);
};
instance of Fault_Item { Name = "a"; Count = 1; Tags = {"x", "y"}; };
instance of Fault_Item { Name = "b"; Count = 2; };
instance of Fault_Item { Name = "c"; Count = 3; };
)";

// Beyond any operation tried here: a run that still faults after this many allocations loops.
constexpr long kMostAllocations = 20000;

using Accounts = std::array<LONG, PAL_KIND_COUNT>;

Accounts LiveObjects()
{
    Accounts live{};
    for (int kind = 0; kind < PAL_KIND_COUNT; ++kind) {
        live[kind] = PalLiveCount(kind);
    }
    return live;
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
    OwnedVariant a, b;
    HRESULT hr = call.inParameters->Get(u"A", 0, a.Put(), nullptr, nullptr);
    if (SUCCEEDED(hr)) {
        hr = call.inParameters->Get(u"B", 0, b.Put(), nullptr, nullptr);
    }
    if (SUCCEEDED(hr)) {
        hr = PutInt(call.outParameters, u"Sum", V_I4(a.Get()) + V_I4(b.Get()));
    }
    return SUCCEEDED(hr) ? PutInt(call.outParameters, u"ReturnValue", 0) : hr;
}

class AllocationFaultTest : public EmulatorTest {
protected:
    void SetUp() override
    {
        EmulatorTest::SetUp();
        LoadMof(kFaultMof);
        pal::services::RegisterMethodProvider(u"Fault_Item", u"Add", Add);
        services_ = ConnectLocal(u"root\\default");
        ASSERT_TRUE(services_);
    }

    void TearDown() override
    {
        t_allocationsLeft = 0;
        services_.Reset();
        pal::services::UnregisterMethodProvider(u"Fault_Item", u"Add");
        EmulatorTest::TearDown();
    }

    // Runs `call` with its first allocation failing, then its second, and so on until a run meets
    // no fault, which must succeed. A faulted run must give `outOfMemory` or succeed (a failure met
    // on a path that can do without the memory), and must leave as many objects alive as before.
    // The call must not use GoogleTest, which allocates.
    template <class Result, class Call>
    static void FailEachAllocation(Result outOfMemory, Call call)
    {
        const Accounts before = LiveObjects();
        long faults = 0;
        for (long n = 1; n <= kMostAllocations; ++n) {
            t_faulted = false;
            t_allocationsLeft = n;
            const Result result = call();
            t_allocationsLeft = 0;
            ASSERT_EQ(before, LiveObjects()) << "objects left alive when allocation " << n << " failed";
            if (!t_faulted) {
                EXPECT_EQ(Result{0}, result) << "the run without a fault";
                EXPECT_GT(faults, 0) << "the call allocates nothing, so nothing was tried";
                return;
            }
            ++faults;
            ASSERT_TRUE(result == outOfMemory || result == Result{0})
                << "allocation " << n << " failed and the call answered 0x" << std::hex
                << static_cast<unsigned long>(result);
        }
        FAIL() << "still faulting after " << kMostAllocations << " allocations";
    }

    ComPtr<IWbemClassObject> ItemClass()
    {
        OwnedBstr path(u"Fault_Item");
        ComPtr<IWbemClassObject> item;
        EXPECT_EQ(S_OK, services_->GetObject(path.Get(), 0, nullptr, item.Put(), nullptr));
        return item;
    }

    ComPtr<IWbemServices> services_;
};

constexpr HRESULT kWmiOutOfMemory = WBEM_E_OUT_OF_MEMORY;

TEST_F(AllocationFaultTest, LocatorCreation)
{
    FailEachAllocation(E_OUTOFMEMORY, [] {
        ComPtr<IWbemLocator> locator;
        return CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(locator.Put()));
    });
}

TEST_F(AllocationFaultTest, ConnectServer)
{
    ComPtr<IWbemLocator> locator = MakeLocator();
    OwnedBstr resource(u"\\\\.\\root\\default");
    FailEachAllocation(kWmiOutOfMemory, [&] {
        ComPtr<IWbemServices> connected;
        return locator->ConnectServer(resource.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                      connected.Put());
    });
}

TEST_F(AllocationFaultTest, ExecQueryAndNextOverEveryObject)
{
    OwnedBstr language(u"WQL"), text(u"SELECT * FROM Fault_Item WHERE Count > 0");
    FailEachAllocation(kWmiOutOfMemory, [&] {
        ComPtr<IEnumWbemClassObject> found;
        HRESULT hr =
            services_->ExecQuery(language.Get(), text.Get(), WBEM_FLAG_FORWARD_ONLY, nullptr, found.Put());
        ULONG delivered = 0;
        while (hr == WBEM_S_NO_ERROR) {
            ComPtr<IWbemClassObject> object;
            ULONG returned = 0;
            hr = found->Next(static_cast<LONG>(WBEM_INFINITE), 1, object.Put(), &returned);
            delivered += returned;
        }
        if (hr == WBEM_S_FALSE) {
            return delivered == 3 ? S_OK : E_UNEXPECTED;
        }
        return hr;
    });
}

TEST_F(AllocationFaultTest, GetObjectByPath)
{
    OwnedBstr path(u"Fault_Item.Name=\"b\"");
    FailEachAllocation(kWmiOutOfMemory, [&] {
        ComPtr<IWbemClassObject> object;
        return services_->GetObject(path.Get(), 0, nullptr, object.Put(), nullptr);
    });
}

TEST_F(AllocationFaultTest, SpawnPutAndGetProperties)
{
    const ComPtr<IWbemClassObject> item = ItemClass();
    ASSERT_TRUE(item);
    OwnedVariant name;
    V_VT(name.Address()) = VT_BSTR;
    V_BSTR(name.Address()) = SysAllocString(u"new");
    FailEachAllocation(kWmiOutOfMemory, [&] {
        ComPtr<IWbemClassObject> instance;
        HRESULT hr = item->SpawnInstance(0, instance.Put());
        if (SUCCEEDED(hr)) {
            hr = instance->Put(u"Name", 0, name.Address(), 0);
        }
        if (SUCCEEDED(hr)) {
            hr = PutInt(instance.Get(), u"Count", 7);
        }
        OwnedVariant read;
        CIMTYPE type = 0;
        if (SUCCEEDED(hr)) {
            hr = instance->Get(u"Name", 0, read.Put(), &type, nullptr);
        }
        if (SUCCEEDED(hr)) {
            hr = instance->Get(u"Tags", 0, read.Put(), &type, nullptr);
        }
        return hr;
    });
}

TEST_F(AllocationFaultTest, QualifierSetsOfClassAndProperty)
{
    const ComPtr<IWbemClassObject> item = ItemClass();
    ASSERT_TRUE(item);
    FailEachAllocation(kWmiOutOfMemory, [&] {
        ComPtr<IWbemQualifierSet> qualifiers;
        OwnedVariant value;
        LONG flavor = 0;
        HRESULT hr = item->GetQualifierSet(qualifiers.Put());
        if (SUCCEEDED(hr)) {
            hr = qualifiers->Get(u"Description", 0, value.Put(), &flavor);
        }
        if (SUCCEEDED(hr)) {
            hr = item->GetPropertyQualifierSet(u"Name", qualifiers.Put());
        }
        if (SUCCEEDED(hr)) {
            hr = qualifiers->Get(u"key", 0, value.Put(), &flavor);
        }
        pal::OwnedSafeArray names;
        if (SUCCEEDED(hr)) {
            hr = qualifiers->GetNames(0, names.Put());
        }
        return hr;
    });
}

TEST_F(AllocationFaultTest, ExecMethodWithInputs)
{
    const ComPtr<IWbemClassObject> item = ItemClass();
    ASSERT_TRUE(item);
    OwnedBstr path(u"Fault_Item"), method(u"Add");
    FailEachAllocation(kWmiOutOfMemory, [&] {
        ComPtr<IWbemClassObject> signature, inputs, outputs;
        HRESULT hr = item->GetMethod(u"Add", 0, signature.Put(), nullptr);
        if (SUCCEEDED(hr)) {
            hr = signature->SpawnInstance(0, inputs.Put());
        }
        if (SUCCEEDED(hr)) {
            hr = PutInt(inputs.Get(), u"A", 2);
        }
        if (SUCCEEDED(hr)) {
            hr = PutInt(inputs.Get(), u"B", 3);
        }
        if (SUCCEEDED(hr)) {
            hr = services_->ExecMethod(path.Get(), method.Get(), 0, nullptr, inputs.Get(), outputs.Put(),
                                       nullptr);
        }
        OwnedVariant sum;
        if (SUCCEEDED(hr)) {
            hr = outputs->Get(u"Sum", 0, sum.Put(), nullptr, nullptr);
        }
        if (SUCCEEDED(hr) && (sum.Type() != VT_I4 || V_I4(sum.Get()) != 5)) {
            hr = E_UNEXPECTED;
        }
        return hr;
    });
}

TEST_F(AllocationFaultTest, ContextValues)
{
    ComPtr<IWbemContext> empty;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WbemContext, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemContext,
                                     reinterpret_cast<void**>(empty.Put())));
    OwnedVariant value;
    V_VT(value.Address()) = VT_BSTR;
    V_BSTR(value.Address()) = SysAllocString(u"value");
    FailEachAllocation(kWmiOutOfMemory, [&] {
        // A context of the run's own, so that what a failed run stored goes away with it.
        ComPtr<IWbemContext> context, copy;
        HRESULT hr = empty->Clone(context.Put());
        if (SUCCEEDED(hr)) {
            hr = context->SetValue(u"__ProviderArchitecture", 0, value.Address());
        }
        OwnedVariant read;
        if (SUCCEEDED(hr)) {
            hr = context->GetValue(u"__ProviderArchitecture", 0, read.Put());
        }
        pal::OwnedSafeArray names;
        if (SUCCEEDED(hr)) {
            hr = context->GetNames(0, names.Put());
        }
        if (SUCCEEDED(hr)) {
            hr = context->Clone(copy.Put());
        }
        if (SUCCEEDED(hr)) {
            hr = copy->DeleteValue(u"__ProviderArchitecture", 0);
        }
        return hr;
    });
}

// The platform's own allocation faults (pal/testing.h) on the same kind of calls: a BSTR or a
// SAFEARRAY that cannot be made is out of memory too, whichever of them fails.
TEST_F(AllocationFaultTest, PlatformAllocationFaults)
{
    OwnedBstr path(u"Fault_Item.Name=\"a\"");
    const auto readItem = [&] {
        ComPtr<IWbemClassObject> object;
        HRESULT hr = services_->GetObject(path.Get(), 0, nullptr, object.Put(), nullptr);
        OwnedVariant name, tags;
        if (SUCCEEDED(hr)) {
            hr = object->Get(u"Name", 0, name.Put(), nullptr, nullptr);
        }
        if (SUCCEEDED(hr)) {
            hr = object->Get(u"Tags", 0, tags.Put(), nullptr, nullptr);
        }
        pal::OwnedSafeArray names;
        if (SUCCEEDED(hr)) {
            hr = object->GetNames(nullptr, WBEM_FLAG_ALWAYS, nullptr, names.Put());
        }
        return hr;
    };
    for (const int fault : {PAL_FAULT_SYSALLOCSTRING, PAL_FAULT_SAFEARRAY_CREATE}) {
        const Accounts before = LiveObjects();
        LONG failures = 0;
        for (LONG spared = 0; spared < 1000; ++spared) {
            PalFailAfter(fault, spared, 1);
            const HRESULT hr = readItem();
            PalResetFaults();
            ASSERT_EQ(before, LiveObjects()) << "fault " << fault << " after " << spared;
            if (SUCCEEDED(hr)) {
                break;
            }
            // A value copied into the caller's VARIANT reports the copy's own E_OUTOFMEMORY.
            ASSERT_TRUE(hr == kWmiOutOfMemory || hr == E_OUTOFMEMORY)
                << "fault " << fault << " after " << spared << ": 0x" << std::hex << hr;
            ++failures;
        }
        EXPECT_GT(failures, 0) << "fault " << fault << " never met";
    }
}

TEST_F(AllocationFaultTest, RegistryConnectAndOpen)
{
    ASSERT_TRUE(PalWin32RegCreateKey(".", PAL_REG_LOCAL_MACHINE, "Software\\Fault\\Below"));
    FailEachAllocation(static_cast<LSTATUS>(ERROR_NOT_ENOUGH_MEMORY), [] {
        HKEY root = nullptr;
        LSTATUS status = RegConnectRegistryW(nullptr, HKEY_LOCAL_MACHINE, &root);
        if (status != ERROR_SUCCESS) {
            return status;
        }
        HKEY key = nullptr;
        status = RegOpenKeyExW(root, u"Software\\Fault\\Below", 0, KEY_READ, &key);
        if (status == ERROR_SUCCESS) {
            RegCloseKey(key);
        }
        RegCloseKey(root);
        return status;
    });
}

}  // namespace
}  // namespace services_test
