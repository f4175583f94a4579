// Instances found by their keys among many: after loading, replacing, storing and deleting, with
// text keys compared without regard to case, numbers given as text, keys of a subclass of its own,
// and objects that share stored data until they change.
#include <string>
#include <vector>

#include "repository_fixture.h"

namespace {

using pal::wmi::Repository;

constexpr const char16_t* kNamespace = u"root\\keyed";

std::u16string Widen(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

class KeyIndexTest : public RepositoryTest {
protected:
    void SetUp() override
    {
        std::string mof =
            "class Item { [key] string Name; [key] uint32 Slot; string Data; };\n"
            "class ItemChild : Item { string More; };\n"
            "class Base { [key] string Name; string Data; };\n"
            "class Wider : Base { [key] uint32 Extra; };\n";
        for (int i = 0; i < kItems; ++i) {
            const std::string n = std::to_string(i);
            mof += std::string("instance of ") + (i % 7 == 0 ? "ItemChild" : "Item") + " { Name = \"item" +
                   n + "\"; Slot = " + std::to_string(i % 3) + "; Data = \"data" + n + "\"; };\n";
        }
        mof += "instance of Wider { Name = \"wide\"; Extra = 5; Data = \"wider\"; };\n";
        std::u16string error;
        ASSERT_HR(WBEM_S_NO_ERROR, repository_.LoadMof(Widen(mof), kNamespace, &error)) << Narrow(error);
    }

    HRESULT Find(std::u16string_view className, const Keys& keys, ObjectPtr* found)
    {
        IWbemClassObject* object = nullptr;
        const HRESULT hr = repository_.FindInstance(kNamespace, className, keys.bindings, &object);
        found->Attach(object);
        return hr;
    }

    std::vector<std::u16string> Data(std::u16string_view className)
    {
        std::vector<ObjectPtr> all;
        EXPECT_HR(WBEM_S_NO_ERROR, repository_.Instances(kNamespace, className, &all));
        std::vector<std::u16string> data;
        for (const auto& object : all) {
            data.push_back(StringProperty(object.Get(), u"Data"));
        }
        return data;
    }

    static constexpr int kItems = 600;
    Repository repository_{u"KEYHOST"};
};

TEST_F(KeyIndexTest, EveryInstanceIsFoundByItsKeysAndOnlyByThem)
{
    for (int i = 0; i < kItems; ++i) {
        const std::u16string n = Widen(std::to_string(i));
        ObjectPtr found;
        ASSERT_HR(WBEM_S_NO_ERROR,
                  Find(u"Item", Keys().Text(u"Name", u"ITEM" + n).Number(u"slot", i % 3), &found))
            << i;
        EXPECT_EQ(u"data" + n, StringProperty(found.Get(), u"Data"));
        EXPECT_EQ(i % 7 == 0 ? u"ItemChild" : u"Item", StringProperty(found.Get(), u"__CLASS"));
        EXPECT_EQ(u"KEYHOST", StringProperty(found.Get(), u"__SERVER"));
        EXPECT_HR(WBEM_E_NOT_FOUND,
                  Find(u"Item", Keys().Text(u"Name", u"item" + n).Number(u"Slot", 3), &found));
    }
    ObjectPtr found;
    ASSERT_HR(WBEM_S_NO_ERROR, Find(u"Item", Keys().Text(u"Name", u"item10").Text(u"Slot", u"1"), &found))
        << "a number may arrive as text";
    ASSERT_HR(WBEM_S_NO_ERROR,
              Find(u"ItemChild", Keys().Text(u"Name", u"item14").Number(u"Slot", 2), &found));
    EXPECT_HR(WBEM_E_NOT_FOUND,
              Find(u"ItemChild", Keys().Text(u"Name", u"item13").Number(u"Slot", 1), &found))
        << "item13 is no ItemChild";
    // A key given twice finds what each of its bindings matches, as when every instance is looked at.
    ASSERT_HR(WBEM_S_NO_ERROR, Find(u"Item", Keys().Text(u"Name", u"item1").Text(u"Name", u"ITEM1"), &found));
    EXPECT_EQ(u"data1", StringProperty(found.Get(), u"Data"));
}

TEST_F(KeyIndexTest, ASubclassWithAKeyOfItsOwnIsFoundThroughItsSuperclass)
{
    ObjectPtr found;
    ASSERT_HR(WBEM_S_NO_ERROR, Find(u"Base", Keys().Text(u"Name", u"WIDE"), &found));
    EXPECT_EQ(u"wider", StringProperty(found.Get(), u"Data"));
    ASSERT_HR(WBEM_S_NO_ERROR, Find(u"Wider", Keys().Text(u"Name", u"wide").Number(u"Extra", 5), &found));
    EXPECT_HR(WBEM_E_NOT_FOUND, Find(u"Wider", Keys().Text(u"Name", u"wide").Number(u"Extra", 6), &found));
}

TEST_F(KeyIndexTest, MofKeepsKeysThatDifferInCaseApartAndReplacesEqualOnes)
{
    std::u16string error;
    ASSERT_HR(WBEM_S_NO_ERROR,
              repository_.LoadMof(u"instance of Item { Name = \"Item5\"; Slot = 2; Data = \"upper\"; };\n"
                                  u"instance of Item { Name = \"item6\"; Slot = 0; Data = \"new\"; };\n",
                                  kNamespace, &error))
        << Narrow(error);
    const std::vector<std::u16string> data = Data(u"Item");
    ASSERT_EQ(data.size(), static_cast<size_t>(kItems) + 1);
    EXPECT_EQ(data[6], u"new") << "the same keys replace the instance in its place";
    EXPECT_EQ(data.back(), u"upper");
    ObjectPtr found;
    ASSERT_HR(WBEM_S_NO_ERROR, Find(u"Item", Keys().Text(u"Name", u"ITEM5").Number(u"Slot", 2), &found));
    EXPECT_EQ(u"data5", StringProperty(found.Get(), u"Data")) << "the first of the two in storing order";
}

TEST_F(KeyIndexTest, StoringReplacesWithoutRegardToCaseAndDeletingKeepsTheRestFound)
{
    ObjectPtr stored;
    ASSERT_HR(WBEM_S_NO_ERROR, Find(u"Item", Keys().Text(u"Name", u"item8").Number(u"Slot", 2), &stored));
    Var name;
    V_VT(name.get()) = VT_BSTR;
    V_BSTR(name.get()) = SysAllocString(u"ITEM9");
    ASSERT_HR(WBEM_S_NO_ERROR, stored->Put(u"Name", 0, name.get(), 0));
    Var slot;
    V_VT(slot.get()) = VT_I4;
    V_I4(slot.get()) = 0;
    ASSERT_HR(WBEM_S_NO_ERROR, stored->Put(u"Slot", 0, slot.get(), 0));
    ASSERT_HR(WBEM_S_NO_ERROR, repository_.PutInstance(kNamespace, stored.Get()));
    std::vector<std::u16string> data = Data(u"Item");
    ASSERT_EQ(data.size(), static_cast<size_t>(kItems));
    EXPECT_EQ(data[9], u"data8") << "item9 was replaced in its place";

    for (int i = 0; i < kItems; i += 2) {
        ASSERT_HR(
            WBEM_S_NO_ERROR,
            repository_.DeleteInstance(
                kNamespace, u"Item",
                Keys().Text(u"Name", u"item" + Widen(std::to_string(i))).Number(u"Slot", i % 3).bindings))
            << i;
    }
    data = Data(u"Item");
    ASSERT_EQ(data.size(), static_cast<size_t>(kItems / 2));
    for (int i = 1; i < kItems; i += 2) {
        ObjectPtr found;
        const std::u16string n = Widen(std::to_string(i));
        ASSERT_HR(WBEM_S_NO_ERROR,
                  Find(u"Item", Keys().Text(u"Name", u"item" + n).Number(u"Slot", i % 3), &found))
            << i;
        EXPECT_EQ(i == 9 ? u"data8" : u"data" + n, StringProperty(found.Get(), u"Data"));
        EXPECT_EQ(data[static_cast<size_t>(i / 2)], StringProperty(found.Get(), u"Data")) << "order is kept";
    }
    ObjectPtr gone;
    EXPECT_HR(WBEM_E_NOT_FOUND, Find(u"Item", Keys().Text(u"Name", u"item8").Number(u"Slot", 2), &gone));
}

TEST_F(KeyIndexTest, HandedOutInstancesShareTheStoredDataUntilOneChanges)
{
    std::vector<ObjectPtr> first;
    std::vector<ObjectPtr> second;
    ASSERT_HR(WBEM_S_NO_ERROR, repository_.Instances(kNamespace, u"Item", &first));
    ASSERT_HR(WBEM_S_NO_ERROR, repository_.Instances(kNamespace, u"Item", &second));
    Var changed;
    V_VT(changed.get()) = VT_BSTR;
    V_BSTR(changed.get()) = SysAllocString(u"changed");
    ASSERT_HR(WBEM_S_NO_ERROR, first[3]->Put(u"Data", 0, changed.get(), 0));
    IWbemClassObject* clone = nullptr;
    ASSERT_HR(WBEM_S_NO_ERROR, second[4]->Clone(&clone));
    ObjectPtr cloneOwner(clone);
    ASSERT_HR(WBEM_S_NO_ERROR, clone->Put(u"Data", 0, changed.get(), 0));
    ASSERT_HR(WBEM_S_RESET_TO_DEFAULT, second[5]->Delete(u"Data"));

    EXPECT_EQ(u"changed", StringProperty(first[3].Get(), u"Data"));
    EXPECT_EQ(u"data3", StringProperty(second[3].Get(), u"Data"));
    EXPECT_EQ(u"changed", StringProperty(clone, u"Data"));
    EXPECT_EQ(u"data4", StringProperty(second[4].Get(), u"Data"));
    EXPECT_EQ(u"data4", StringProperty(first[4].Get(), u"Data"));
    EXPECT_EQ(u"data5", StringProperty(first[5].Get(), u"Data"));
    const std::vector<std::u16string> stored = Data(u"Item");
    EXPECT_EQ(u"data3", stored[3]);
    EXPECT_EQ(u"data4", stored[4]);
    EXPECT_EQ(u"data5", stored[5]);
}

}  // namespace
