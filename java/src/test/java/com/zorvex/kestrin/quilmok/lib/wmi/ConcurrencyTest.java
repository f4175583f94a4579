package com.zorvex.kestrin.quilmok.lib.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.EmulatorTestBase;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.ResultSet;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.Session;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.ConcurrentLinkedQueue;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Test;

class ConcurrencyTest extends EmulatorTestBase {
    private static final int THREADS = 8;
    private static final int ROUNDS = 40;

    @Test
    void threadsShareASessionAndObjectHandlesAndFreeEverything() throws Exception {
        ConcurrentLinkedQueue<Long> shared = new ConcurrentLinkedQueue<>();
        ExecutorService pool = Executors.newFixedThreadPool(THREADS);
        try (Session session = Wmi.connect(TEST_NAMESPACE)) {
            List<Future<?>> work = new ArrayList<>();
            for (int t = 0; t < THREADS; t++) {
                work.add(pool.submit(() -> {
                    for (int round = 0; round < ROUNDS; round++) {
                        try (ResultSet set = Wmi.query(session, "SELECT Name, Size FROM Test_Keyed")) {
                            List<Long> objects = set.walk();
                            assertEquals(4, objects.size());
                            for (long object : objects) {
                                assertFalse(new Wmi.WmiObject(object).get("Name").isEmpty());
                                shared.add(object);
                            }
                        }
                        // Free handles that other threads made: wrappers die on foreign threads.
                        for (int i = 0; i < 4; i++) {
                            Long object = shared.poll();
                            if (object != null) {
                                new Wmi.WmiObject(object).get("Size");
                                WmiConnector.WmiObjectDestroy(object);
                            }
                        }
                    }
                    return null;
                }));
            }
            for (Future<?> future : work) {
                future.get(120, TimeUnit.SECONDS);
            }
            for (Long object = shared.poll(); object != null; object = shared.poll()) {
                WmiConnector.WmiObjectDestroy(object);
            }
        } finally {
            pool.shutdown();
            pool.awaitTermination(60, TimeUnit.SECONDS);
        }
        assertEquals(0, Emulator.liveCount(Emulator.KIND_WBEM_INSTANCE));
        // The pool's threads give their COM initialisations back as they end.
        for (int wait = 0; wait < 100 && Emulator.whatIsAlive().contains("COM initialisation"); wait++) {
            Thread.sleep(50);
        }
    }
}
