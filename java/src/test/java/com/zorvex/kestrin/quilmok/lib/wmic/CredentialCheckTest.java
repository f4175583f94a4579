package com.zorvex.kestrin.quilmok.lib.wmic;

import static org.junit.jupiter.api.Assertions.assertAll;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Win32Emulator;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/** WmiConnectionPool.nativeVerifyCredentials in a real JVM against the platform layer's hosts. */
class CredentialCheckTest {
    private static final String HOST = "FARHOST";
    private static final String KEY = "Software\\App";
    private static final int LOGON32_LOGON_NEW_CREDENTIALS = 9;
    private static final int LOGON32_PROVIDER_WINNT50 = 3;

    /** What was alive before the test: values the libraries keep for the life of the process. */
    private String aliveBefore;

    @BeforeEach
    void configureTheHost() {
        Win32Emulator.resetAll();
        aliveBefore = Win32Emulator.whatIsAlive();
        Win32Emulator.addHost(HOST);
        assertTrue(Win32Emulator.addAccount(HOST, "CORP", "alice", "s3cret", false));
        assertTrue(Win32Emulator.addAccount(HOST, HOST, "bob", "pw", false));
        assertTrue(Win32Emulator.addAccount(HOST, "CORP", "locked", "pw", true));
        assertTrue(Win32Emulator.createKey(HOST, Win32Emulator.HKEY_CURRENT_USER, KEY));
        assertTrue(Win32Emulator.createKey(HOST, Win32Emulator.HKEY_CURRENT_USER, "Private"));
        assertTrue(Win32Emulator.denyRead(HOST, Win32Emulator.HKEY_CURRENT_USER, "Private", "CORP\\alice"));
    }

    @AfterEach
    void nothingIsLeft() {
        try {
            assertEquals(aliveBefore, Win32Emulator.whatIsAlive());
        } finally {
            Win32Emulator.resetAll();
        }
    }

    /** The check's result, after making sure that the call left no impersonation and no handle. */
    private static long verify(String user, String password, String host, String keyPath) {
        long result = WmiConnectionPool.nativeVerifyCredentials(user, password, host, keyPath);
        assertAll("left behind by the call",
                () -> assertFalse(Win32Emulator.threadImpersonates()),
                () -> assertEquals(0, Win32Emulator.liveCount(Win32Emulator.KIND_IMPERSONATION)),
                () -> assertEquals(0, Win32Emulator.liveCount(Win32Emulator.KIND_KERNEL_HANDLE)),
                () -> assertEquals(0, Win32Emulator.liveCount(Win32Emulator.KIND_REGISTRY_KEY)));
        return result;
    }

    private static void assertLogon(String user, String domain, String password) {
        Win32Emulator.Logon logon = Win32Emulator.lastLogon();
        assertNotNull(logon, "no logon was made");
        assertAll(() -> assertEquals(user, logon.user, "user"),
                () -> assertEquals(domain, logon.domain, "domain"),
                () -> assertEquals(password, logon.password, "password"),
                () -> assertEquals(LOGON32_LOGON_NEW_CREDENTIALS, logon.logonType, "type"),
                () -> assertEquals(LOGON32_PROVIDER_WINNT50, logon.logonProvider, "provider"));
    }

    @Test
    void goodCredentialsOpenTheKey() {
        assertEquals(0, verify("CORP\\alice", "s3cret", HOST, KEY));
        assertLogon("alice", "CORP", "s3cret");
        assertEquals(1, Win32Emulator.connectCount());
    }

    @ParameterizedTest(name = "\"{0}\" logs on as user \"{1}\" in domain \"{2}\"")
    @CsvSource(value = {
        "CORP\\alice | alice      | CORP    | s3cret | 0",
        "\\bob       | bob        | FARHOST | pw     | 0",
        "alice       | alice      | alice   | s3cret | 1326",
        "alice@CORP  | alice@CORP | <null>  | s3cret | 0",
        "a\\b@CORP   | a\\b@CORP  | <null>  | x      | 1326",
        "CORP\\      | ''         | CORP    | s3cret | 1326",
        "''          | ''         | FARHOST | s3cret | 1326",
        "CORP\\a\\b  | a\\b       | CORP    | x      | 1326",
    }, delimiter = '|', nullValues = "<null>")
    void accountNameForms(String account, String user, String domain, String password, long expected) {
        assertEquals(expected, verify(account, password, HOST, KEY));
        assertLogon(user, domain, password);
    }

    @Test
    void nullUserIsTheProcessUserWhoseNameIsAlsoItsDomain() {
        Win32Emulator.setProcessUser("opsuser");
        assertEquals(1326, verify(null, "pw", HOST, KEY));
        assertLogon("opsuser", "opsuser", "pw");
    }

    @Test
    void nullPasswordIsPassedOnAsNone() {
        assertEquals(1326, verify("CORP\\alice", null, HOST, KEY));
        assertLogon("alice", "CORP", null);
    }

    @Test
    void processUserNameThatDoesNotFitFailsBeforeAnyLogon() {
        Win32Emulator.setProcessUser("u".repeat(300));
        assertEquals(122, verify(null, "pw", HOST, KEY));
        assertEquals(0, Win32Emulator.logonCount());
    }

    @Test
    void keysThatAreMissingOrUnreadable() {
        assertEquals(2, verify("CORP\\alice", "s3cret", HOST, "Software\\Missing"));
        assertEquals(5, verify("CORP\\alice", "s3cret", HOST, "Private"));
        // Another account may read it.
        assertEquals(0, verify("\\bob", "pw", HOST, "Private"));
        // A null path opens the hive's root again.
        assertEquals(0, verify("CORP\\alice", "s3cret", HOST, null));
    }

    @Test
    void refusedConnections() {
        assertEquals(1326, verify("CORP\\alice", "wrong", HOST, KEY));
        assertEquals(1909, verify("CORP\\locked", "pw", HOST, KEY));
        assertEquals(53, verify("CORP\\alice", "s3cret", "NOSUCHHOST", KEY));

        Win32Emulator.failConnect(5, 1326, 1);
        assertEquals(1326, verify("CORP\\alice", "s3cret", HOST, KEY));
        Win32Emulator.failConnect(5, 1909, 1);
        assertEquals(1909, verify("CORP\\alice", "s3cret", HOST, KEY));
        Win32Emulator.failConnect(5, 1312, 1);
        assertEquals(5, verify("CORP\\alice", "s3cret", HOST, KEY));
        Win32Emulator.failConnect(1722, 1326, 1);
        assertEquals(1722, verify("CORP\\alice", "s3cret", HOST, KEY));
        assertEquals(0, verify("CORP\\alice", "s3cret", HOST, KEY));
    }

    @Test
    void hostWithLeadingBackslashesIsNotFound() {
        assertEquals(53, verify("CORP\\alice", "s3cret", "\\\\" + HOST, KEY));
    }

    @Test
    void failedImpersonationClosesTheToken() {
        Win32Emulator.failImpersonation(1346, 1);
        assertEquals(1346, verify("CORP\\alice", "s3cret", HOST, KEY));
        assertEquals(0, Win32Emulator.connectCount());
    }

    @Test
    void overlongInputsAndNullHostAreRefusedBeforeAnyLogon() {
        String host255 = "H".repeat(255);
        String key255 = "K".repeat(255);
        String user512 = "CORP\\" + "u".repeat(507);
        assertAll(
                () -> assertEquals(87, verify("x".repeat(513), "pw", HOST, KEY)),
                () -> assertEquals(87, verify("CORP\\alice", "s3cret", host255 + "H", KEY)),
                () -> assertEquals(87, verify("CORP\\alice", "s3cret", HOST, key255 + "K")),
                () -> assertEquals(87, verify("CORP\\alice", "s3cret", null, KEY)),
                () -> assertEquals(87, verify("u".repeat(2_000_000), "pw", HOST, KEY)));
        assertEquals(0, Win32Emulator.logonCount());
        assertNull(Win32Emulator.lastLogon());

        // At the limits the check goes ahead.
        assertNotEquals(87, verify(user512, "pw", HOST, KEY));
        assertEquals("u".repeat(507), Win32Emulator.lastLogon().user);
        assertEquals(53, verify("CORP\\alice", "s3cret", host255, KEY));
        assertEquals(2, verify("CORP\\alice", "s3cret", HOST, key255));
    }

    /** Names whose domain or user part fills the library's buffer for it exactly. */
    @Test
    void accountNamesWhosePartsFitExactly() {
        String wholeName = "d".repeat(512);
        assertNotEquals(87, verify(wholeName, "pw", HOST, KEY));
        assertLogon(wholeName, wholeName, "pw");
        String userPart = "u".repeat(511);
        assertNotEquals(87, verify("\\" + userPart, "pw", HOST, KEY));
        assertLogon(userPart, HOST, "pw");
    }

    @Test
    void processUserNameThatFitsExactlyIsUsed() {
        Win32Emulator.setProcessUser("u".repeat(256));
        verify(null, "pw", HOST, KEY);
        assertEquals(1, Win32Emulator.logonCount());
        assertEquals("u".repeat(256), Win32Emulator.lastLogon().user);
        Win32Emulator.setProcessUser("u".repeat(257));
        assertEquals(122, verify(null, "pw", HOST, KEY));
        assertEquals(1, Win32Emulator.logonCount());
    }

    @Test
    void concurrentChecksStayApart() throws Exception {
        String[][] cases = {
            {"CORP\\alice", "s3cret", KEY, "0"},
            {"CORP\\alice", "wrong", KEY, "1326"},
            {"CORP\\locked", "pw", KEY, "1909"},
            {"\\bob", "pw", "Private", "0"},
            {"CORP\\alice", "s3cret", "Private", "5"},
            {"CORP\\alice", "s3cret", "Software\\Missing", "2"},
        };
        ExecutorService pool = Executors.newFixedThreadPool(8);
        try {
            List<Future<String>> results = new ArrayList<>();
            for (int i = 0; i < 480; i++) {
                String[] c = cases[i % cases.length];
                results.add(pool.submit(() -> {
                    long result = WmiConnectionPool.nativeVerifyCredentials(c[0], c[1], HOST, c[2]);
                    boolean impersonating = Win32Emulator.threadImpersonates();
                    return result + (impersonating ? " impersonating" : "");
                }));
            }
            for (int i = 0; i < results.size(); i++) {
                assertEquals(cases[i % cases.length][3], results.get(i).get(), "call " + i);
            }
        } finally {
            pool.shutdownNow();
        }
        assertEquals(480, Win32Emulator.logonCount());
        assertEquals(0, Win32Emulator.liveCount(Win32Emulator.KIND_IMPERSONATION));
        assertEquals(0, Win32Emulator.liveCount(Win32Emulator.KIND_KERNEL_HANDLE));
        assertEquals(0, Win32Emulator.liveCount(Win32Emulator.KIND_REGISTRY_KEY));
    }
}
