// Objects handed out: independent copies, SpawnInstance and Clone, QueryInterface, reference
// counts and accounting by kind.
#include "repository_fixture.h"

namespace {

class ObjectLifetimeTest : public RepositoryTest {
protected:
    static void PutName(IWbemClassObject* object, const char16_t* name)
    {
        Var value;
        V_VT(value.get()) = VT_BSTR;
        V_BSTR(value.get()) = SysAllocString(name);
        ASSERT_HR(WBEM_S_NO_ERROR, object->Put(u"Label", 0, value.get(), 0));
    }
};

TEST_F(ObjectLifetimeTest, ChangingAHandedOutInstanceLeavesTheRepositoryAlone)
{
    ObjectPtr first = Instance(u"Test_Keyed", u"alpha");
    PutName(first.Get(), u"changed");
    ObjectPtr second = Instance(u"Test_Keyed", u"alpha");
    EXPECT_EQ(u"first", StringProperty(second.Get(), u"Label"));
    EXPECT_NE(first.Get(), second.Get());
}

TEST_F(ObjectLifetimeTest, SpawnedInstancesHoldDefaultsAndAreIndependent)
{
    ObjectPtr cls = Class(u"Test_KeyedChild");
    IWbemClassObject* first = nullptr;
    IWbemClassObject* second = nullptr;
    ASSERT_HR(WBEM_S_NO_ERROR, cls->SpawnInstance(0, &first));
    ASSERT_HR(WBEM_S_NO_ERROR, cls->SpawnInstance(0, &second));
    ObjectPtr firstOwner(first);
    ObjectPtr secondOwner(second);
    Var size;
    first->Get(u"Size", 0, size.get(), nullptr, nullptr);
    EXPECT_EQ(10, V_I4(size.get())) << "inherited default";
    Var extra;
    first->Get(u"Extra", 0, extra.get(), nullptr, nullptr);
    EXPECT_EQ(VARIANT_TRUE, V_BOOL(extra.get()));

    PutName(first, u"mine");
    Var other;
    second->Get(u"Label", 0, other.get(), nullptr, nullptr);
    EXPECT_EQ(VT_NULL, other.vt());

    Var genus;
    first->Get(u"__GENUS", 0, genus.get(), nullptr, nullptr);
    EXPECT_EQ(WBEM_GENUS_INSTANCE, V_I4(genus.get()));
    Var path;
    first->Get(u"__PATH", 0, path.get(), nullptr, nullptr);
    EXPECT_EQ(VT_NULL, path.vt()) << "a spawned instance is not stored anywhere";
}

TEST_F(ObjectLifetimeTest, SpawningFromAnInstanceGivesAnEmptyInstanceOfItsClass)
{
    ObjectPtr alpha = Instance(u"Test_Keyed", u"alpha");
    IWbemClassObject* spawned = nullptr;
    ASSERT_HR(WBEM_S_NO_ERROR, alpha->SpawnInstance(0, &spawned));
    ObjectPtr owner(spawned);
    EXPECT_EQ(u"Test_Keyed", StringProperty(spawned, u"__CLASS"));
    Var name;
    spawned->Get(u"Name", 0, name.get(), nullptr, nullptr);
    EXPECT_EQ(VT_NULL, name.vt());
    Var size;
    spawned->Get(u"Size", 0, size.get(), nullptr, nullptr);
    EXPECT_EQ(10, V_I4(size.get()));
}

TEST_F(ObjectLifetimeTest, AbstractClassesSpawnNothing)
{
    ObjectPtr cls = Class(u"Test_Abstract");
    IWbemClassObject* spawned = nullptr;
    EXPECT_HR(WBEM_E_INVALID_OPERATION, cls->SpawnInstance(0, &spawned));
    EXPECT_EQ(nullptr, spawned);
}

TEST_F(ObjectLifetimeTest, CloneCopiesTheCurrentValues)
{
    ObjectPtr alpha = Instance(u"Test_Keyed", u"alpha");
    PutName(alpha.Get(), u"before clone");
    IWbemClassObject* copy = nullptr;
    ASSERT_HR(WBEM_S_NO_ERROR, alpha->Clone(&copy));
    ObjectPtr owner(copy);
    PutName(alpha.Get(), u"after clone");
    EXPECT_EQ(u"before clone", StringProperty(copy, u"Label"));
    EXPECT_EQ(u"\\\\" + pal::wmi::LocalServerName() + u"\\root\\test:Test_Keyed.Name=\"alpha\"",
              StringProperty(copy, u"__PATH"));
}

TEST_F(ObjectLifetimeTest, QueryInterfaceAnswersIUnknownAndIWbemClassObjectOnly)
{
    ObjectPtr alpha = Instance(u"Test_Keyed", u"alpha");
    IUnknown* unknown = nullptr;
    ASSERT_HR(S_OK, alpha->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(3u, unknown->AddRef()) << "the caller's reference, QueryInterface's, and this AddRef";
    unknown->Release();
    unknown->Release();
    void* dispatch = reinterpret_cast<void*>(1);
    EXPECT_HR(E_NOINTERFACE, alpha->QueryInterface(IID_IDispatch, &dispatch));
    EXPECT_EQ(nullptr, dispatch);
    EXPECT_EQ(2u, alpha->AddRef()) << "the failed queries added no reference";
    alpha->Release();
}

TEST_F(ObjectLifetimeTest, LiveObjectsAreCountedByKind)
{
    const LONG classesBefore = PalLiveCount(PAL_KIND_WBEM_CLASS_OBJECT);
    const LONG instancesBefore = PalLiveCount(PAL_KIND_WBEM_INSTANCE);
    {
        ObjectPtr cls = Class(u"Test_Keyed");
        ObjectPtr instance = Instance(u"Test_Keyed", u"beta");
        IWbemQualifierSet* qualifiers = nullptr;
        cls->GetQualifierSet(&qualifiers);
        EXPECT_EQ(classesBefore + 1, PalLiveCount(PAL_KIND_WBEM_CLASS_OBJECT));
        EXPECT_EQ(instancesBefore + 1, PalLiveCount(PAL_KIND_WBEM_INSTANCE));
        EXPECT_EQ(1, PalLiveCount(PAL_KIND_WBEM_QUALIFIER_SET));
        qualifiers->Release();
    }
    EXPECT_EQ(classesBefore, PalLiveCount(PAL_KIND_WBEM_CLASS_OBJECT));
    EXPECT_EQ(instancesBefore, PalLiveCount(PAL_KIND_WBEM_INSTANCE));
}

TEST_F(ObjectLifetimeTest, TheStoredRepositoryIsNotCountedAsLive)
{
    pal::wmi::LocalRepository()->ResetToShipped();
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_WBEM_INSTANCE));
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_BSTR));
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_SAFEARRAY));
}

TEST_F(ObjectLifetimeTest, PropertyEnumerationListsSystemThenOwnProperties)
{
    ObjectPtr alpha = Instance(u"Test_Keyed", u"alpha");
    ASSERT_HR(WBEM_S_NO_ERROR, alpha->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY));
    std::vector<std::u16string> names;
    BSTR name = nullptr;
    Var value;
    while (alpha->Next(0, &name, value.get(), nullptr, nullptr) == WBEM_S_NO_ERROR) {
        names.push_back(Text(name));
        SysFreeString(name);
        value.Clear();
    }
    alpha->EndEnumeration();
    EXPECT_EQ((std::vector<std::u16string>{u"Name", u"Size", u"Label"}), names);

    SAFEARRAY* keys = nullptr;
    ASSERT_HR(WBEM_S_NO_ERROR, alpha->GetNames(u"key", WBEM_FLAG_ONLY_IF_TRUE, nullptr, &keys));
    LONG upper = -1;
    SafeArrayGetUBound(keys, 1, &upper);
    EXPECT_EQ(0, upper);
    SafeArrayDestroy(keys);
}

}  // namespace
