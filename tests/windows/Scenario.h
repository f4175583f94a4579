// What every scenario works with: the bound exports, a fresh JNI stand-in, and helpers that call
// the exports the way the Java classes do.
#pragma once

#include <FakeJni.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "BridgeExports.h"
#include "Check.h"

namespace scenario {

// WMI results as the exports return them: the HRESULT sign-extended into a Java long.
constexpr jlong WbemCode(unsigned long hresult)
{
    return static_cast<jlong>(static_cast<std::int32_t>(hresult));
}
constexpr jlong kInvalidParameter = 87;
constexpr jlong kProcNotFound = 127;
constexpr jlong kEndOfResults = -1;
constexpr jlong kWbemNotFound = WbemCode(0x80041002);
constexpr jlong kWbemTypeMismatch = WbemCode(0x80041005);
constexpr jlong kWbemInvalidParameter = WbemCode(0x80041008);
constexpr jlong kWbemTransportFailure = WbemCode(0x80041015);
constexpr jlong kWbemInvalidNamespace = WbemCode(0x8004100E);

class Context {
public:
    explicit Context(const BridgeExports& exports) : api(exports) {}

    const BridgeExports& api;
    fakejni::Env jni;

    JNIEnv* env() { return jni.env(); }
    jstring Text(const std::u16string& text) { return jni.NewString(text); }
    jobject NewHolder() { return jni.NewHolder(); }
    // The last value a holder received, or nullopt when set(long) was never called.
    std::optional<jlong> Received(jobject holder);

    // A session on root\cimv2 of this computer without credentials; 0 when that failed.
    jlong ConnectLocal();
    // Runs a query; the result-set handle, or 0 when the query failed (the failure is reported).
    jlong Query(jlong session, const std::u16string& query);
    // Walks a result set from its current position to the end, handing out one object per step.
    std::vector<jlong> Walk(jlong resultSet);
    // Fetches one object by path; 0 when that failed (the failure is reported).
    jlong GetObject(jlong session, const std::u16string& path);

    // A property as text, or nullopt with the code the holder received.
    std::optional<std::u16string> Property(jlong object, const std::u16string& name, jlong* code = nullptr);
    // A property as a list of text; the export's code goes to `code`.
    std::vector<std::optional<std::u16string>> Values(jlong object, const std::u16string& name, jlong& code);
};

using ScenarioBody = std::function<void(Context&)>;

// Registers a named scenario group at static-initialisation time.
struct Registration {
    Registration(const char* name, ScenarioBody body);
};

struct NamedScenario {
    const char* name;
    ScenarioBody body;
};
const std::vector<NamedScenario>& Scenarios();

}  // namespace scenario

#define SCENARIO_CONCAT2(a, b) a##b
#define SCENARIO_CONCAT(a, b) SCENARIO_CONCAT2(a, b)
#define SCENARIO(name)                                                        \
    static void SCENARIO_CONCAT(Scenario_, name)(scenario::Context&);         \
    static const scenario::Registration SCENARIO_CONCAT(registration_, name)( \
        #name, &SCENARIO_CONCAT(Scenario_, name));                            \
    static void SCENARIO_CONCAT(Scenario_, name)(scenario::Context & context)
