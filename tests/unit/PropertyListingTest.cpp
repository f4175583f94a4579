#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <thread>

#include "FakeJni.h"
#include "ListingView.h"
#include "NoLeaks.h"
#include "ScriptedClassObject.h"
#include "values/PropertyListing.h"

using namespace wmibridge;
using testsupport::ListingView;
using testsupport::ScriptedClassObject;
using testsupport::ViewOf;

namespace {

jlong Bits(double value)
{
    jlong bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

// VARIANTs made for one test and cleared with it.
class Values {
public:
    ~Values() { Clear(); }
    void Clear()
    {
        for (VARIANT& value : m_values) {
            VariantClear(&value);
        }
        m_values.clear();
    }
    template <class Fill>
    const VARIANT& Make(VARTYPE vt, Fill&& fill)
    {
        VARIANT& value = m_values.emplace_back();
        VariantInit(&value);
        V_VT(&value) = vt;
        fill(value);
        return value;
    }
    const VARIANT& Null()
    {
        return Make(VT_NULL, [](VARIANT&) {});
    }
    const VARIANT& I4(LONG number)
    {
        return Make(VT_I4, [&](VARIANT& v) { V_I4(&v) = number; });
    }
    const VARIANT& Text(const char16_t* text)
    {
        return Make(VT_BSTR,
                    [&](VARIANT& v) { V_BSTR(&v) = text == nullptr ? nullptr : SysAllocString(text); });
    }
    const VARIANT& Object(IWbemClassObject* object)
    {
        return Make(VT_UNKNOWN, [&](VARIANT& v) {
            if (object != nullptr) {
                object->AddRef();
            }
            V_UNKNOWN(&v) = object;
        });
    }
    // A VT_ARRAY value of `elements` of type T.
    template <class T>
    const VARIANT& Array(VARTYPE element, std::vector<T> elements)
    {
        return Make(static_cast<VARTYPE>(VT_ARRAY | element), [&](VARIANT& v) {
            SAFEARRAY* array = SafeArrayCreateVector(element, 0, static_cast<ULONG>(elements.size()));
            void* data = nullptr;
            SafeArrayAccessData(array, &data);
            if (!elements.empty()) {
                std::memcpy(data, elements.data(), elements.size() * sizeof(T));
            }
            SafeArrayUnaccessData(array);
            V_ARRAY(&v) = array;
        });
    }

private:
    std::deque<VARIANT> m_values;
};

class PropertyListingTest : public NoLeaks {
protected:
    void TearDown() override
    {
        values.Clear();
        EXPECT_EQ(fake.framesOpen, 0);
        EXPECT_EQ(ScriptedClassObject::Live(), 0);
    }

    jobjectArray List(IWbemClassObject* object, ErrorCode& code, LONG flags = WBEM_FLAG_NONSYSTEM_ONLY)
    {
        return ListObjectProperties(fake.env(), object, flags, code);
    }

    ListingView ListOk(IWbemClassObject* object)
    {
        ErrorCode code = -12345;
        jobjectArray listing = List(object, code);
        EXPECT_EQ(code, kSuccess);
        if (listing == nullptr) {
            throw std::logic_error("listing failed");
        }
        return ViewOf(listing);
    }

    // A chain of `levels` objects, each embedding the next in its property Child.
    static ScriptedClassObject* Chain(int levels, Values& values)
    {
        ScriptedClassObject* inner = ScriptedClassObject::Create();
        inner->Add(u"Depth", CIM_SINT32, values.I4(levels));
        for (int level = levels - 1; level >= 1; --level) {
            ScriptedClassObject* outer = ScriptedClassObject::Create();
            outer->Add(u"Depth", CIM_SINT32, values.I4(level));
            outer->Add(u"Child", CIM_OBJECT, values.Object(inner));
            inner->Release();
            inner = outer;
        }
        return inner;
    }

    fakejni::Env fake;
    Values values;
};

TEST_F(PropertyListingTest, ScalarsReadAsTheirTextAndTheirExactNumber)
{
    ScriptedClassObject* object = ScriptedClassObject::Create();
    object->Add(u"Big", CIM_UINT32, values.I4(static_cast<LONG>(3000000000u)));
    object->Add(u"Real", CIM_REAL64, values.Make(VT_R8, [](VARIANT& v) { V_R8(&v) = -2.25e10; }));
    object->Add(u"Single", CIM_REAL32, values.Make(VT_R4, [](VARIANT& v) { V_R4(&v) = 0.1f; }));
    object->Add(u"True", CIM_BOOLEAN, values.Make(VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = VARIANT_TRUE; }));
    object->Add(u"One", CIM_BOOLEAN, values.Make(VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = 1; }));
    object->Add(u"Byte", CIM_UINT8, values.Make(VT_UI1, [](VARIANT& v) { V_UI1(&v) = 200; }));
    object->Add(u"Small", CIM_SINT8, values.Make(VT_I2, [](VARIANT& v) { V_I2(&v) = -8; }));
    object->Add(u"I1", CIM_SINT8, values.Make(VT_I1, [](VARIANT& v) { V_I1(&v) = static_cast<CHAR>(0x80); }));
    object->Add(u"UI2", CIM_UINT16, values.Make(VT_UI2, [](VARIANT& v) { V_UI2(&v) = 65535; }));
    object->Add(u"UI4", CIM_UINT32, values.Make(VT_UI4, [](VARIANT& v) { V_UI4(&v) = 0xFFFFFFFFu; }));
    object->Add(u"Wide", CIM_SINT64,
                values.Make(VT_I8, [](VARIANT& v) { V_I8(&v) = -9000000000000000000ll; }));
    object->Add(u"Text", CIM_STRING,
                values.Make(VT_BSTR, [](VARIANT& v) { V_BSTR(&v) = SysAllocStringLen(u"cut\0off", 7); }));
    object->Add(u"NoText", CIM_STRING, values.Text(nullptr));
    object->Add(u"Date", CIM_DATETIME, values.Make(VT_DATE, [](VARIANT& v) { V_DATE(&v) = 2.0; }));

    const ListingView listing = ListOk(object);
    EXPECT_EQ(object->lastBeginFlags, WBEM_FLAG_NONSYSTEM_ONLY);
    object->Release();

    EXPECT_EQ(listing.names.front(), u"Big");
    EXPECT_EQ(listing.names.back(), u"Date");
    // A uint32 above 2^31 comes as a negative VT_I4: the read's text and the number both keep that.
    EXPECT_EQ(listing.Type(u"Big"), CIM_UINT32);
    EXPECT_EQ(listing.Text(u"Big"), u"-1294967296");
    EXPECT_EQ(listing.Number(u"Big"), -1294967296);
    EXPECT_EQ(listing.Text(u"Real"), u"-22500000000.000000");
    EXPECT_EQ(listing.Number(u"Real"), Bits(-2.25e10));
    EXPECT_EQ(listing.Text(u"Single"), u"0.100000");
    EXPECT_EQ(listing.Number(u"Single"), Bits(static_cast<double>(0.1f)));
    EXPECT_EQ(listing.Text(u"True"), u"1");
    EXPECT_EQ(listing.Number(u"True"), 1);
    EXPECT_EQ(listing.Text(u"One"), u"0");
    EXPECT_EQ(listing.Number(u"One"), 0);
    EXPECT_EQ(listing.Number(u"Byte"), 200);
    EXPECT_EQ(listing.Text(u"Small"), u"-8");
    EXPECT_EQ(listing.Number(u"Small"), -8);
    EXPECT_EQ(listing.Text(u"I1"), u"-128");
    EXPECT_EQ(listing.Number(u"I1"), -128);
    EXPECT_EQ(listing.Number(u"UI2"), 65535);
    EXPECT_EQ(listing.Text(u"UI4"), u"4294967295");
    EXPECT_EQ(listing.Number(u"UI4"), 4294967295ll);
    // No text for a 64-bit tag or a date, as for a read; the 64-bit number is still exact.
    EXPECT_EQ(listing.Text(u"Wide"), std::nullopt);
    EXPECT_EQ(listing.Number(u"Wide"), -9000000000000000000ll);
    EXPECT_EQ(listing.Text(u"Date"), std::nullopt);
    EXPECT_EQ(listing.Number(u"Date"), 0);
    EXPECT_EQ(listing.Text(u"Text"), u"cut");
    EXPECT_EQ(listing.Number(u"Text"), 0);
    EXPECT_EQ(listing.Text(u"NoText"), u"");
    for (const auto& name : listing.names) {
        EXPECT_FALSE(listing.HasElementNumbers(name));
        EXPECT_EQ(listing.Type(name) & testsupport::kNullMarker, 0);
    }
}

TEST_F(PropertyListingTest, NullValuesCarryTheMarkerAndReadAsEmptyText)
{
    ScriptedClassObject* object = ScriptedClassObject::Create();
    object->Add(u"NullText", CIM_STRING, values.Null());
    object->Add(u"NullArray", CIM_UINT32 | CIM_FLAG_ARRAY, values.Null());
    object->Add(u"NullObject", CIM_OBJECT, values.Null());
    const ListingView listing = ListOk(object);
    object->Release();
    EXPECT_EQ(listing.Type(u"NullText"), CIM_STRING | testsupport::kNullMarker);
    EXPECT_EQ(listing.Type(u"NullArray"), CIM_UINT32 | CIM_FLAG_ARRAY | testsupport::kNullMarker);
    EXPECT_EQ(listing.Type(u"NullObject"), CIM_OBJECT | testsupport::kNullMarker);
    for (const auto& name : listing.names) {
        EXPECT_EQ(listing.Text(name), u"");
        EXPECT_EQ(listing.Number(name), 0);
        EXPECT_FALSE(listing.HasElementNumbers(name));
    }
}

TEST_F(PropertyListingTest, ArraysListEveryElementAsTextAndNumbersAsWell)
{
    ScriptedClassObject* object = ScriptedClassObject::Create();
    object->Add(u"Ints", CIM_UINT32 | CIM_FLAG_ARRAY, values.Array<LONG>(VT_I4, {0, -1, 7}));
    object->Add(u"Reals", CIM_REAL64 | CIM_FLAG_ARRAY, values.Array<DOUBLE>(VT_R8, {0.5, -1e-7}));
    object->Add(u"Flags", CIM_BOOLEAN | CIM_FLAG_ARRAY,
                values.Array<VARIANT_BOOL>(VT_BOOL, {VARIANT_TRUE, VARIANT_FALSE, 1}));
    object->Add(u"Wides", CIM_SINT64 | CIM_FLAG_ARRAY, values.Array<LONGLONG>(VT_I8, {-1, 1ll << 40}));
    object->Add(u"Empty", CIM_UINT8 | CIM_FLAG_ARRAY, values.Array<BYTE>(VT_UI1, {}));
    BSTR one = SysAllocString(u"one");
    BSTR three = SysAllocString(u"three");
    object->Add(u"Texts", CIM_STRING | CIM_FLAG_ARRAY, values.Array<BSTR>(VT_BSTR, {one, nullptr, three}));
    const ListingView listing = ListOk(object);
    object->Release();

    using Texts = std::vector<std::optional<std::u16string>>;
    EXPECT_EQ(listing.Type(u"Ints"), CIM_UINT32 | CIM_FLAG_ARRAY);
    EXPECT_EQ(listing.Texts(u"Ints"), (Texts{u"0", u"-1", u"7"}));
    EXPECT_EQ(listing.ElementNumbers(u"Ints"), (std::vector<jlong>{0, -1, 7}));
    EXPECT_EQ(listing.Texts(u"Reals"), (Texts{u"0.500000", u"-0.000000"}));
    EXPECT_EQ(listing.ElementNumbers(u"Reals"), (std::vector<jlong>{Bits(0.5), Bits(-1e-7)}));
    EXPECT_EQ(listing.Texts(u"Flags"), (Texts{u"1", u"0", u"0"}));
    EXPECT_EQ(listing.ElementNumbers(u"Flags"), (std::vector<jlong>{1, 0, 0}));
    // Elements without text give no value, as a read of their elements fails; numbers stay exact.
    EXPECT_EQ(listing.Value(u"Wides"), nullptr);
    EXPECT_EQ(listing.ElementNumbers(u"Wides"), (std::vector<jlong>{-1, 1ll << 40}));
    EXPECT_TRUE(listing.Texts(u"Empty").empty());
    EXPECT_TRUE(listing.HasElementNumbers(u"Empty"));
    EXPECT_TRUE(listing.ElementNumbers(u"Empty").empty());
    EXPECT_EQ(listing.Texts(u"Texts"), (Texts{u"one", u"", u"three"}));
    EXPECT_FALSE(listing.HasElementNumbers(u"Texts"));
    for (const auto& name : listing.names) {
        EXPECT_EQ(listing.Number(name), 0);
    }
}

// Every element type that reads as text lists its elements, with their exact numbers.
TEST_F(PropertyListingTest, EveryReadableElementTypeListsItsElements)
{
    ScriptedClassObject* object = ScriptedClassObject::Create();
    object->Add(u"I1", CIM_SINT8 | CIM_FLAG_ARRAY, values.Array<CHAR>(VT_I1, {-128, 127}));
    object->Add(u"UI1", CIM_UINT8 | CIM_FLAG_ARRAY, values.Array<BYTE>(VT_UI1, {255, 0}));
    object->Add(u"I2", CIM_SINT16 | CIM_FLAG_ARRAY, values.Array<SHORT>(VT_I2, {-32768, 32767}));
    object->Add(u"UI2", CIM_UINT16 | CIM_FLAG_ARRAY, values.Array<USHORT>(VT_UI2, {65535, 1}));
    object->Add(u"INT", CIM_SINT32 | CIM_FLAG_ARRAY, values.Array<LONG>(VT_INT, {-1, 2147483647}));
    object->Add(u"UI4", CIM_UINT32 | CIM_FLAG_ARRAY, values.Array<ULONG>(VT_UI4, {4294967295u, 2}));
    object->Add(u"UINT", CIM_UINT32 | CIM_FLAG_ARRAY, values.Array<ULONG>(VT_UINT, {4294967295u, 3}));
    object->Add(u"R4", CIM_REAL32 | CIM_FLAG_ARRAY, values.Array<FLOAT>(VT_R4, {1.5f, -0.25f}));
    const ListingView listing = ListOk(object);
    object->Release();

    using Texts = std::vector<std::optional<std::u16string>>;
    EXPECT_EQ(listing.Texts(u"I1"), (Texts{u"-128", u"127"}));
    EXPECT_EQ(listing.Texts(u"UI1"), (Texts{u"255", u"0"}));
    EXPECT_EQ(listing.Texts(u"I2"), (Texts{u"-32768", u"32767"}));
    EXPECT_EQ(listing.Texts(u"UI2"), (Texts{u"65535", u"1"}));
    EXPECT_EQ(listing.Texts(u"INT"), (Texts{u"-1", u"2147483647"}));
    EXPECT_EQ(listing.Texts(u"UI4"), (Texts{u"4294967295", u"2"}));
    EXPECT_EQ(listing.Texts(u"UINT"), (Texts{u"4294967295", u"3"}));
    EXPECT_EQ(listing.Texts(u"R4"), (Texts{u"1.500000", u"-0.250000"}));
    EXPECT_EQ(listing.ElementNumbers(u"UINT"), (std::vector<jlong>{4294967295, 3}));
    EXPECT_EQ(listing.ElementNumbers(u"I1"), (std::vector<jlong>{-128, 127}));
}

TEST_F(PropertyListingTest, EmbeddedObjectsAreListedAsNestedListings)
{
    ScriptedClassObject* inner = ScriptedClassObject::Create();
    inner->Add(u"Name", CIM_STRING, values.Text(u"inner"));
    ScriptedClassObject* object = ScriptedClassObject::Create();
    object->Add(u"One", CIM_OBJECT, values.Object(inner));
    object->Add(u"Missing", CIM_OBJECT, values.Object(nullptr));
    // The array owns one reference per element.
    inner->AddRef();
    inner->AddRef();
    object->Add(u"Many", CIM_OBJECT | CIM_FLAG_ARRAY,
                values.Array<IUnknown*>(VT_UNKNOWN, {inner, nullptr, inner}));
    inner->Release();  // the values hold it now
    const ListingView listing = ListOk(object);
    object->Release();

    EXPECT_EQ(ViewOf(listing.Value(u"One")).Text(u"Name"), u"inner");
    EXPECT_EQ(listing.Value(u"Missing"), nullptr);
    const auto& many = fakejni::Env::ObjectArrayOf(listing.Value(u"Many")).elements;
    ASSERT_EQ(many.size(), 3u);
    EXPECT_EQ(ViewOf(many[0]).Text(u"Name"), u"inner");
    EXPECT_EQ(many[1], nullptr);
    EXPECT_EQ(ViewOf(many[2]).names, (std::vector<std::u16string>{u"Name"}));
    EXPECT_FALSE(listing.HasElementNumbers(u"Many"));
    // Each nested listing is built in a frame of its own.
    EXPECT_EQ(fake.framesPushed, 4);
    EXPECT_EQ(fake.deepestFrame, 2);
}

TEST_F(PropertyListingTest, ObjectsNestDownToTheLimitAndNoDeeper)
{
    ScriptedClassObject* deepest = Chain(kMaxListingDepth, values);
    ListingView level = ListOk(deepest);
    deepest->Release();
    for (int depth = 1; depth < kMaxListingDepth; ++depth) {
        ASSERT_EQ(level.Number(u"Depth"), depth);
        level = ViewOf(level.Value(u"Child"));
    }
    EXPECT_EQ(level.Number(u"Depth"), kMaxListingDepth);
    EXPECT_EQ(fake.deepestFrame, kMaxListingDepth);

    ScriptedClassObject* tooDeep = Chain(kMaxListingDepth + 1, values);
    ErrorCode code = kSuccess;
    EXPECT_EQ(List(tooDeep, code), nullptr);
    EXPECT_EQ(code, kNestingTooDeep);
    tooDeep->Release();
}

TEST_F(PropertyListingTest, AnObjectThatEmbedsItselfStopsAtTheLimit)
{
    ScriptedClassObject* object = ScriptedClassObject::Create();
    object->Add(u"Name", CIM_STRING, values.Text(u"loop"));
    object->AddSelf(u"Self");
    ErrorCode code = kSuccess;
    EXPECT_EQ(List(object, code), nullptr);
    EXPECT_EQ(code, kNestingTooDeep);
    EXPECT_EQ(object->walksBegun.load(), kMaxListingDepth);
    EXPECT_EQ(object->walksEnded.load(), kMaxListingDepth);
    EXPECT_EQ(object->References(), 1u);
    object->Release();
}

TEST_F(PropertyListingTest, FailuresOfTheWalkAreMappedAndTheWalkIsEnded)
{
    ScriptedClassObject* object = ScriptedClassObject::Create();
    object->Add(u"A", CIM_STRING, values.Text(u"a"));
    object->Add(u"B", CIM_STRING, values.Text(u"b"));
    object->failingNext = 1;
    object->nextFailure = WBEM_E_FAILED;
    ErrorCode code = kSuccess;
    EXPECT_EQ(List(object, code), nullptr);
    EXPECT_EQ(code, static_cast<ErrorCode>(WBEM_E_FAILED));
    EXPECT_EQ(object->walksEnded.load(), 1);

    object->failingNext = 0;
    object->nextFailure = E_ACCESSDENIED;
    EXPECT_EQ(List(object, code), nullptr);
    EXPECT_EQ(code, 5);

    object->failingNext = -1;
    object->beginResult = WBEM_E_INVALID_PARAMETER;
    EXPECT_EQ(List(object, code), nullptr);
    EXPECT_EQ(code, static_cast<ErrorCode>(WBEM_E_INVALID_PARAMETER));
    EXPECT_EQ(object->walksBegun.load(), object->walksEnded.load());
    object->Release();
}

TEST_F(PropertyListingTest, AJvmOutOfMemoryLeavesItsExceptionAndNoFrameOpen)
{
    ScriptedClassObject* inner = ScriptedClassObject::Create();
    inner->Add(u"Name", CIM_STRING, values.Text(u"inner"));
    ScriptedClassObject* object = ScriptedClassObject::Create();
    object->Add(u"Ints", CIM_SINT32 | CIM_FLAG_ARRAY, values.Array<LONG>(VT_I4, {1, 2}));
    object->Add(u"Child", CIM_OBJECT, values.Object(inner));
    inner->Release();
    // Every array the listing makes, in turn, is the one the JVM cannot make.
    for (int made = 0;; ++made) {
        fake.pending.reset();
        fake.arraysBeforeFailure = made;
        ErrorCode code = kSuccess;
        jobjectArray listing = List(object, code);
        if (listing != nullptr) {
            EXPECT_GT(made, 6);
            break;
        }
        EXPECT_EQ(code, kOutOfMemory) << "array " << made;
        ASSERT_TRUE(fake.pending.has_value());
        EXPECT_EQ(fake.pending->className, "java/lang/OutOfMemoryError");
        EXPECT_EQ(fake.framesOpen, 0);
    }
    fake.pending.reset();
    object->Release();
}

TEST_F(PropertyListingTest, ListingsOfOneObjectFromSeveralThreadsTakeTurns)
{
    ScriptedClassObject* object = ScriptedClassObject::Create();
    for (const char16_t* name : {u"A", u"B", u"C", u"D"}) {
        object->Add(name, CIM_STRING, values.Text(name));
    }
    object->yieldInWalk = true;
    std::vector<std::thread> threads;
    std::atomic<int> complete{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            fakejni::Env own;
            for (int i = 0; i < 200; ++i) {
                ErrorCode code = kSuccess;
                jobjectArray listing = ListObjectProperties(own.env(), object, 0, code);
                if (listing != nullptr && ViewOf(listing).names.size() == 4) {
                    ++complete;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(object->overlaps.load(), 0);
    EXPECT_EQ(complete.load(), 800);
    object->Release();
}

}  // namespace
