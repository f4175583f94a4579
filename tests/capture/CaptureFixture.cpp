#include "CaptureFixture.h"

#include <pal/testing.h>
#include <pal/wmi_control.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "ObjectComparison.h"
#include "owners.h"
#include "wmi/WmiService.h"

namespace capture_test {

using pal::OwnedBstr;
using pal::OwnedVariant;

// The capture's queries share one process-wide BSTR ("WQL"), made by the first one, which this
// capture makes before any test counts what is alive.
void CaptureTest::SetUpTestSuite()
{
    PalWmiResetAll();
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    wmicapture::CaptureOptions options;
    options.classes = {u"Test_Singleton"};
    Capture(u"root\\test", options);
    CoUninitialize();
}

// Each test leaves alive what was alive before it, and no COM initialisation.
void CaptureTest::SetUp()
{
    PalWmiResetAll();
    for (int kind = 0; kind < PAL_KIND_COUNT; ++kind) {
        alive_[kind] = PalLiveCount(kind);
    }
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    char pattern[] = "/tmp/capture_test.XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    folder_ = pattern;
}

void CaptureTest::TearDown()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    CoUninitialize();
    PalWmiResetAll();
    for (int kind = 0; kind < PAL_KIND_COUNT; ++kind) {
        EXPECT_GE(alive_[kind] + (kind == PAL_KIND_BSTR ? 1 : 0), PalLiveCount(kind))
            << "objects of kind " << kind;
    }
    EXPECT_EQ(0, PalApartmentDepthTotal());
}

std::string CaptureTest::Capture(const char16_t* nameSpace, const wmicapture::CaptureOptions& options,
                                 wmicapture::CaptureReport* report)
{
    wmibridge::CRefPtr<wmibridge::CWmiService> session;
    const wmibridge::ErrorCode code = wmibridge::ServiceConnect(reinterpret_cast<const WCHAR*>(nameSpace),
                                                                nullptr, nullptr, nullptr, session);
    if (code != wmibridge::kSuccess) {
        ADD_FAILURE() << "cannot connect to " << Narrow(nameSpace) << ": " << code;
        return {};
    }
    wmicapture::Text mof, error;
    wmicapture::CaptureReport own;
    const HRESULT hr = wmicapture::CaptureNamespace(session, nameSpace, options, mof,
                                                    report != nullptr ? *report : own, error);
    EXPECT_EQ(S_OK, hr) << Narrow(error);
    return wmicapture::ToUtf8(mof);
}

LONGLONG CaptureTest::LoadText(const std::string& mof, PalMofError& error, const char* name)
{
    LONGLONG fixture = 0;
    const HRESULT hr = PalWmiLoadMofFixtureText(mof.c_str(), name, nullptr, &fixture, &error);
    return SUCCEEDED(hr) ? fixture : 0;
}

ComPtr<IWbemServices> CaptureTest::Connect(const char16_t* nameSpace)
{
    ComPtr<IWbemLocator> locator;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                     reinterpret_cast<void**>(locator.Put())));
    OwnedBstr resource(nameSpace);
    ComPtr<IWbemServices> services;
    EXPECT_EQ(S_OK, locator->ConnectServer(resource.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                           services.Put()))
        << Narrow(nameSpace);
    return services;
}

namespace {

std::u16string TextOf(IWbemClassObject* object, const char16_t* name)
{
    OwnedVariant value;
    if (FAILED(object->Get(name, 0, value.Address(), nullptr, nullptr)) || value.Type() != VT_BSTR) {
        return {};
    }
    return std::u16string(V_BSTR(value.Address()));
}

std::vector<ComPtr<IWbemClassObject>> Drain(IEnumWbemClassObject* enumerator)
{
    std::vector<ComPtr<IWbemClassObject>> objects;
    for (;;) {
        IWbemClassObject* object = nullptr;
        ULONG returned = 0;
        if (enumerator->Next(static_cast<LONG>(WBEM_INFINITE), 1, &object, &returned) != WBEM_S_NO_ERROR ||
            returned != 1) {
            return objects;
        }
        objects.push_back(ComPtr<IWbemClassObject>::Adopt(object));
    }
}

}  // namespace

std::vector<std::pair<std::u16string, ComPtr<IWbemClassObject>>> CaptureTest::Instances(
    IWbemServices* services, const std::u16string& cls)
{
    OwnedBstr name(cls.c_str());
    ComPtr<IEnumWbemClassObject> enumerator;
    std::vector<std::pair<std::u16string, ComPtr<IWbemClassObject>>> instances;
    if (FAILED(services->CreateInstanceEnum(name.Get(), WBEM_FLAG_FORWARD_ONLY, nullptr, enumerator.Put()))) {
        ADD_FAILURE() << "cannot enumerate " << Narrow(cls);
        return instances;
    }
    for (auto& object : Drain(enumerator.Get())) {
        instances.emplace_back(TextOf(object.Get(), u"__RELPATH"), std::move(object));
    }
    return instances;
}

ComPtr<IWbemClassObject> CaptureTest::Object(IWbemServices* services, const std::u16string& path)
{
    OwnedBstr text(path.c_str());
    ComPtr<IWbemClassObject> object;
    services->GetObject(text.Get(), 0, nullptr, object.Put(), nullptr);
    return object;
}

std::vector<std::u16string> CaptureTest::ClassNames(IWbemServices* services)
{
    OwnedBstr language(u"WQL"), query(u"SELECT * FROM meta_class");
    ComPtr<IEnumWbemClassObject> enumerator;
    std::vector<std::u16string> names;
    if (FAILED(services->ExecQuery(language.Get(), query.Get(), WBEM_FLAG_FORWARD_ONLY, nullptr,
                                   enumerator.Put()))) {
        ADD_FAILURE() << "cannot enumerate the classes";
        return names;
    }
    for (auto& object : Drain(enumerator.Get())) {
        std::u16string name = TextOf(object.Get(), u"__CLASS");
        if (name.rfind(u"__", 0) != 0) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

std::vector<std::string> CaptureTest::NamespaceDifferences(const char16_t* expected, const char16_t* actual,
                                                           size_t* instanceCount)
{
    ComPtr<IWbemServices> a = Connect(expected);
    ComPtr<IWbemServices> b = Connect(actual);
    std::vector<std::string> differences;
    if (!a || !b) {
        differences.push_back("cannot connect");
        return differences;
    }
    size_t count = 0;
    for (const std::u16string& cls : ClassNames(a.Get())) {
        ComPtr<IWbemClassObject> definition = Object(b.Get(), cls);
        if (!definition) {
            differences.push_back(Narrow(cls) + ": the class is missing");
            continue;
        }
        for (auto& difference : Differences(Object(a.Get(), cls).Get(), definition.Get(), Narrow(cls))) {
            differences.push_back(std::move(difference));
        }
        // The instances of this very class; those of subclasses are compared with their class.
        for (const auto& [path, instance] : Instances(a.Get(), cls)) {
            if (TextOf(instance.Get(), u"__CLASS") != cls) {
                continue;
            }
            ++count;
            ComPtr<IWbemClassObject> replayed = Object(b.Get(), path);
            if (!replayed) {
                differences.push_back(Narrow(path) + ": the instance is missing");
                continue;
            }
            for (auto& difference : Differences(instance.Get(), replayed.Get(), Narrow(path))) {
                differences.push_back(std::move(difference));
            }
        }
    }
    if (instanceCount != nullptr) {
        *instanceCount = count;
    }
    return differences;
}

bool CaptureTest::HasNamespace(const char16_t* nameSpace)
{
    ComPtr<IWbemLocator> locator;
    CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                     reinterpret_cast<void**>(locator.Put()));
    OwnedBstr resource(nameSpace);
    ComPtr<IWbemServices> services;
    return locator && SUCCEEDED(locator->ConnectServer(resource.Get(), nullptr, nullptr, nullptr, 0, nullptr,
                                                       nullptr, services.Put()));
}

std::string CaptureTest::WriteFile(const std::string& name, const std::string& bytes)
{
    const std::string path = folder_ + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(nullptr, file) << path;
    if (file != nullptr) {
        EXPECT_EQ(bytes.size(), std::fwrite(bytes.data(), 1, bytes.size(), file));
        std::fclose(file);
    }
    return path;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines) {
        text += line + "\n";
    }
    return text;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

}  // namespace capture_test
