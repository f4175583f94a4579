package com.zorvex.kestrin.quilmok.lib.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator.Blanket;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.EmulatorTestBase;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Holder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.NoSetHolder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.Session;
import java.util.List;
import java.util.concurrent.atomic.AtomicReference;
import org.junit.jupiter.api.Nested;
import org.junit.jupiter.api.Test;

class SessionTest extends EmulatorTestBase {
    private static final int RPC_C_AUTHN_WINNT = 10;
    private static final int RPC_C_AUTHN_LEVEL_NONE = 1;
    private static final int RPC_C_IMP_LEVEL_IMPERSONATE = 3;
    private static final String REMOTE = "SRV1";
    private static final String REMOTE_TEST = "\\\\SRV1\\root\\test";

    private static long connectCode(String resource, String user, String password) {
        Holder holder = new Holder();
        long code = WmiConnector.WmiServiceConnectServer(resource, null, user, password, holder);
        if (code == 0) {
            WmiConnector.WmiServiceDisconnectServer(holder.single());
        } else {
            assertTrue(holder.untouched(), "a failed connect hands nothing out");
        }
        return code;
    }

    private static void addRemoteHost() {
        Emulator.addHost(REMOTE, false);
        assertTrue(Emulator.addAccount(REMOTE, "CORP", "alice", "s3cret", false));
        assertTrue(Emulator.addAccount(REMOTE, "CORP", "bob", "pw", true));
    }

    @Nested
    class Local {
        @Test
        void withoutCredentialsTheBlanketCarriesNoIdentity() {
            try (Session session = Wmi.connect(TEST_NAMESPACE)) {
                assertTrue(session.handle != 0);
                Blanket blanket = Emulator.lastServicesBlanket();
                assertNotNull(blanket);
                assertTrue(blanket.wasSet);
                assertEquals(RPC_C_AUTHN_WINNT, blanket.authnService);
                assertEquals(0, blanket.authzService);
                assertFalse(blanket.hasIdentity);
                assertEquals(1, Emulator.callCount(Emulator.OP_CONNECT_SERVER));
            }
        }

        @Test
        void credentialsAreRetriedWithoutButKeptForTheBlanket() {
            try (Session session = Wmi.connect(TEST_NAMESPACE, null, "CORP\\carol", "pw1")) {
                assertEquals(2, Emulator.callCount(Emulator.OP_CONNECT_SERVER),
                        "WBEM_E_LOCAL_CREDENTIALS makes the connect try again without credentials");
                Blanket blanket = Emulator.lastServicesBlanket();
                assertTrue(blanket.hasIdentity);
                assertEquals("carol", blanket.user);
                assertEquals("CORP", blanket.domain);
                assertEquals("pw1", blanket.password);
            }
        }

        @Test
        void nullResourceIsRefusedBeforeAnyComCall() {
            Holder holder = new Holder();
            assertEquals(87L, WmiConnector.WmiServiceConnectServer(null, null, null, null, holder));
            assertTrue(holder.untouched());
            assertEquals(0, Emulator.callCount(Emulator.OP_CREATE_INSTANCE));
            assertEquals(0, Emulator.apartmentDepth());
        }

        @Test
        void unknownNamespaceGivesTheWmiCode() {
            assertEquals(0x8004100EL - (1L << 32), connectCode("root\\nowhere", null, null));
            assertEquals(0, Emulator.apartmentDepth(), "a failed connect gives its COM initialisation back");
        }

        @Test
        void connectServerWithoutServicesGives4312AndLeavesComBalanced() {
            Emulator.succeedWithoutObject(Emulator.OP_CONNECT_SERVER, 1);
            assertEquals(4312L, connectCode(TEST_NAMESPACE, null, null));
            assertEquals(0, Emulator.apartmentDepth());
        }

        @Test
        void failedProcessSecurityUndoesTheThreadsInitialisation() {
            Emulator.setCallResult(Emulator.OP_INITIALIZE_SECURITY, 1, 0x80004005);
            assertEquals(0x80004005L - (1L << 32), connectCode(TEST_NAMESPACE, null, null));
            assertEquals(0, Emulator.apartmentDepth());
        }

        @Test
        void holderWithoutSetGets127AndTheSessionIsDestroyed() {
            assertThrows(NoSuchMethodError.class, () -> WmiConnector.WmiServiceConnectServer(
                    TEST_NAMESPACE, null, null, null, new NoSetHolder()));
            assertEquals(0, Emulator.liveCount(Emulator.KIND_WBEM_SERVICES));
            assertEquals(0, Emulator.apartmentDepth());
        }

        @Test
        void twoSessionsOnOneThreadHoldTheirOwnInitialisation() {
            Session first = Wmi.connect(TEST_NAMESPACE);
            try (Session second = Wmi.connect(TEST_NAMESPACE)) {
                assertEquals(2, Emulator.apartmentDepth());
                first.close();
                assertEquals(1, Emulator.apartmentDepth());
                assertEquals(List.of("alpha"), Wmi.column(second, "SELECT Name FROM Test_Keyed WHERE Size = 1", "Name"));
            }
            assertEquals(0, Emulator.apartmentDepth());
        }

        @Test
        void threadInASingleThreadedApartmentCannotConnect() throws InterruptedException {
            AtomicReference<Throwable> failure = new AtomicReference<>();
            Thread thread = new Thread(() -> {
                try {
                    assertEquals(0, Emulator.enterSingleThreadedApartment());
                    try {
                        assertEquals(-2147417850L, connectCode(TEST_NAMESPACE, null, null));
                        assertEquals(1, Emulator.apartmentDepth(), "only the caller's own initialisation");
                    } finally {
                        Emulator.leaveApartment();
                    }
                    assertEquals(0, Emulator.apartmentDepth());
                } catch (Throwable t) {
                    failure.set(t);
                }
            });
            thread.start();
            thread.join();
            if (failure.get() != null) {
                throw new AssertionError(failure.get());
            }
        }
    }

    @Nested
    class Remote {
        @Test
        void goodAndBadPasswordsAndUnknownHosts() {
            addRemoteHost();
            assertEquals(0L, connectCode(REMOTE_TEST, "CORP\\alice", "s3cret"));
            assertEquals(5L, connectCode(REMOTE_TEST, "CORP\\alice", "wrong"));
            assertEquals(1722L, connectCode("\\\\NOSUCHHOST\\root\\test", "CORP\\alice", "s3cret"));
            assertTrue(connectCode(REMOTE_TEST, "CORP\\bob", "pw") != 0, "a locked account is refused");
            assertEquals(0, Emulator.apartmentDepth());
        }

        @Test
        void everyAccountNameFormReachesTheIdentity() {
            addRemoteHost();
            String[][] forms = {
                {"CORP\\alice", "alice", "CORP"},
                {"alice@CORP", "alice", "CORP"},
            };
            for (String[] form : forms) {
                try (Session session = Wmi.connect(REMOTE_TEST, null, form[0], "s3cret")) {
                    Blanket blanket = Emulator.lastServicesBlanket();
                    assertTrue(blanket.hasIdentity, form[0]);
                    assertEquals(form[1], blanket.user, form[0]);
                    assertEquals(form[2], blanket.domain, form[0]);
                    assertEquals("s3cret", blanket.password, form[0]);
                }
            }
        }

        @Test
        void anAtSignTakesPrecedenceOverABackslash() {
            Emulator.addHost(REMOTE, false);
            assertTrue(Emulator.addAccount(REMOTE, "b\\c", "a", "pw", false));
            try (Session session = Wmi.connect(REMOTE_TEST, null, "a@b\\c", "pw")) {
                Blanket blanket = Emulator.lastServicesBlanket();
                assertEquals("a", blanket.user);
                assertEquals("b\\c", blanket.domain);
            }
        }

        @Test
        void emptyUserAndPasswordAreNoCredentials() {
            addRemoteHost();
            try (Session session = Wmi.connect(REMOTE_TEST, null, "", "")) {
                assertFalse(Emulator.lastServicesBlanket().hasIdentity);
            }
        }

        @Test
        void aPlainNameIsItsOwnDomain() {
            Emulator.addHost(REMOTE, false);
            assertTrue(Emulator.addAccount(REMOTE, "alice", "alice", "s3cret", false));
            try (Session session = Wmi.connect(REMOTE_TEST, null, "alice", "s3cret")) {
                Blanket blanket = Emulator.lastServicesBlanket();
                assertEquals("alice", blanket.user);
                assertEquals("alice", blanket.domain);
            }
        }

        @Test
        void credentialsWithoutADomainPartCannotBeApplied() {
            addRemoteHost();
            assertEquals(-2147217400L, connectCode(REMOTE_TEST, "\\alice", "s3cret"));
            assertEquals(-2147217400L, connectCode(REMOTE_TEST, null, "s3cret"), "a password without a user");
            assertEquals(0, Emulator.liveCount(Emulator.KIND_WBEM_SERVICES));
        }

        @Test
        void bindingWithoutAuthenticationGetsLevelNoneWithoutIdentity() {
            addRemoteHost();
            assertTrue(Emulator.setHostNoAuthentication(REMOTE, true));
            try (Session session = Wmi.connect(REMOTE_TEST, null, "\\alice", "s3cret")) {
                Blanket blanket = Emulator.lastServicesBlanket();
                assertEquals(RPC_C_AUTHN_LEVEL_NONE, blanket.authnLevel);
                assertEquals(RPC_C_IMP_LEVEL_IMPERSONATE, blanket.impLevel);
                assertFalse(blanket.hasIdentity);
            }
        }

        @Test
        void everyQueryEnumeratorGetsTheSessionsCredentials() {
            addRemoteHost();
            try (Session session = Wmi.connect(REMOTE_TEST, null, "alice@CORP", "s3cret")) {
                Blanket services = Emulator.lastServicesBlanket();
                assertEquals(List.of("alpha"), Wmi.column(session, "SELECT Name FROM Test_Keyed WHERE Size=1", "Name"));
                Blanket enumerator = Emulator.lastEnumeratorBlanket();
                assertNotNull(enumerator);
                assertTrue(enumerator.hasIdentity);
                assertEquals("alice", enumerator.user);
                assertEquals("CORP", enumerator.domain);
                assertEquals("s3cret", enumerator.password);
                assertEquals(services.authnLevel, enumerator.authnLevel);
                assertEquals(services.impLevel, enumerator.impLevel);
            }
        }
    }

    @Test
    void disconnectingZeroDoesNothing() {
        WmiConnector.WmiServiceDisconnectServer(0);
        assertEquals(0, Emulator.apartmentDepth());
    }
}
