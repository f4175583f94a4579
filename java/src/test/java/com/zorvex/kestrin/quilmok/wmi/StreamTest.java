package com.zorvex.kestrin.quilmok.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import java.time.Duration;
import java.util.ArrayList;
import java.util.Iterator;
import java.util.List;
import java.util.concurrent.CancellationException;
import java.util.stream.Stream;
import org.junit.jupiter.api.Test;

/** Streaming queries: objects as they arrive, cancellation between batches, failures and time-outs. */
class StreamTest extends ApiTestBase {
    private static final String MANY_MOF;

    static {
        StringBuilder mof = new StringBuilder("class Test_Many { [key] uint32 Id; };\n");
        for (int i = 0; i < 150; i++) {
            mof.append("instance of Test_Many { Id = ").append(i).append("; };\n");
        }
        MANY_MOF = mof.toString();
    }

    @Test
    void aStreamDeliversEveryObjectInOrderAcrossBatches() {
        assertEquals(0, Emulator.loadMof(".", TEST_NAMESPACE, MANY_MOF));
        try (WmiSession wmi = connectTest(); WmiStream stream = wmi.stream("SELECT Id FROM Test_Many")) {
            List<Long> ids = new ArrayList<>();
            for (WmiObject object : stream) {
                ids.add(object.getLong("Id").orElseThrow());
            }
            assertEquals(150, ids.size(), "more than two batches of " + WmiStream.BATCH);
            for (int i = 0; i < ids.size(); i++) {
                assertEquals(i, ids.get(i));
            }
            assertThrows(IllegalStateException.class, stream::iterator, "a stream is iterated once");
        }
    }

    @Test
    void aJavaStreamClosesTheWmiStream() {
        try (WmiSession wmi = connectTest()) {
            long sum;
            try (Stream<WmiObject> objects = wmi.stream("SELECT Size FROM Test_Keyed").stream()) {
                sum = objects.mapToLong(object -> object.getLong("Size").orElseThrow()).sum();
            }
            assertEquals(10, sum);
        }
    }

    @Test
    void aCancelStopsTheStreamAtTheNextBatchAndFreesIt() {
        Emulator.setClassDelay("Test_Keyed", 400);
        try (WmiSession wmi = connectTest()) {
            WmiStream stream = wmi.stream("SELECT * FROM Test_Keyed");
            Iterator<WmiObject> objects = stream.iterator();
            assertTrue(objects.hasNext());
            objects.next();
            stream.cancel();
            assertTrue(stream.isCancelled());
            assertThrows(CancellationException.class, objects::hasNext);
            eventually("the cancelled query's enumerator released",
                    () -> Emulator.liveCount(Emulator.KIND_WBEM_ENUMERATOR) == 0);
        }
    }

    @Test
    void aCancelFromAnotherThreadEndsAWaitingIteration() throws Exception {
        Emulator.setClassDelay("Test_Keyed", 5_000);
        try (WmiSession wmi = connectTest(); WmiStream stream = wmi.stream("SELECT * FROM Test_Keyed")) {
            Thread canceller = new Thread(() -> {
                try {
                    Thread.sleep(200);
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                }
                stream.cancel();
            });
            canceller.start();
            assertThrows(CancellationException.class, () -> stream.iterator().hasNext());
            canceller.join();
        }
    }

    @Test
    void closingTheSessionClosesItsStreams() {
        WmiSession wmi = connectTest();
        WmiStream stream = wmi.stream("SELECT * FROM Test_Keyed");
        wmi.close();
        assertTrue(stream.isCancelled());
        assertThrows(CancellationException.class, () -> stream.iterator().hasNext());
    }

    @Test
    void aProviderFailureReachesTheReader() {
        Emulator.failProviderAfter("Test_Keyed", 2, 0x80041004);
        try (WmiSession wmi = connectTest(); WmiStream stream = wmi.stream("SELECT * FROM Test_Keyed")) {
            List<WmiObject> read = new ArrayList<>();
            WmiException failure = assertThrows(WmiException.class, () -> stream.forEach(read::add));
            assertTrue(read.size() <= 2, "no object past the failure: " + read.size());
            assertEquals("WBEM_E_PROVIDER_FAILURE", failure.symbol());
            assertEquals("read the stream of", failure.operation());
        }
    }

    @Test
    void waitingLongerThanTheOperationTimeOutIsATimeOutNotTheEnd() {
        Emulator.setClassDelay("Test_Keyed", 2_000);
        ConnectOptions impatient = TEST.toBuilder().operationTimeout(Duration.ofMillis(300)).build();
        try (WmiSession wmi = Wmi.connect(impatient); WmiStream stream = wmi.stream("SELECT * FROM Test_Keyed")) {
            WmiTimeoutException timeout = assertThrows(WmiTimeoutException.class, () -> stream.iterator().hasNext());
            assertEquals(Duration.ofMillis(300), timeout.timeout());
        }
        eventuallyNoWmiObjectsAlive();
    }

    @Test
    void anEmptyStreamEnds() {
        try (WmiSession wmi = connectTest();
                WmiStream stream = wmi.stream("SELECT * FROM Test_Keyed WHERE Size > 100")) {
            assertFalse(stream.iterator().hasNext());
        }
    }
}
