// BeginEnumeration, Next and EndEnumeration: which properties a walk lists and in what order,
// what Next delivers for each (the same value and CIM type as Get), embedded objects, and the
// states of a walk.
#include <vector>

#include "repository_fixture.h"

namespace {

struct Delivered {
    std::u16string name;
    VARTYPE tag;
    CIMTYPE type;
};

class PropertyEnumerationTest : public RepositoryTest {
protected:
    // Every property of a walk with `flags`, checking each against Get of the same name.
    static std::vector<Delivered> Walk(IWbemClassObject* object, LONG flags)
    {
        std::vector<Delivered> delivered;
        EXPECT_HR(WBEM_S_NO_ERROR, object->BeginEnumeration(flags));
        for (;;) {
            BSTR name = nullptr;
            Var value;
            CIMTYPE type = -1;
            const HRESULT hr = object->Next(0, &name, value.get(), &type, nullptr);
            if (hr != WBEM_S_NO_ERROR) {
                EXPECT_HR(WBEM_S_NO_MORE_DATA, hr);
                break;
            }
            Var expected;
            CIMTYPE expectedType = -1;
            EXPECT_HR(WBEM_S_NO_ERROR, object->Get(name, 0, expected.get(), &expectedType, nullptr));
            EXPECT_EQ(expected.vt(), value.vt()) << Narrow(Text(name));
            EXPECT_EQ(expectedType, type) << Narrow(Text(name));
            delivered.push_back({Text(name), value.vt(), type});
            SysFreeString(name);
        }
        EXPECT_HR(WBEM_S_NO_ERROR, object->EndEnumeration());
        return delivered;
    }

    static std::vector<std::u16string> Names(const std::vector<Delivered>& delivered)
    {
        std::vector<std::u16string> names;
        for (const auto& property : delivered) {
            names.push_back(property.name);
        }
        return names;
    }
};

TEST_F(PropertyEnumerationTest, AllPropertiesStartWithTheSystemOnesAndNonSystemOnlyLeavesThemOut)
{
    ObjectPtr alpha = Instance(u"Test_Keyed", u"alpha");
    const std::vector<std::u16string> all = Names(Walk(alpha.Get(), 0));
    const std::vector<std::u16string> system = {
        u"__GENUS",      u"__CLASS",  u"__SUPERCLASS", u"__DYNASTY", u"__RELPATH", u"__PROPERTY_COUNT",
        u"__DERIVATION", u"__SERVER", u"__NAMESPACE",  u"__PATH",    u"Name",      u"Size",
        u"Label"};
    EXPECT_EQ(system, all);
    EXPECT_EQ((std::vector<std::u16string>{u"Name", u"Size", u"Label"}),
              Names(Walk(alpha.Get(), WBEM_FLAG_NONSYSTEM_ONLY)));
    EXPECT_EQ((std::vector<std::u16string>(system.begin(), system.begin() + 10)),
              Names(Walk(alpha.Get(), WBEM_FLAG_SYSTEM_ONLY)));
}

TEST_F(PropertyEnumerationTest, NextDeliversTheTypeAndValueOfGetForEveryCimType)
{
    ObjectPtr full = Instance(u"Test_AllTypes", u"full");
    const std::vector<Delivered> delivered = Walk(full.Get(), WBEM_FLAG_NONSYSTEM_ONLY);
    ASSERT_EQ(34u, delivered.size());
    EXPECT_EQ(u"Name", delivered.front().name);
    EXPECT_EQ(u"ObjectArray", delivered.back().name);
    EXPECT_EQ(CIM_OBJECT | CIM_FLAG_ARRAY, delivered.back().type);
    EXPECT_EQ(VT_ARRAY | VT_UNKNOWN, delivered.back().tag);

    ObjectPtr empty = Instance(u"Test_AllTypes", u"empty");
    for (const Delivered& property : Walk(empty.Get(), WBEM_FLAG_NONSYSTEM_ONLY)) {
        if (property.name != u"Name") {
            EXPECT_EQ(VT_NULL, property.tag) << Narrow(property.name);
            EXPECT_NE(CIM_EMPTY, property.type)
                << "a NULL keeps its declared type: " << Narrow(property.name);
        }
    }
}

TEST_F(PropertyEnumerationTest, EmbeddedObjectsWalkOnTheirOwnWhileTheOuterWalkGoesOn)
{
    ObjectPtr full = Instance(u"Test_AllTypes", u"full");
    ASSERT_HR(WBEM_S_NO_ERROR, full->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY));
    int objectsSeen = 0;
    size_t outerCount = 0;
    for (;;) {
        BSTR name = nullptr;
        Var value;
        CIMTYPE type = 0;
        if (full->Next(0, &name, value.get(), &type, nullptr) != WBEM_S_NO_ERROR) {
            break;
        }
        ++outerCount;
        SysFreeString(name);
        std::vector<IUnknown*> embedded;
        if (value.vt() == VT_UNKNOWN) {
            embedded.push_back(V_UNKNOWN(value.get()));
        } else if (value.vt() == (VT_ARRAY | VT_UNKNOWN)) {
            IUnknown** elements = nullptr;
            ASSERT_HR(S_OK, SafeArrayAccessData(V_ARRAY(value.get()), reinterpret_cast<void**>(&elements)));
            embedded.assign(elements, elements + 2);
            SafeArrayUnaccessData(V_ARRAY(value.get()));
        }
        for (IUnknown* unknown : embedded) {
            IWbemClassObject* object = nullptr;
            ASSERT_HR(S_OK, unknown->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(&object)));
            ObjectPtr owned(object);
            const std::vector<Delivered> inner = Walk(owned.Get(), WBEM_FLAG_NONSYSTEM_ONLY);
            ASSERT_FALSE(inner.empty());
            EXPECT_EQ(u"Name", inner.front().name);
            ++objectsSeen;
        }
    }
    full->EndEnumeration();
    EXPECT_EQ(3, objectsSeen);  // ObjectValue and the two elements of ObjectArray
    EXPECT_EQ(34u, outerCount);
}

TEST_F(PropertyEnumerationTest, StatesOfAWalkAndFlagsItRefuses)
{
    ObjectPtr alpha = Instance(u"Test_Keyed", u"alpha");
    BSTR name = nullptr;
    EXPECT_HR(WBEM_E_UNEXPECTED, alpha->Next(0, &name, nullptr, nullptr, nullptr));
    const LONG refused[] = {0x1, WBEM_FLAG_KEYS_ONLY | WBEM_FLAG_REFS_ONLY, 0x50, 0x70,
                            WBEM_MASK_CLASS_CONDITION};
    for (LONG flags : refused) {
        EXPECT_HR(WBEM_E_INVALID_PARAMETER, alpha->BeginEnumeration(flags)) << flags;
    }
    EXPECT_HR(WBEM_E_UNEXPECTED, alpha->Next(0, &name, nullptr, nullptr, nullptr));

    ASSERT_HR(WBEM_S_NO_ERROR, alpha->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY | WBEM_FLAG_KEYS_ONLY));
    ASSERT_HR(WBEM_S_NO_ERROR, alpha->Next(0, &name, nullptr, nullptr, nullptr));
    EXPECT_EQ(u"Name", Text(name));
    SysFreeString(name);
    name = nullptr;
    for (int beyond = 0; beyond < 2; ++beyond) {
        EXPECT_HR(WBEM_S_NO_MORE_DATA, alpha->Next(0, &name, nullptr, nullptr, nullptr));
        EXPECT_EQ(nullptr, name);
    }
    // A new BeginEnumeration starts again from the first property.
    ASSERT_HR(WBEM_S_NO_ERROR, alpha->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY));
    ASSERT_HR(WBEM_S_NO_ERROR, alpha->Next(0, &name, nullptr, nullptr, nullptr));
    EXPECT_EQ(u"Name", Text(name));
    SysFreeString(name);
    EXPECT_HR(WBEM_S_NO_ERROR, alpha->EndEnumeration());
    EXPECT_HR(WBEM_E_UNEXPECTED, alpha->Next(0, &name, nullptr, nullptr, nullptr));
}

}  // namespace
