// Names beyond ASCII: a query's WHERE and an object path find the same instances, whatever the
// case of the letters of their keys.
#include "emulator_test.h"

namespace services_test {
namespace {

class NameFoldingTest : public EmulatorTest {
protected:
    void SetUp() override
    {
        EmulatorTest::SetUp();
        // É (Latin-1), Ω (Greek), Ł (Latin Extended-A), Ж (Cyrillic), Ÿ, and a plain E that none
        // of their small letters may match.
        LoadMof(
            "class Fold_Item { [key] string Name; uint32 Size; };\n"
            "instance of Fold_Item { Name = \"\xC3\x89\"; Size = 1; };\n"
            "instance of Fold_Item { Name = \"\xCE\xA9\"; Size = 2; };\n"
            "instance of Fold_Item { Name = \"\xC5\x81\"; Size = 3; };\n"
            "instance of Fold_Item { Name = \"\xD0\x96\"; Size = 4; };\n"
            "instance of Fold_Item { Name = \"\xC5\xB8\"; Size = 5; };\n"
            "instance of Fold_Item { Name = \"E\"; Size = 6; };\n");
        services_ = ConnectLocal(u"root\\default");
    }

    void TearDown() override
    {
        services_.Reset();
        EmulatorTest::TearDown();
    }

    // The Size of each instance that `WHERE Name = '<name>'` selects.
    std::vector<std::u16string> Selected(const std::u16string& name)
    {
        HRESULT hr = E_FAIL;
        const std::u16string wql = u"SELECT * FROM Fold_Item WHERE Name = '" + name + u"'";
        ComPtr<IEnumWbemClassObject> enumerator = Query(services_.Get(), wql.c_str(), hr);
        EXPECT_EQ(S_OK, hr);
        return enumerator ? Texts(Drain(enumerator.Get()), u"Size") : std::vector<std::u16string>{};
    }

    // The Size of the instance at `Fold_Item.Name="<name>"`, or the failure.
    std::u16string AtPath(const std::u16string& name)
    {
        const std::u16string path = u"Fold_Item.Name=\"" + name + u"\"";
        OwnedBstr text(path.c_str());
        ComPtr<IWbemClassObject> object;
        const HRESULT hr = services_->GetObject(text.Get(), 0, nullptr, object.Put(), nullptr);
        if (FAILED(hr)) {
            return hr == WBEM_E_NOT_FOUND ? u"<not found>" : u"<failed>";
        }
        return Text(object.Get(), u"Size");
    }

    ComPtr<IWbemServices> services_;
};

TEST_F(NameFoldingTest, QueryAndPathFindTheSameInstanceByASmallLetter)
{
    const struct {
        std::u16string name;
        std::u16string size;
    } cases[] = {
        {u"\u00E9", u"1"}, {u"\u03C9", u"2"}, {u"\u0142", u"3"}, {u"\u0436", u"4"}, {u"\u00FF", u"5"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.size));
        EXPECT_EQ(std::vector<std::u16string>{c.size}, Selected(c.name));
        EXPECT_EQ(c.size, AtPath(c.name));
    }
}

TEST_F(NameFoldingTest, QueryAndPathFindTheSameInstanceByItsCapital)
{
    EXPECT_EQ(std::vector<std::u16string>{u"1"}, Selected(u"\u00C9"));
    EXPECT_EQ(u"1", AtPath(u"\u00C9"));
    EXPECT_EQ(std::vector<std::u16string>{u"6"}, Selected(u"e"));
    EXPECT_EQ(u"6", AtPath(u"e"));
}

TEST_F(NameFoldingTest, LettersOfOtherPairsMatchNothing)
{
    // ź is the small letter of Ź, not of Ÿ; ê is not é.
    for (const std::u16string name : {u"\u017A", u"\u00EA", u"\u0416\u0416"}) {
        EXPECT_TRUE(Selected(name).empty());
        EXPECT_EQ(u"<not found>", AtPath(name));
    }
}

}  // namespace
}  // namespace services_test
