// GetObject: classes and instances by object path.
#include "emulator_test.h"
#include "test_mof.h"

namespace services_test {
namespace {

class GetObjectTest : public ItemsTest {
protected:
    ComPtr<IWbemClassObject> Get(const std::u16string& path, HRESULT& hr)
    {
        OwnedBstr text(path.c_str());
        ComPtr<IWbemClassObject> object;
        hr = services_->GetObject(text.Get(), 0, nullptr, object.Put(), nullptr);
        return object;
    }

    // The value of `property` of the object at `path`, or the failure.
    std::u16string ValueAt(const std::u16string& path, const char16_t* property)
    {
        HRESULT hr = E_FAIL;
        ComPtr<IWbemClassObject> object = Get(path, hr);
        if (FAILED(hr)) {
            return u"<failed>";
        }
        return object ? Text(object.Get(), property) : u"<none>";
    }

    HRESULT GetResult(const std::u16string& path)
    {
        HRESULT hr = E_FAIL;
        ComPtr<IWbemClassObject> object = Get(path, hr);
        EXPECT_EQ(SUCCEEDED(hr), static_cast<bool>(object));
        return hr;
    }
};

TEST_F(GetObjectTest, ClassesAndInstancesByPath)
{
    EXPECT_EQ(u"Svc_Item", ValueAt(u"Svc_Item", u"__CLASS"));
    EXPECT_EQ(u"10", ValueAt(u"Svc_Item.Name=\"alpha\"", u"Size"));
    EXPECT_EQ(u"10", ValueAt(u"svc_item.name='ALPHA'", u"Size"));
    EXPECT_EQ(u"10", ValueAt(u"Svc_Item=\"alpha\"", u"Size"));
    EXPECT_EQ(u"more", ValueAt(u"Svc_SpecialItem.Name=\"delta\"", u"Extra"));
    EXPECT_EQ(u"a2", ValueAt(u"Svc_Pair.First=\"a\",Second=2", u"Note"));
    EXPECT_EQ(u"a1", ValueAt(u"Svc_Pair.Second=1,First=\"a\"", u"Note"));
    EXPECT_EQ(u"seven", ValueAt(u"Svc_Numbered.Id=7", u"Name"));
    EXPECT_EQ(u"fast", ValueAt(u"Svc_Settings=@", u"Mode"));
}

TEST_F(GetObjectTest, PathsWithHostAndNamespace)
{
    EXPECT_EQ(u"10", ValueAt(u"\\\\.\\root\\default:Svc_Item.Name=\"alpha\"", u"Size"));
    EXPECT_EQ(u"10", ValueAt(u"root\\default:Svc_Item.Name=\"alpha\"", u"Size"));
    EXPECT_EQ(WBEM_E_INVALID_NAMESPACE, GetResult(u"\\\\.\\root\\nowhere:Svc_Item"));
}

TEST_F(GetObjectTest, MissingObjectsAndBadPaths)
{
    EXPECT_EQ(WBEM_E_NOT_FOUND, GetResult(u"Svc_Nothing"));
    EXPECT_EQ(WBEM_E_NOT_FOUND, GetResult(u"Svc_Item.Name=\"omega\""));
    EXPECT_EQ(WBEM_E_NOT_FOUND, GetResult(u"Svc_Pair.First=\"a\",Second=3"));
    EXPECT_EQ(WBEM_E_INVALID_OBJECT_PATH, GetResult(u"Svc_Item.Name="));
    EXPECT_EQ(WBEM_E_INVALID_OBJECT_PATH, GetResult(u"Svc_Pair=\"a\""));
}

TEST_F(GetObjectTest, ReturnedObjectsAreCopies)
{
    HRESULT hr = E_FAIL;
    ComPtr<IWbemClassObject> first = Get(u"Svc_Item.Name=\"alpha\"", hr);
    ASSERT_EQ(S_OK, hr);
    OwnedVariant changed;
    V_VT(changed.Address()) = VT_I4;
    V_I4(changed.Address()) = 99;
    ASSERT_EQ(S_OK, first->Put(u"Size", 0, changed.Address(), 0));
    EXPECT_EQ(u"10", ValueAt(u"Svc_Item.Name=\"alpha\"", u"Size"));
}

TEST_F(GetObjectTest, InjectedOutcomesOfGetObject)
{
    PalWmiSetCallResult(PAL_WMI_GET_OBJECT, 1, WBEM_E_PROVIDER_FAILURE);
    PalWmiSucceedWithoutObject(PAL_WMI_GET_OBJECT, 2);
    EXPECT_EQ(WBEM_E_PROVIDER_FAILURE, GetResult(u"Svc_Item"));
    EXPECT_EQ(u"<none>", ValueAt(u"Svc_Item", u"__CLASS"));
    EXPECT_EQ(u"Svc_Item", ValueAt(u"Svc_Item", u"__CLASS"));
    EXPECT_EQ(0, PalLiveCount(PAL_KIND_WBEM_CLASS_OBJECT));
}

}  // namespace
}  // namespace services_test
