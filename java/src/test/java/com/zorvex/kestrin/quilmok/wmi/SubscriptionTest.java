package com.zorvex.kestrin.quilmok.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertInstanceOf;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import java.time.Duration;
import java.time.Instant;
import java.util.ArrayList;
import java.util.List;
import java.util.Optional;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.CancellationException;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicReference;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.Test;

/**
 * Event subscriptions through the API: extrinsic events raised through the emulator's controls,
 * intrinsic events of instances that come, change and go (real processes among them), the
 * callback form, closing while a reader waits, many subscriptions at once, and WMI's refusals.
 * After each test no poller, enumerator or session is left.
 */
class SubscriptionTest extends ApiTestBase {
    /** Long enough never to run out on a loaded machine; the waits end as soon as the event is there. */
    private static final Duration PATIENCE = Duration.ofSeconds(60);
    private static final String TEST_EVENTS = "SELECT * FROM Test_Event";
    private static final String KEYED_CHANGES =
            "SELECT * FROM __InstanceOperationEvent WITHIN 0.05 WHERE TargetInstance ISA 'Test_Keyed'";

    @AfterEach
    void noSubscriptionIsLeft() {
        eventually("pollers stopped", () -> Emulator.liveCount(Emulator.KIND_EVENT_POLLER) == 0);
        eventuallyNoWmiObjectsAlive();
    }

    private static int raise(String message, long sequence) {
        return Emulator.raiseEvent(TEST_NAMESPACE, "Test_Event", new String[] {"Message", "Sequence"},
                new String[] {message, Long.toString(sequence)});
    }

    private static WmiObject nextOf(WmiSubscription subscription) {
        return subscription.next(PATIENCE).orElseThrow(() -> new AssertionError("no event of " + subscription));
    }

    private static void load(String mof) {
        assertEquals(0, Emulator.loadMof(".", TEST_NAMESPACE, mof), mof);
    }

    @Test
    void extrinsicEventsArriveInOrderAndTheWhereClauseSelectsThem() {
        try (WmiSession wmi = connectTest();
                WmiSubscription all = wmi.subscribe(TEST_EVENTS);
                WmiSubscription late = wmi.subscribe(TEST_EVENTS + " WHERE Sequence > 1")) {
            assertEquals(Optional.empty(), all.next(Duration.ZERO), "nothing was raised yet");
            for (int i = 1; i <= 3; i++) {
                assertEquals(i > 1 ? 2 : 1, raise("event " + i, i), "the late one selects 2 and 3");
            }
            assertEquals(1, raise("early", 0));
            for (int i = 1; i <= 3; i++) {
                WmiObject event = nextOf(all);
                assertEquals("Test_Event", event.className());
                assertEquals("event " + i, event.getString("Message").orElseThrow());
                assertEquals(i, event.getLong("Sequence").orElseThrow());
                assertTrue(event.getBigInteger("TIME_CREATED").orElseThrow().signum() > 0);
            }
            assertEquals("early", nextOf(all).getString("Message").orElseThrow());
            assertEquals(List.of(2L, 3L), List.of(nextOf(late).getLong("Sequence").orElseThrow(),
                    nextOf(late).getLong("Sequence").orElseThrow()));
            assertEquals(Optional.empty(), late.next(Duration.ZERO));
        }
        assertEquals(0, raise("after the close", 9), "closed subscriptions receive nothing");
    }

    @Test
    void instancesThatComeChangeAndGoRaiseCreationModificationAndDeletion() {
        try (WmiSession wmi = connectTest(); WmiSubscription changes = wmi.subscribe(KEYED_CHANGES)) {
            load("instance of Test_Keyed { Name = \"epsilon\"; Size = 5; };");
            WmiObject created = nextOf(changes);
            assertEquals("__InstanceCreationEvent", created.className());
            assertEquals("epsilon", created.getObject("TargetInstance").orElseThrow().getString("Name").orElseThrow());

            load("instance of Test_Keyed { Name = \"alpha\"; Size = 10; Label = \"changed\"; };");
            WmiObject modified = nextOf(changes);
            assertEquals("__InstanceModificationEvent", modified.className());
            WmiObject after = modified.getObject("TargetInstance").orElseThrow();
            WmiObject before = modified.getObject("PreviousInstance").orElseThrow();
            assertEquals("alpha", after.getString("Name").orElseThrow());
            assertEquals(List.of(1L, 10L), List.of(before.getLong("Size").orElseThrow(),
                    after.getLong("Size").orElseThrow()));
            assertEquals(List.of("first", "changed"), List.of(before.getString("Label").orElseThrow(),
                    after.getString("Label").orElseThrow()));

            assertEquals(0, Emulator.deleteInstance(TEST_NAMESPACE, "Test_Keyed.Name=\"epsilon\""));
            WmiObject deleted = nextOf(changes);
            assertEquals("__InstanceDeletionEvent", deleted.className());
            assertEquals(5, deleted.getObject("TargetInstance").orElseThrow().getLong("Size").orElseThrow());
        }
    }

    @Test
    void theWhereClauseOnTheTargetInstanceSelectsTheChanges() {
        try (WmiSession wmi = connectTest();
                WmiSubscription big = wmi.subscribe("SELECT * FROM __InstanceCreationEvent WITHIN 0.05 "
                        + "WHERE TargetInstance ISA 'Test_Keyed' AND TargetInstance.Size > 100")) {
            load("instance of Test_Keyed { Name = \"small\"; Size = 7; };");
            load("instance of Test_Keyed { Name = \"large\"; Size = 700; };");
            assertEquals("large", nextOf(big).getObject("TargetInstance").orElseThrow().getString("Name")
                    .orElseThrow(), "the small one is not selected, and it came first");
        }
    }

    @Test
    void anEventComesFromAPollAfterTheInstanceExistsNeverBefore() {
        Emulator.holdEventPolls(true);
        try (WmiSession wmi = connectTest();
                WmiSubscription created = wmi.subscribe("SELECT * FROM __InstanceCreationEvent WITHIN 0.05 "
                        + "WHERE TargetInstance ISA 'Test_Keyed'")) {
            long existedFrom = fileTime(Instant.now());
            load("instance of Test_Keyed { Name = \"epsilon\"; Size = 5; };");
            int pollsBefore = Emulator.eventPollCount();
            assertEquals(Optional.empty(), created.next(Duration.ofMillis(300)), "no poll, no event");
            assertEquals(pollsBefore, Emulator.eventPollCount());
            Emulator.holdEventPolls(false);
            WmiObject event = nextOf(created);
            assertTrue(Emulator.eventPollCount() > pollsBefore, "the event came from a poll after the release");
            long raisedAt = event.getBigInteger("TIME_CREATED").orElseThrow().longValueExact();
            assertTrue(raisedAt >= existedFrom, "raised at " + raisedAt + ", the instance exists from " + existedFrom);
        } finally {
            Emulator.holdEventPolls(false);
        }
    }

    /** An instant as a FILETIME: 100-nanosecond intervals since 1 January 1601. */
    private static long fileTime(Instant instant) {
        Instant epoch = Instant.parse("1601-01-01T00:00:00Z");
        Duration since = Duration.between(epoch, instant);
        return since.getSeconds() * 10_000_000L + since.getNano() / 100;
    }

    @Test
    void aChildProcessRaisesCreationThenDeletion() throws Exception {
        String processes = " WITHIN 0.1 WHERE TargetInstance ISA 'Win32_Process'";
        try (WmiSession wmi = Wmi.connect();
                WmiSubscription created = wmi.subscribe("SELECT * FROM __InstanceCreationEvent" + processes)) {
            Process child = new ProcessBuilder("sleep", "600").start();
            try {
                WmiObject process = null;
                while (process == null) {
                    WmiObject target = nextOf(created).getObject("TargetInstance").orElseThrow();
                    if (target.getLong("ProcessId").orElse(-1) == child.pid()) {
                        process = target;
                    }
                }
                assertEquals("sleep", process.getString("Name").orElseThrow());
                assertEquals("Win32_Process", process.className());
                try (WmiSubscription deleted = wmi.subscribe("SELECT * FROM __InstanceDeletionEvent" + processes
                        + " AND TargetInstance.ProcessId = " + child.pid())) {
                    child.destroy();
                    assertTrue(child.waitFor(PATIENCE.toSeconds(), TimeUnit.SECONDS));
                    WmiObject gone = nextOf(deleted).getObject("TargetInstance").orElseThrow();
                    assertEquals(child.pid(), gone.getLong("ProcessId").orElseThrow());
                    assertEquals("sleep", gone.getString("Name").orElseThrow());
                }
            } finally {
                child.destroyForcibly().waitFor();
            }
        }
    }

    @Test
    void closingWhileAnotherThreadWaitsEndsTheWait() throws Exception {
        try (WmiSession wmi = connectTest()) {
            WmiSubscription subscription = wmi.subscribe(KEYED_CHANGES);
            assertEquals(1, Emulator.liveCount(Emulator.KIND_EVENT_POLLER));
            AtomicReference<Throwable> ended = new AtomicReference<>();
            int nextsBefore = Emulator.callCount(Emulator.OP_ENUM_NEXT);
            Thread reader = new Thread(() -> {
                try {
                    subscription.next(Duration.ofMinutes(10));
                    ended.set(new AssertionError("next returned"));
                } catch (Throwable e) {
                    ended.set(e);
                }
            });
            reader.start();
            eventually("the reader waits in WMI", () -> Emulator.callCount(Emulator.OP_ENUM_NEXT) > nextsBefore);
            subscription.close();
            reader.join();
            assertInstanceOf(CancellationException.class, ended.get());
            assertTrue(subscription.isClosed());
            assertThrows(CancellationException.class, () -> subscription.next(Duration.ZERO));
            subscription.close();
            eventually("the poller stopped", () -> Emulator.liveCount(Emulator.KIND_EVENT_POLLER) == 0);
            eventually("the subscription released",
                    () -> Emulator.liveCount(Emulator.KIND_WBEM_ENUMERATOR) == 0);
        }
    }

    @Test
    void manySubscriptionsAtOnceEachReceiveTheirEventsAndCloseWithTheSession() {
        WmiSession wmi = connectTest();
        List<WmiSubscription> extrinsic = new ArrayList<>();
        List<WmiSubscription> intrinsic = new ArrayList<>();
        for (int i = 0; i < 40; i++) {
            extrinsic.add(wmi.subscribe(TEST_EVENTS + " WHERE Sequence = " + (i % 4)));
        }
        for (int i = 0; i < 10; i++) {
            intrinsic.add(wmi.subscribe(KEYED_CHANGES));
        }
        assertEquals(10, Emulator.liveCount(Emulator.KIND_EVENT_POLLER));
        for (int sequence = 0; sequence < 4; sequence++) {
            assertEquals(10, raise("to " + sequence, sequence));
        }
        load("instance of Test_Keyed { Name = \"epsilon\"; Size = 5; };");
        for (int i = 0; i < extrinsic.size(); i++) {
            assertEquals(i % 4, nextOf(extrinsic.get(i)).getLong("Sequence").orElseThrow());
            assertEquals(Optional.empty(), extrinsic.get(i).next(Duration.ZERO));
        }
        for (WmiSubscription changes : intrinsic) {
            assertEquals("__InstanceCreationEvent", nextOf(changes).className());
        }
        wmi.close();
        for (WmiSubscription subscription : extrinsic) {
            assertTrue(subscription.isClosed());
        }
        for (WmiSubscription subscription : intrinsic) {
            assertThrows(CancellationException.class, () -> subscription.next(Duration.ZERO));
        }
        assertEquals(0, raise("after the session", 0));
    }

    @Test
    void callbacksRunOnADaemonThreadUntilTheSubscriptionCloses() throws Exception {
        BlockingQueue<WmiObject> events = new LinkedBlockingQueue<>();
        BlockingQueue<Thread> threads = new LinkedBlockingQueue<>();
        List<RuntimeException> errors = new ArrayList<>();
        try (WmiSession wmi = connectTest()) {
            WmiSubscription subscription = wmi.subscribe(TEST_EVENTS, event -> {
                threads.add(Thread.currentThread());
                events.add(event);
            }, errors::add);
            assertThrows(IllegalStateException.class, () -> subscription.next(Duration.ZERO), "the callbacks read");
            for (int i = 0; i < 3; i++) {
                assertEquals(1, raise("call " + i, i));
            }
            for (int i = 0; i < 3; i++) {
                WmiObject event = events.poll(PATIENCE.toSeconds(), TimeUnit.SECONDS);
                assertNotNull(event, "event " + i);
                assertEquals("call " + i, event.getString("Message").orElseThrow());
            }
            Thread delivery = threads.take();
            assertTrue(delivery.isDaemon());
            assertTrue(delivery.getName().startsWith("wmi-events-"), delivery.getName());
            subscription.close();
            assertFalse(delivery.isAlive(), "close waits for the delivering thread");
            assertEquals(List.of(), errors);
            assertEquals(0, raise("after the close", 0));
        }
    }

    @Test
    void aFailureOrAThrowingCallbackEndsTheSubscriptionThroughTheErrorCallback() throws Exception {
        try (WmiSession wmi = connectTest()) {
            BlockingQueue<RuntimeException> errors = new LinkedBlockingQueue<>();
            Emulator.setCallResult(Emulator.OP_ENUM_NEXT, 1, 0x80041001);
            WmiSubscription failing = wmi.subscribe(TEST_EVENTS, event -> {}, errors::add);
            RuntimeException failure = errors.poll(PATIENCE.toSeconds(), TimeUnit.SECONDS);
            WmiException wmiFailure = assertInstanceOf(WmiException.class, failure);
            assertEquals("WBEM_E_FAILED", wmiFailure.symbol());
            assertEquals("read the events of", wmiFailure.operation());
            eventually("the failed subscription closed", failing::isClosed);
            failing.close();

            IllegalStateException thrown = new IllegalStateException("the callback's own failure");
            WmiSubscription throwing = wmi.subscribe(TEST_EVENTS, event -> {
                throw thrown;
            }, errors::add);
            assertEquals(1, raise("boom", 1));
            assertSame(thrown, errors.poll(PATIENCE.toSeconds(), TimeUnit.SECONDS));
            eventually("the subscription closed", throwing::isClosed);
            throwing.close();
            assertNull(errors.poll());
        }
    }

    @Test
    void queriesWmiCannotServeAreRefused() {
        try (WmiSession wmi = connectTest()) {
            WmiInvalidQueryException noWithin = assertThrows(WmiInvalidQueryException.class, () -> wmi.subscribe(
                    "SELECT * FROM __InstanceCreationEvent WHERE TargetInstance ISA 'Test_Keyed'"));
            assertEquals("0x80042002", noWithin.hex());
            assertEquals("WBEMESS_E_REGISTRATION_TOO_PRECISE", noWithin.symbol());
            assertTrue(noWithin.text().contains("WITHIN"), noWithin.text());
            assertEquals("subscribe to", noWithin.operation());
            assertEquals("0x80041059", assertThrows(WmiInvalidQueryException.class,
                    () -> wmi.subscribe("SELECT * FROM Test_Keyed")).hex(), "WBEM_E_NOT_EVENT_CLASS");
            assertEquals("0x80041010", assertThrows(WmiNotFoundException.class,
                    () -> wmi.subscribe("SELECT * FROM No_Such_Event")).hex());
            assertThrows(IllegalArgumentException.class, () -> wmi.subscribe(" "));
            assertThrows(NullPointerException.class, () -> wmi.subscribe(TEST_EVENTS, null, error -> {}));
            try (WmiSubscription events = wmi.subscribe(TEST_EVENTS)) {
                assertThrows(IllegalArgumentException.class, () -> events.next(Duration.ofSeconds(-1)));
            }
            assertEquals(0, Emulator.liveCount(Emulator.KIND_EVENT_POLLER));
        }
        WmiSession closed = connectTest();
        closed.close();
        assertThrows(IllegalStateException.class, () -> closed.subscribe(TEST_EVENTS));
    }
}
