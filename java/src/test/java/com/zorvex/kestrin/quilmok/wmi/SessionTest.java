package com.zorvex.kestrin.quilmok.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import java.time.Duration;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.Optional;
import java.util.concurrent.CompletableFuture;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.function.Executable;

/** Sessions: connecting, exceptions from real failures, time-outs, closing, threads and apartments. */
class SessionTest extends ApiTestBase {
    private static final String FAR = "FARHOST";

    private static <T extends WmiException> T assertFailure(Class<T> type, String symbol, Executable call) {
        T error = assertThrows(type, call);
        assertEquals(type, error.getClass(), error.toString());
        assertEquals(symbol, error.symbol(), error.getMessage());
        assertTrue(error.getMessage().contains(error.hex()), error.getMessage());
        return error;
    }

    private static ConnectOptions far(String user, String password) {
        return ConnectOptions.builder().host(FAR).namespace(TEST_NAMESPACE).user(user)
                .password(password.toCharArray()).build();
    }

    @Test
    void everyExceptionTypeComesFromARealFailure() {
        Emulator.addHost(FAR, false);
        Emulator.addAccount(FAR, "CORP", "alice", "s3cret", false);
        Emulator.addAccount(FAR, "CORP", "locked", "pw", true);
        try (WmiSession wmi = connectTest()) {
            WmiInvalidQueryException invalid = assertFailure(WmiInvalidQueryException.class, "WBEM_E_INVALID_QUERY",
                    () -> wmi.query("SELEC Name FRM Test_Keyed"));
            assertEquals(0x80041017, invalid.code());
            assertEquals("0x80041017", invalid.hex());
            assertEquals("query", invalid.operation());
            assertTrue(invalid.target().contains("SELEC Name FRM Test_Keyed"), invalid.target());
            assertFalse(invalid.text().isEmpty());
            assertFalse(invalid.text().startsWith("WBEM_E_"), "the name is kept apart from the text");

            assertFailure(WmiNotFoundException.class, "WBEM_E_INVALID_CLASS", () -> wmi.query("SELECT * FROM Test_Nope"));
            assertFailure(WmiNotFoundException.class, "WBEM_E_NOT_FOUND", () -> wmi.get("Test_Keyed.Name=\"nope\""));
            assertEquals(Optional.empty(), wmi.find("Test_Keyed.Name=\"nope\""));
            assertEquals(Optional.empty(), wmi.find("Test_Nope.Name=\"x\""));
        }
        assertFailure(WmiNotFoundException.class, "WBEM_E_INVALID_NAMESPACE",
                () -> Wmi.connect(ConnectOptions.builder().namespace("root\\nope").build()));
        WmiAccessDeniedException denied =
                assertFailure(WmiAccessDeniedException.class, "E_ACCESSDENIED", () -> Wmi.connect(far("CORP\\alice", "wrong")));
        assertEquals(5, denied.code());
        assertEquals(0x80070005, denied.hresult());
        assertFailure(WmiAccessDeniedException.class, "ERROR_ACCOUNT_LOCKED_OUT", () -> Wmi.connect(far("CORP\\locked", "pw")));
        WmiConnectionException unreachable = assertFailure(WmiConnectionException.class, "RPC_S_SERVER_UNAVAILABLE",
                () -> Wmi.connect(ConnectOptions.builder().host("NOHOST").build()));
        assertEquals(1722, unreachable.code());
        assertEquals("0x800706BA", unreachable.hex());
        assertEquals("connect to", unreachable.operation());
        try (WmiSession alice = Wmi.connect(far("CORP\\alice", "s3cret"))) {
            assertEquals(FAR, alice.host());
            assertEquals(2, alice.query("SELECT * FROM Test_MultiKey WHERE K1 < 3").size());
        }
    }

    @Test
    void aSlowQueryTimesOutAndIsFreedWhenItFinishes() {
        Emulator.setClassDelay("Test_Keyed", 300);
        try (WmiSession wmi = connectTest()) {
            WmiTimeoutException timeout = assertThrows(WmiTimeoutException.class,
                    () -> wmi.query("SELECT * FROM Test_Keyed", Duration.ofMillis(50)));
            assertEquals(Duration.ofMillis(50), timeout.timeout());
            assertEquals("WBEM_E_TIMED_OUT", timeout.symbol());
            // The session still works while the abandoned call finishes in the background.
            assertEquals(1, wmi.query("SELECT * FROM Test_Singleton").size());
        }
        eventuallyNoWmiObjectsAlive();
    }

    @Test
    void closeWaitsForCallsInFlightAndLaterCallsThrow() throws Exception {
        Emulator.setClassDelay("Test_Keyed", 100);
        WmiSession wmi = connectTest();
        int before = Emulator.callCount(Emulator.OP_EXEC_QUERY);
        CompletableFuture<Integer> inFlight = CompletableFuture.supplyAsync(() -> {
            try (WmiResult result = wmi.query("SELECT * FROM Test_Keyed")) {
                return result.size();
            }
        });
        eventually("the query reached WMI", () -> Emulator.callCount(Emulator.OP_EXEC_QUERY) > before);
        wmi.close();
        assertTrue(inFlight.isDone(), "close returned before the call in flight");
        assertEquals(4, inFlight.get());
        assertTrue(wmi.isClosed());
        for (Executable call : List.<Executable>of(() -> wmi.query("SELECT * FROM Test_Keyed"),
                () -> wmi.get("Test_Singleton=@"), () -> wmi.stream("SELECT * FROM Test_Keyed"),
                () -> wmi.spawn("Test_Keyed"), () -> wmi.invoke("Test_Methods", "Ping", Map.of()))) {
            assertThrows(IllegalStateException.class, call);
        }
        wmi.close();
    }

    @Test
    void resultsAreBufferedSnapshotsThatOutliveTheirSession() {
        WmiResult result;
        try (WmiSession wmi = connectTest()) {
            result = wmi.query("SELECT * FROM Test_Keyed");
        }
        assertEquals(4, result.size());
        List<String> names = new ArrayList<>();
        result.forEach(object -> names.add(object.getString("Name").orElseThrow()));
        assertEquals(names, result.stream().map(object -> object.getString("Name").orElseThrow()).toList());
        assertEquals(List.of("Name", "Size", "Label", "Extra"), result.columns());
        WmiObject first = result.get(0);
        result.close();
        assertThrows(IllegalStateException.class, () -> result.get(0));
        assertTrue(first.getString("Name").isPresent(), "objects already taken stay valid");
    }

    @Test
    void theCleanerFreesWhatWasForgotten() {
        forgetASessionAndAnInstance();
        eventually("forgotten sessions and instances freed",
                () -> Emulator.liveCount(Emulator.KIND_WBEM_SERVICES) == 0
                        && Emulator.liveCount(Emulator.KIND_WBEM_INSTANCE) == 0);
    }

    private static void forgetASessionAndAnInstance() {
        WmiSession wmi = connectTest();
        wmi.spawn("Test_Keyed").put("Name", "forgotten");
        wmi.query("SELECT * FROM Test_Keyed");
        assertNotEquals(0, Emulator.liveCount(Emulator.KIND_WBEM_SERVICES));
    }

    @Test
    void oneSessionServesManyThreadsAtOnce() throws Exception {
        ExecutorService pool = Executors.newFixedThreadPool(8);
        try (WmiSession wmi = connectTest()) {
            List<Future<Long>> sums = new ArrayList<>();
            for (int i = 0; i < 32; i++) {
                sums.add(pool.submit(() -> {
                    try (WmiResult result = wmi.query("SELECT Size FROM Test_Keyed")) {
                        return result.stream().mapToLong(object -> object.getLong("Size").orElseThrow()).sum();
                    }
                }));
            }
            for (Future<Long> sum : sums) {
                assertEquals(10L, sum.get());
            }
        } finally {
            pool.shutdown();
        }
    }

    @Test
    void aCallerInASingleThreadedApartmentIsServed() {
        assertEquals(0, Emulator.enterSingleThreadedApartment());
        try (WmiSession wmi = connectTest()) {
            assertEquals(4, wmi.query("SELECT * FROM Test_Keyed").size());
            assertEquals("alpha", wmi.get("Test_Keyed.Name=\"alpha\"").getString("Name").orElseThrow());
        } finally {
            Emulator.leaveApartment();
        }
    }

    @Test
    void badArgumentsFailBeforeAnyNativeCall() {
        try (WmiSession wmi = connectTest()) {
            int queries = Emulator.callCount(Emulator.OP_EXEC_QUERY);
            int gets = Emulator.callCount(Emulator.OP_GET_OBJECT);
            for (Executable call : List.<Executable>of(() -> wmi.query((String) null), () -> wmi.query(" "),
                    () -> wmi.get(""), () -> wmi.stream(null), () -> wmi.spawn("Test_Keyed; x"),
                    () -> wmi.invoke("Test_Methods", "", Map.of()), () -> wmi.invoke("", "Ping", Map.of()))) {
                assertThrows(IllegalArgumentException.class, call);
            }
            assertEquals(queries, Emulator.callCount(Emulator.OP_EXEC_QUERY));
            assertEquals(gets, Emulator.callCount(Emulator.OP_GET_OBJECT));
        }
        assertThrows(IllegalArgumentException.class, () -> ConnectOptions.builder().host(""));
        assertThrows(IllegalArgumentException.class, () -> ConnectOptions.builder().operationTimeout(Duration.ZERO));
        assertThrows(NullPointerException.class, () -> Wmi.connect(null));
    }

    @Test
    void theLocalMachineIsTheDefault() {
        try (WmiSession wmi = Wmi.connect()) {
            assertEquals(".", wmi.host());
            assertEquals("root\\cimv2", wmi.namespace());
            assertEquals(1, wmi.query("SELECT Caption FROM Win32_OperatingSystem").size());
        }
    }

    @Test
    void theLoadedLibrariesAreNamed() {
        assertTrue(Wmi.nativeInfo().contains("wmijni"), Wmi.nativeInfo());
    }

    @Test
    void errorCodesAreDescribed() {
        WmiErrorInfo invalidClass = Wmi.describe(0x80041010);
        assertEquals("WBEM_E_INVALID_CLASS", invalidClass.symbol());
        assertFalse(invalidClass.text().isEmpty());
        WmiErrorInfo unavailable = Wmi.describe(1722);
        assertEquals("RPC_S_SERVER_UNAVAILABLE", unavailable.symbol());
        assertEquals("0x800706BA", unavailable.hex());
        assertEquals(unavailable.text(), Wmi.describe(0x800706BA).text());
        assertEquals("0x8004ABCD", Wmi.describe(0x8004ABCD).symbol(), "an unknown code is named by its number");
        // The system knows neither: WMI's fallback names them by a number, or by a WMI name of
        // their low bits that belongs to another code; neither is a description.
        assertEquals("", Wmi.describe(0x80049999).text());
        assertEquals("0x80073039", Wmi.describe(12345).symbol());
        assertEquals("", Wmi.describe(12345).text());
    }
}
