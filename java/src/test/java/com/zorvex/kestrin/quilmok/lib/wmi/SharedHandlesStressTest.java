package com.zorvex.kestrin.quilmok.lib.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.EmulatorTestBase;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Holder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.Session;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.ConcurrentLinkedQueue;
import java.util.concurrent.CyclicBarrier;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicReference;
import org.junit.jupiter.api.Test;

/**
 * Eight threads share two sessions, one method handle and one object handle: each runs queries,
 * streams, object reads and the shared method, compares every answer with the one a single
 * thread got first, and destroys handles that other threads made. Afterwards nothing is alive
 * that was not alive before.
 *
 * <p>The system property {@code wmibridge.test.scaleDown} divides the number of rounds (the run
 * under the sanitizers sets it).
 */
class SharedHandlesStressTest extends EmulatorTestBase {
    private static final int THREADS = 8;
    private static final int ROUNDS = Math.max(4, 250 / Math.max(1, Integer.getInteger("wmibridge.test.scaleDown", 1)));
    private static final String QUERY = "SELECT Name, Size, Label FROM Test_Keyed";

    /** The answers that every thread must get again. */
    private record Answers(List<String> rows, List<String> streamed, String beta, String shared) {}

    private static final class Shared {
        final long[] sessions = new long[2];
        long method;
        long object;
    }

    private static long made(Holder holder, long code, String what) {
        assertEquals(0L, code, what);
        return holder.values().get(holder.values().size() - 1);
    }

    /** Name|Size|Label of an object, which is destroyed or handed to `others` to destroy. */
    private static String row(long object, ConcurrentLinkedQueue<Long> others) {
        Wmi.WmiObject o = new Wmi.WmiObject(object);
        String row = o.get("Name") + "|" + o.get("Size") + "|" + o.get("Label");
        if (others == null) {
            o.close();
        } else {
            others.add(object);
        }
        return row;
    }

    private static Answers answers(Shared shared, int thread, ConcurrentLinkedQueue<Long> others) {
        long session = shared.sessions[thread % 2];
        List<String> rows = new ArrayList<>();
        Holder holder = new Holder();
        long set = made(holder, WmiConnector.WmiServiceExecQuery(session, QUERY, holder), QUERY);
        try {
            while (WmiConnector.WmiObjectEnumHasMoreObjects(set)) {
                rows.add(row(made(holder, WmiConnector.WmiObjectEnumNextObject(set, holder), "next"), others));
            }
        } finally {
            WmiConnector.WmiObjectEnumDestroy(set);
        }

        List<String> streamed = new ArrayList<>();
        long stream = made(holder, WmiExtensions.WmiServiceExecQueryStreaming(session, QUERY, holder), "stream");
        try {
            long[] batch = new long[3];
            long code;
            do {
                code = WmiExtensions.WmiObjectStreamNextBatch(stream, 10000, batch);
                for (long object : batch) {
                    if (object != 0) {
                        streamed.add(row(object, others));
                    }
                }
            } while (code == 0);
            assertEquals(1L, code, "the stream ends with WBEM_S_FALSE");
        } finally {
            WmiExtensions.WmiObjectStreamDestroy(stream);
        }

        String beta = row(made(holder, WmiConnector.WmiServiceGetObject(session, "Test_Keyed.Name=\"beta\"", holder),
                "get"), others);
        String sharedRow = new Wmi.WmiObject(shared.object).get("Label");
        return new Answers(rows, streamed, beta, sharedRow);
    }

    /** Runs the shared method with thread-specific input; its ReturnValue. */
    private static String add(Shared shared, int a, int b, ConcurrentLinkedQueue<Long> others) {
        Holder holder = new Holder();
        try (Wmi.WmiObject input = new Wmi.WmiObject(made(holder,
                WmiConnector.WmiMethodGetInputProperties(shared.method, holder), "input"))) {
            assertEquals(0L, WmiConnector.WmiObjectPutPropertyInt(input.handle, "A", a));
            assertEquals(0L, WmiConnector.WmiObjectPutPropertyInt(input.handle, "B", b));
            long output = made(holder, WmiConnector.WmiMethodExecuteMth(shared.method, "Test_Methods", input.handle,
                    holder), "execute");
            String value = new Wmi.WmiObject(output).get("ReturnValue");
            others.add(output);
            return value;
        }
    }

    @Test
    void eightThreadsShareSessionsAndHandlesAndAgreeWithOneThread() throws Exception {
        String aliveAtStart = Emulator.whatIsAlive();
        Shared shared = new Shared();
        Holder holder = new Holder();
        for (int i = 0; i < 2; i++) {
            shared.sessions[i] = made(holder,
                    WmiConnector.WmiServiceConnectServer(TEST_NAMESPACE, null, null, null, holder), "connect");
        }
        shared.method = made(holder, WmiConnector.WmiServiceGetMethod(shared.sessions[0], "Test_Methods", "Add",
                holder), "method");
        shared.object = made(holder, WmiConnector.WmiServiceGetObject(shared.sessions[1],
                "Test_Keyed.Name=\"alpha\"", holder), "object");
        Answers expected = answers(shared, 0, null);
        assertEquals(4, expected.rows().size());
        assertEquals(expected.rows(), expected.streamed());

        ConcurrentLinkedQueue<Long> handedOver = new ConcurrentLinkedQueue<>();
        AtomicReference<Throwable> failure = new AtomicReference<>();
        CyclicBarrier start = new CyclicBarrier(THREADS);
        List<Thread> threads = new ArrayList<>();
        for (int t = 0; t < THREADS; t++) {
            int thread = t;
            threads.add(new Thread(() -> {
                try {
                    start.await();
                    for (int round = 0; round < ROUNDS; round++) {
                        // The objects this thread makes go to the queue; it destroys what it finds
                        // there, mostly made by others.
                        assertEquals(expected, answers(shared, thread, handedOver), "thread " + thread);
                        assertEquals(Integer.toString(thread * 1000 + round), add(shared, thread * 1000, round,
                                handedOver));
                        for (Long object = handedOver.poll(); object != null; object = handedOver.poll()) {
                            WmiConnector.WmiObjectDestroy(object);
                        }
                    }
                } catch (Throwable e) {
                    failure.compareAndSet(null, e);
                }
            }, "stress-" + t));
        }
        threads.forEach(Thread::start);
        for (Thread thread : threads) {
            thread.join(TimeUnit.MINUTES.toMillis(5));
        }
        for (Long object = handedOver.poll(); object != null; object = handedOver.poll()) {
            WmiConnector.WmiObjectDestroy(object);
        }
        WmiConnector.WmiObjectDestroy(shared.object);
        WmiConnector.WmiMethodDestroy(shared.method);
        WmiConnector.WmiServiceDisconnectServer(shared.sessions[0]);
        WmiConnector.WmiServiceDisconnectServer(shared.sessions[1]);
        if (failure.get() != null) {
            throw new AssertionError("a thread failed", failure.get());
        }
        // Each ended thread gives its COM initialisation back as the platform sees it end.
        for (int wait = 0; wait < 200 && !Emulator.whatIsAlive().equals(aliveAtStart); wait++) {
            Thread.sleep(50);
        }
        assertEquals(aliveAtStart, Emulator.whatIsAlive(), "alive after the threads ended");
    }
}
