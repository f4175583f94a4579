// A method without input parameters, executed on an instance path, and the qualifiers of its
// output parameters.
#include <windows.h>

#include "Scenario.h"

using namespace scenario;

SCENARIO(owner_method)
{
    const jlong session = context.ConnectLocal();
    const auto& api = context.api;
    JNIEnv* env = context.env();

    jobject methodHolder = context.NewHolder();
    CHECK_EQ(api.WmiServiceGetMethod(env, nullptr, session, context.Text(u"Win32_Process"),
                                     context.Text(u"GetOwner"), methodHolder),
             0);
    const jlong method = context.Received(methodHolder).value_or(0);

    // No input parameters: still a handle, but to an empty object that the readers refuse.
    jobject inputHolder = context.NewHolder();
    CHECK_EQ(api.WmiMethodGetInputProperties(env, nullptr, method, inputHolder), 0);
    const jlong input = context.Received(inputHolder).value_or(0);
    CHECK(input != 0);
    jlong emptyCode = 0;
    CHECK(!context.Property(input, u"User", &emptyCode).has_value());
    CHECK_EQ(emptyCode, kInvalidParameter);

    // Executed on this process's own instance path.
    const std::string pid = std::to_string(GetCurrentProcessId());
    const std::u16string path = u"Win32_Process.Handle=\"" + std::u16string(pid.begin(), pid.end()) + u"\"";
    jobject outputHolder = context.NewHolder();
    CHECK_EQ(api.WmiMethodExecuteMth(env, nullptr, method, context.Text(path), 0, outputHolder), 0);
    const jlong output = context.Received(outputHolder).value_or(0);
    CHECK_EQ(context.Property(output, u"ReturnValue").value_or(u"(null)"), std::u16string(u"0"));
    CHECK(!context.Property(output, u"User").value_or(u"").empty());

    // The out-parameters carry their position in the ID qualifier (User is the first, 0), one of
    // the few qualifiers Wine keeps.
    jobject qualifierHolder = context.NewHolder();
    jstring id = api.WmiObjectGetPropertyQualifierValue(env, nullptr, output, context.Text(u"User"),
                                                        context.Text(u"ID"), qualifierHolder);
    CHECK(id != nullptr && fakejni::Env::TextOf(id) == u"0");
    CHECK(!context.Received(qualifierHolder).has_value());
    jobject missingHolder = context.NewHolder();
    CHECK(api.WmiObjectGetPropertyQualifierValue(env, nullptr, output, context.Text(u"User"),
                                                 context.Text(u"NoSuchQualifier"), missingHolder) == nullptr);
    CHECK_EQ(context.Received(missingHolder).value_or(0), kWbemNotFound);

    api.WmiObjectDestroy(env, nullptr, output);
    api.WmiObjectDestroy(env, nullptr, input);
    api.WmiMethodDestroy(env, nullptr, method);
    api.WmiServiceDisconnectServer(env, nullptr, session);
}
