// StdRegProv methods as a round trip through the registry of the system, with the output objects
// read through the property readers. Two calls that Wine 8.0 itself does not survive are left
// out: ExecMethod on a class that does not exist, and a StdRegProv method executed without an
// input object (Windows answers both with an error code).
#include "Scenario.h"

#include <algorithm>

using namespace scenario;

namespace {

constexpr jint kCurrentUser = static_cast<jint>(0x80000001);
const std::u16string kScenarioKey = u"WmiBridgeScenarioKey";

// Calls one StdRegProv method: gets the method, spawns and fills its input object, executes it
// on the class and returns the output object's handle (0 when any step failed).
class RegistryCall {
public:
    RegistryCall(Context& context, jlong session, const std::u16string& method) : m_context(context)
    {
        const auto& api = context.api;
        jobject methodHolder = context.NewHolder();
        CHECK_EQ(api.WmiServiceGetMethod(context.env(), nullptr, session, context.Text(u"StdRegProv"),
                                         context.Text(method), methodHolder),
                 0);
        m_method = context.Received(methodHolder).value_or(0);
        jobject inputHolder = context.NewHolder();
        CHECK_EQ(api.WmiMethodGetInputProperties(context.env(), nullptr, m_method, inputHolder), 0);
        m_input = context.Received(inputHolder).value_or(0);
        // Wine does not fill the defaults of a spawned input object, so hDefKey is always given.
        Int(u"hDefKey", kCurrentUser);
    }
    ~RegistryCall()
    {
        m_context.api.WmiObjectDestroy(m_context.env(), nullptr, m_output);
        m_context.api.WmiObjectDestroy(m_context.env(), nullptr, m_input);
        m_context.api.WmiMethodDestroy(m_context.env(), nullptr, m_method);
    }
    RegistryCall(const RegistryCall&) = delete;
    RegistryCall& operator=(const RegistryCall&) = delete;

    void Int(const std::u16string& name, jint value)
    {
        CHECK_EQ(m_context.api.WmiObjectPutPropertyInt(m_context.env(), nullptr, m_input,
                                                       m_context.Text(name), value),
                 0);
    }
    void String(const std::u16string& name, const std::u16string& value)
    {
        CHECK_EQ(m_context.api.WmiObjectPutPropertyString(m_context.env(), nullptr, m_input,
                                                          m_context.Text(name), m_context.Text(value)),
                 0);
    }
    // Executes the method and answers its ReturnValue as text.
    std::u16string Execute()
    {
        jobject outputHolder = m_context.NewHolder();
        CHECK_EQ(m_context.api.WmiMethodExecuteMth(m_context.env(), nullptr, m_method,
                                                   m_context.Text(u"StdRegProv"), m_input, outputHolder),
                 0);
        m_output = m_context.Received(outputHolder).value_or(0);
        return m_context.Property(m_output, u"ReturnValue").value_or(u"(null)");
    }
    jlong Input() const { return m_input; }
    jlong Output() const { return m_output; }

private:
    Context& m_context;
    jlong m_method = 0;
    jlong m_input = 0;
    jlong m_output = 0;
};

}  // namespace

SCENARIO(registry)
{
    const jlong session = context.ConnectLocal();
    const std::u16string key = u"Software\\" + kScenarioKey;
    {
        RegistryCall create(context, session, u"CreateKey");
        create.String(u"sSubKeyName", key);
        CHECK_EQ(create.Execute(), std::u16string(u"0"));
    }
    {
        RegistryCall set(context, session, u"SetStringValue");
        set.String(u"sSubKeyName", key);
        set.String(u"sValueName", u"Greeting");
        set.String(u"sValue", u"hello from the scenarios");
        CHECK_EQ(set.Execute(), std::u16string(u"0"));
    }
    {
        RegistryCall get(context, session, u"GetStringValue");
        get.String(u"sSubKeyName", key);
        get.String(u"sValueName", u"Greeting");
        CHECK_EQ(get.Execute(), std::u16string(u"0"));
        CHECK_EQ(context.Property(get.Output(), u"sValue").value_or(u"(null)"),
                 std::u16string(u"hello from the scenarios"));
        // The input object is not consumed: it still holds what was put.
        CHECK_EQ(context.Property(get.Input(), u"sValueName").value_or(u"(null)"),
                 std::u16string(u"Greeting"));
    }
    {
        // Two array outputs: a string array and a sint32 array (REG_SZ is 1).
        RegistryCall values(context, session, u"EnumValues");
        values.String(u"sSubKeyName", key);
        CHECK_EQ(values.Execute(), std::u16string(u"0"));
        jlong code = 0;
        const auto names = context.Values(values.Output(), u"sNames", code);
        CHECK_EQ(code, 0);
        CHECK(names == std::vector<std::optional<std::u16string>>{u"Greeting"});
        const auto types = context.Values(values.Output(), u"Types", code);
        CHECK_EQ(code, 0);
        CHECK(types == std::vector<std::optional<std::u16string>>{u"1"});
    }
    {
        // An array output: the names of the subkeys, as a list; as text it has no rule (1804).
        RegistryCall enumerate(context, session, u"EnumKey");
        enumerate.String(u"sSubKeyName", u"Software");
        CHECK_EQ(enumerate.Execute(), std::u16string(u"0"));
        jlong code = 0;
        const auto names = context.Values(enumerate.Output(), u"sNames", code);
        CHECK_EQ(code, 0);
        CHECK(names.size() > 1);
        CHECK(std::find(names.begin(), names.end(), std::optional<std::u16string>(kScenarioKey)) !=
              names.end());
        jlong textCode = 0;
        CHECK(!context.Property(enumerate.Output(), u"sNames", &textCode).has_value());
        CHECK_EQ(textCode, 1804);
    }
    {
        RegistryCall remove(context, session, u"DeleteKey");
        remove.String(u"sSubKeyName", key);
        CHECK_EQ(remove.Execute(), std::u16string(u"0"));
    }
    {
        // The key is gone: the method itself succeeds and reports ERROR_FILE_NOT_FOUND.
        RegistryCall get(context, session, u"GetStringValue");
        get.String(u"sSubKeyName", key);
        get.String(u"sValueName", u"Greeting");
        CHECK_EQ(get.Execute(), std::u16string(u"2"));
    }
    context.api.WmiServiceDisconnectServer(context.env(), nullptr, session);
}
