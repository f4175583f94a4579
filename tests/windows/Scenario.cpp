#include "Scenario.h"

namespace scenario {

namespace {
std::vector<NamedScenario>& Registry()
{
    static std::vector<NamedScenario> scenarios;
    return scenarios;
}
}  // namespace

Registration::Registration(const char* name, ScenarioBody body)
{
    Registry().push_back({name, std::move(body)});
}

const std::vector<NamedScenario>& Scenarios()
{
    return Registry();
}

std::optional<jlong> Context::Received(jobject holder)
{
    const auto& values = jni.HolderOf(holder).values;
    if (values.empty()) {
        return std::nullopt;
    }
    return values.back();
}

jlong Context::ConnectLocal()
{
    jobject holder = NewHolder();
    const jlong code =
        api.WmiServiceConnectServer(env(), nullptr, Text(u"root\\cimv2"), nullptr, nullptr, nullptr, holder);
    CHECK_EQ(code, 0);
    return Received(holder).value_or(0);
}

jlong Context::Query(jlong session, const std::u16string& query)
{
    jobject holder = NewHolder();
    const jlong code = api.WmiServiceExecQuery(env(), nullptr, session, Text(query), holder);
    if (!CHECK_EQ(code, 0)) {
        Fail(__FILE__, __LINE__, "query was: " + Printable(query));
    }
    return Received(holder).value_or(0);
}

std::vector<jlong> Context::Walk(jlong resultSet)
{
    std::vector<jlong> objects;
    while (api.WmiObjectEnumHasMoreObjects(env(), nullptr, resultSet) != JNI_FALSE) {
        jobject holder = NewHolder();
        const jlong code = api.WmiObjectEnumNextObject(env(), nullptr, resultSet, holder);
        if (!CHECK_EQ(code, 0) || !CHECK(Received(holder).has_value())) {
            break;
        }
        objects.push_back(*Received(holder));
    }
    return objects;
}

jlong Context::GetObject(jlong session, const std::u16string& path)
{
    jobject holder = NewHolder();
    const jlong code = api.WmiServiceGetObject(env(), nullptr, session, Text(path), holder);
    if (!CHECK_EQ(code, 0)) {
        Fail(__FILE__, __LINE__, "path was: " + Printable(path));
    }
    return Received(holder).value_or(0);
}

std::optional<std::u16string> Context::Property(jlong object, const std::u16string& name, jlong* code)
{
    jobject holder = NewHolder();
    jstring text = api.WmiObjectGetProperty(env(), nullptr, object, Text(name), holder);
    if (code != nullptr) {
        *code = Received(holder).value_or(0);
    }
    if (text == nullptr) {
        return std::nullopt;
    }
    return fakejni::Env::TextOf(text);
}

std::vector<std::optional<std::u16string>> Context::Values(jlong object, const std::u16string& name,
                                                           jlong& code)
{
    jobject collection = jni.NewCollection();
    code = api.WmiObjectGetPropertyValues(env(), nullptr, object, Text(name), collection);
    return jni.CollectionOf(collection).items;
}

}  // namespace scenario
