// The repository's queries: namespaces, classes, instances with subclasses, key lookups,
// singletons, projections, stored instances and separate repositories.
#include <atomic>
#include <thread>

#include "repository_fixture.h"

namespace {

using pal::wmi::KeyBinding;
using pal::wmi::LocalRepository;

class InstancesTest : public RepositoryTest {
protected:
    static std::vector<std::u16string> Names(const std::vector<ObjectPtr>& objects)
    {
        std::vector<std::u16string> names;
        for (const auto& object : objects) {
            names.push_back(StringProperty(object.Get(), u"Name"));
        }
        return names;
    }

    static HRESULT Find(std::u16string_view className, const Keys& keys, ObjectPtr* found)
    {
        IWbemClassObject* object = nullptr;
        const HRESULT hr = LocalRepository()->FindInstance(u"root\\test", className, keys.bindings, &object);
        found->Attach(object);
        return hr;
    }
};

TEST_F(InstancesTest, NamespacesAreFoundWithoutCaseAndSlashDirection)
{
    auto repository = LocalRepository();
    EXPECT_TRUE(repository->HasNamespace(u"root\\cimv2"));
    EXPECT_TRUE(repository->HasNamespace(u"ROOT/Test"));
    EXPECT_TRUE(repository->HasNamespace(u"root\\default"));
    EXPECT_TRUE(repository->HasNamespace(u"root"));
    EXPECT_FALSE(repository->HasNamespace(u"root\\nothing"));
    EXPECT_EQ(u"root\\test", repository->CanonicalNamespace(u"ROOT\\TEST"));
    IWbemClassObject* object = nullptr;
    EXPECT_HR(WBEM_E_INVALID_NAMESPACE, repository->GetClass(u"root\\nothing", u"Test_Keyed", &object));
    EXPECT_HR(WBEM_E_NOT_FOUND, repository->GetClass(u"root\\test", u"Missing", &object));
    EXPECT_EQ(nullptr, object);
}

TEST_F(InstancesTest, InstancesIncludeSubclassesInDeclarationOrder)
{
    std::vector<ObjectPtr> all;
    ASSERT_HR(WBEM_S_NO_ERROR, LocalRepository()->Instances(u"root\\test", u"test_keyed", &all));
    EXPECT_EQ((std::vector<std::u16string>{u"alpha", u"beta", u"gamma", u"delta"}), Names(all));
    std::vector<ObjectPtr> children;
    ASSERT_HR(WBEM_S_NO_ERROR, LocalRepository()->Instances(u"root\\test", u"Test_KeyedChild", &children));
    EXPECT_EQ((std::vector<std::u16string>{u"delta"}), Names(children));
    std::vector<ObjectPtr> none;
    EXPECT_HR(WBEM_E_NOT_FOUND, LocalRepository()->Instances(u"root\\test", u"Missing", &none));
    EXPECT_TRUE(LocalRepository()->InheritsFrom(u"root\\test", u"Test_KeyedChild", u"TEST_KEYED"));
    EXPECT_FALSE(LocalRepository()->InheritsFrom(u"root\\test", u"Test_Keyed", u"Test_KeyedChild"));
}

TEST_F(InstancesTest, KeysAndSingletonsOfClasses)
{
    std::vector<std::u16string> keys;
    bool singleton = true;
    ASSERT_HR(WBEM_S_NO_ERROR,
              LocalRepository()->KeyProperties(u"root\\test", u"Test_MultiKey", &keys, &singleton));
    EXPECT_EQ((std::vector<std::u16string>{u"K1", u"K2"}), keys);
    EXPECT_FALSE(singleton);
    ASSERT_HR(WBEM_S_NO_ERROR,
              LocalRepository()->KeyProperties(u"root\\test", u"Test_KeyedChild", &keys, &singleton));
    EXPECT_EQ((std::vector<std::u16string>{u"Name"}), keys);
    ASSERT_HR(WBEM_S_NO_ERROR,
              LocalRepository()->KeyProperties(u"root\\test", u"Test_Singleton", &keys, &singleton));
    EXPECT_TRUE(keys.empty());
    EXPECT_TRUE(singleton);
}

TEST_F(InstancesTest, FindInstanceByKeys)
{
    ObjectPtr found;
    ASSERT_HR(WBEM_S_NO_ERROR, Find(u"Test_MultiKey", Keys().Number(u"K1", 2).Text(u"k2", u"TWO"), &found));
    EXPECT_EQ(u"second pair", StringProperty(found.Get(), u"Data"));
    ASSERT_HR(WBEM_S_NO_ERROR, Find(u"Test_MultiKey", Keys().Text(u"K1", u"1").Text(u"K2", u"one"), &found))
        << "numeric keys may arrive as text";
    EXPECT_HR(WBEM_E_NOT_FOUND, Find(u"Test_MultiKey", Keys().Number(u"K1", 1).Text(u"K2", u"two"), &found));
    EXPECT_HR(WBEM_E_INVALID_OBJECT_PATH, Find(u"Test_MultiKey", Keys().Number(u"K1", 1), &found));
    EXPECT_HR(WBEM_E_INVALID_OBJECT_PATH, Find(u"Test_Keyed", Keys().Text(u"Label", u"first"), &found));
    EXPECT_HR(WBEM_E_INVALID_OBJECT_PATH, Find(u"Test_Keyed", Keys(), &found));
    // A subclass instance is found through its superclass.
    ASSERT_HR(WBEM_S_NO_ERROR, Find(u"Test_Keyed", Keys().Text(u"Name", u"delta"), &found));
    EXPECT_EQ(u"Test_KeyedChild", StringProperty(found.Get(), u"__CLASS"));
    ASSERT_HR(WBEM_S_NO_ERROR, Find(u"Test_Singleton", Keys(), &found));
    EXPECT_EQ(u"test", StringProperty(found.Get(), u"Mode"));
}

TEST_F(InstancesTest, ProjectionHoldsOnlyTheSelectedProperties)
{
    ObjectPtr full = Instance(u"Test_Keyed", u"alpha");
    IWbemClassObject* projected = nullptr;
    ASSERT_HR(WBEM_S_NO_ERROR, pal::wmi::ProjectObject(full.Get(), {u"name", u"SIZE"}, &projected));
    ObjectPtr owner(projected);
    EXPECT_EQ(u"alpha", StringProperty(projected, u"Name"));
    Var label;
    EXPECT_HR(WBEM_E_NOT_FOUND, projected->Get(u"Label", 0, label.get(), nullptr, nullptr));
    EXPECT_EQ(u"Test_Keyed.Name=\"alpha\"", StringProperty(projected, u"__RELPATH"));

    IWbemClassObject* withoutKey = nullptr;
    ASSERT_HR(WBEM_S_NO_ERROR, pal::wmi::ProjectObject(full.Get(), {u"Label"}, &withoutKey));
    ObjectPtr withoutKeyOwner(withoutKey);
    Var path;
    withoutKey->Get(u"__PATH", 0, path.get(), nullptr, nullptr);
    EXPECT_EQ(VT_NULL, path.vt()) << "without its keys an object has no path";
    Var count;
    withoutKey->Get(u"__PROPERTY_COUNT", 0, count.get(), nullptr, nullptr);
    EXPECT_EQ(1, V_I4(count.get()));

    IWbemClassObject* unknown = nullptr;
    EXPECT_HR(WBEM_E_NOT_FOUND, pal::wmi::ProjectObject(full.Get(), {u"Missing"}, &unknown));
}

TEST_F(InstancesTest, PutInstanceStoresACopyAndReplacesByKey)
{
    ObjectPtr fresh = Spawn(u"Test_Keyed");
    Var name;
    V_VT(name.get()) = VT_BSTR;
    V_BSTR(name.get()) = SysAllocString(u"epsilon");
    fresh->Put(u"Name", 0, name.get(), 0);
    ASSERT_HR(WBEM_S_NO_ERROR, LocalRepository()->PutInstance(u"root\\test", fresh.Get()));
    ASSERT_HR(WBEM_S_NO_ERROR, LocalRepository()->PutInstance(u"root\\test", fresh.Get()));
    std::vector<ObjectPtr> all;
    LocalRepository()->Instances(u"root\\test", u"Test_Keyed", &all);
    EXPECT_EQ((std::vector<std::u16string>{u"alpha", u"beta", u"gamma", u"delta", u"epsilon"}), Names(all));

    ObjectPtr unnamed = Spawn(u"Test_Keyed");
    EXPECT_HR(WBEM_E_ILLEGAL_NULL, LocalRepository()->PutInstance(u"root\\test", unnamed.Get()));
    ObjectPtr cls = Class(u"Test_Keyed");
    EXPECT_HR(WBEM_E_INVALID_PARAMETER, LocalRepository()->PutInstance(u"root\\test", cls.Get()));

    ASSERT_HR(WBEM_S_NO_ERROR, LocalRepository()->DeleteInstance(u"root\\test", u"Test_Keyed",
                                                                 Keys().Text(u"Name", u"beta").bindings));
    LocalRepository()->Instances(u"root\\test", u"Test_Keyed", &all);
    EXPECT_EQ(4u, all.size());
}

TEST_F(InstancesTest, SeparateRepositoriesServeTheirOwnServerName)
{
    auto remote = pal::wmi::Repository::CreateShipped(u"REMOTEHOST");
    IWbemClassObject* cls = nullptr;
    ASSERT_HR(WBEM_S_NO_ERROR, remote->GetClass(u"root\\cimv2", u"Win32_Service", &cls));
    ObjectPtr owner(cls);
    EXPECT_EQ(u"REMOTEHOST", StringProperty(cls, u"__SERVER"));
    ASSERT_HR(WBEM_S_NO_ERROR,
              remote->LoadMof(u"class Remote_Only { [key] string Name; };", u"root\\cimv2", nullptr));
    EXPECT_NE(u"", remote->CanonicalClassName(u"root\\cimv2", u"remote_only"));
    EXPECT_EQ(u"", LocalRepository()->CanonicalClassName(u"root\\cimv2", u"Remote_Only"));

    pal::wmi::Repository empty(u"EMPTY");
    EXPECT_TRUE(empty.HasNamespace(u"root"));
    EXPECT_FALSE(empty.HasNamespace(u"root\\cimv2"));
}

TEST_F(InstancesTest, ReadersAndAWriterRunAtOnce)
{
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&failures] {
            for (int i = 0; i < 200; ++i) {
                std::vector<ObjectPtr> all;
                if (FAILED(LocalRepository()->Instances(u"root\\test", u"Test_Keyed", &all)) ||
                    all.size() < 4) {
                    ++failures;
                }
            }
        });
    }
    threads.emplace_back([] {
        for (int i = 0; i < 50; ++i) {
            const std::u16string mof =
                u"instance of Test_Keyed { Name = \"loaded" + std::u16string(1, u'a' + i % 26) + u"\"; };";
            LocalRepository()->LoadMof(mof, u"root\\test", nullptr);
        }
    });
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(0, failures.load());
}

}  // namespace
