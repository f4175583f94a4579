package com.zorvex.kestrin.quilmok.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertInstanceOf;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Win32Emulator;
import java.time.Duration;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.Map;
import java.util.concurrent.atomic.AtomicInteger;
import org.junit.jupiter.api.Test;

/** Many hosts at once, each with its own deadline and outcome; credential checks. */
class FleetAndCredentialsTest extends ApiTestBase {
    private static final String SLOW = "SLOWHOST";
    private static final String DEAD = "NOHOST";
    private static final String SLOW_MOF = String.join("\n", "#pragma namespace(\"\\\\\\\\.\\\\root\\\\test\")",
            "class Test_Slow { [key] uint32 Id; };", "instance of Test_Slow { Id = 1; };",
            "instance of Test_Slow { Id = 2; };");

    private static int countOn(WmiSession session) {
        String className = session.host().equals(SLOW) ? "Test_Slow" : "Test_Keyed";
        return session.query("SELECT * FROM " + className).size();
    }

    @Test
    void aDeadAndASlowHostDoNotHoldUpTheOthers() {
        Emulator.addHost(SLOW, true);
        assertEquals(0, Emulator.loadMof(SLOW, TEST_NAMESPACE, SLOW_MOF));
        Emulator.setClassDelay("Test_Slow", 3_000);
        // One slot: the slow host comes first and must give its slot up at its deadline.
        Map<String, HostOutcome<Integer>> outcomes = WmiFleet.run(List.of(SLOW, DEAD, ".", "."), TEST,
                FleetAndCredentialsTest::countOn, 1, Duration.ofMillis(800));
        assertEquals(List.of(SLOW, DEAD, "."), List.copyOf(outcomes.keySet()));

        HostOutcome<Integer> slow = outcomes.get(SLOW);
        assertFalse(slow.succeeded());
        assertInstanceOf(WmiTimeoutException.class, slow.error());
        assertThrows(WmiTimeoutException.class, slow::orThrow);

        HostOutcome<Integer> dead = outcomes.get(DEAD);
        WmiConnectionException unreachable = assertInstanceOf(WmiConnectionException.class, dead.error());
        assertEquals(1722, unreachable.code());
        assertEquals(unreachable, dead.wmiError().orElseThrow());

        HostOutcome<Integer> local = outcomes.get(".");
        assertTrue(local.succeeded(), String.valueOf(local.error()));
        assertEquals(4, local.orThrow());
        eventuallyNoWmiObjectsAlive();
    }

    @Test
    void eachOutcomeIsReportedOnceAsItArrivesAndOneAtATime() {
        Emulator.addHost("FLEETA", false);
        Emulator.addHost("FLEETB", true);
        List<String> reported = Collections.synchronizedList(new ArrayList<>());
        AtomicInteger inside = new AtomicInteger();
        AtomicInteger overlaps = new AtomicInteger();
        Map<String, HostOutcome<Integer>> outcomes = WmiFleet.run(List.of("FLEETA", DEAD, "FLEETB", "FLEETA"), TEST,
                FleetAndCredentialsTest::countOn, 3, Duration.ofSeconds(30), outcome -> {
                    if (inside.incrementAndGet() > 1) {
                        overlaps.incrementAndGet();
                    }
                    try {
                        Thread.sleep(50);
                    } catch (InterruptedException e) {
                        Thread.currentThread().interrupt();
                    }
                    reported.add(outcome.host() + " " + outcome.succeeded());
                    inside.decrementAndGet();
                });
        assertEquals(0, overlaps.get(), "calls of the callback overlapped");
        assertEquals(List.of("FLEETA true", "FLEETB true", DEAD + " false"), reported.stream().sorted().toList());
        assertEquals(3, outcomes.size());
        assertEquals(4, outcomes.get("FLEETB").orThrow());
        eventuallyNoWmiObjectsAlive();
    }

    @Test
    void theCallbacksFirstExceptionComesAfterEveryHostHasItsOutcome() {
        Emulator.addHost("FLEETA", false);
        IllegalStateException first = new IllegalStateException("first");
        AtomicInteger calls = new AtomicInteger();
        IllegalStateException thrown = assertThrows(IllegalStateException.class,
                () -> WmiFleet.run(List.of("FLEETA", DEAD, "."), TEST, FleetAndCredentialsTest::countOn, 1,
                        Duration.ofSeconds(30), outcome -> {
                            throw calls.incrementAndGet() == 1 ? first : new IllegalStateException("later");
                        }));
        assertSame(first, thrown);
        assertEquals(3, calls.get(), "every host is still run and reported");
        eventuallyNoWmiObjectsAlive();
    }

    @Test
    void anExceptionOfTheWorkIsThatHostsOutcome() {
        IllegalStateException thrown = new IllegalStateException("work failed");
        Map<String, HostOutcome<Object>> outcomes = WmiFleet.run(List.of("."), TEST, session -> {
            throw thrown;
        }, 4, Duration.ofSeconds(30));
        assertSame(thrown, outcomes.get(".").error());
        assertThrows(IllegalArgumentException.class,
                () -> WmiFleet.run(List.of("."), TEST, session -> 1, 0, Duration.ofSeconds(1)));
        assertThrows(IllegalArgumentException.class,
                () -> WmiFleet.run(List.of(""), TEST, session -> 1, 1, Duration.ofSeconds(1)));
    }

    @Test
    void credentialsAreCheckedAgainstTheHost() {
        Win32Emulator.resetAll();
        try {
            Win32Emulator.addHost("FARHOST");
            assertTrue(Win32Emulator.addAccount("FARHOST", "CORP", "alice", "s3cret", false));
            assertTrue(Win32Emulator.createKey("FARHOST", Win32Emulator.HKEY_CURRENT_USER, Wmi.DEFAULT_CREDENTIAL_KEY));
            char[] good = "s3cret".toCharArray();
            CredentialCheck accepted = Wmi.verifyCredentials("FARHOST", "CORP\\alice", good);
            assertTrue(accepted.accepted(), accepted.toString());
            CredentialCheck refused = Wmi.verifyCredentials("\\\\FARHOST", "CORP\\alice", "wrong".toCharArray());
            assertFalse(refused.accepted());
            assertEquals("ERROR_LOGON_FAILURE", refused.result().symbol());
            assertEquals("FARHOST", refused.host());
            assertThrows(IllegalArgumentException.class, () -> Wmi.verifyCredentials("", "alice", good));
        } finally {
            Win32Emulator.resetAll();
        }
    }
}
