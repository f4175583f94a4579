// Opening and closing sessions.
#include "Scenario.h"

using namespace scenario;

SCENARIO(connect)
{
    // The local namespace without credentials, by relative and by full path.
    const jlong session = context.ConnectLocal();
    CHECK(session != 0);
    context.api.WmiServiceDisconnectServer(context.env(), nullptr, session);

    jobject holder = context.NewHolder();
    CHECK_EQ(context.api.WmiServiceConnectServer(context.env(), nullptr, context.Text(u"\\\\.\\root\\cimv2"),
                                                 nullptr, nullptr, nullptr, holder),
             0);
    CHECK(context.Received(holder).value_or(0) != 0);
    context.api.WmiServiceDisconnectServer(context.env(), nullptr, context.Received(holder).value_or(0));

    // A holder without set(long): the session is dropped and the lookup error stays pending.
    jobject noSet = context.jni.NewHolder(false);
    CHECK_EQ(context.api.WmiServiceConnectServer(context.env(), nullptr, context.Text(u"root\\cimv2"),
                                                 nullptr, nullptr, nullptr, noSet),
             kProcNotFound);
    CHECK(context.jni.pending.has_value());
    context.jni.pending.reset();

    // Wine answers WBEM_E_TRANSPORT_FAILURE for any host that is not this computer, without
    // trying the network; Windows reports the RPC failure (0x800706BA, which maps to 1722).
    jobject remote = context.NewHolder();
    CHECK_EQ(context.api.WmiServiceConnectServer(context.env(), nullptr,
                                                 context.Text(u"\\\\no-such-host.invalid\\root\\cimv2"),
                                                 nullptr, nullptr, nullptr, remote),
             kWbemTransportFailure);
    CHECK(!context.Received(remote).has_value());

    // Credentials for the local computer: Windows refuses them (WBEM_E_LOCAL_CREDENTIALS);
    // Wine ignores credentials and connects.
    jobject withUser = context.NewHolder();
    CHECK_EQ(
        context.api.WmiServiceConnectServer(context.env(), nullptr, context.Text(u"root\\cimv2"), nullptr,
                                            context.Text(u"someone"), context.Text(u"secret"), withUser),
        0);
    context.api.WmiServiceDisconnectServer(context.env(), nullptr, context.Received(withUser).value_or(0));

    // A namespace that does not exist.
    jobject badNamespace = context.NewHolder();
    CHECK_EQ(
        context.api.WmiServiceConnectServer(context.env(), nullptr, context.Text(u"root\\no_such_namespace"),
                                            nullptr, nullptr, nullptr, badNamespace),
        kWbemInvalidNamespace);

    // Disconnecting nothing is harmless.
    context.api.WmiServiceDisconnectServer(context.env(), nullptr, 0);
}
