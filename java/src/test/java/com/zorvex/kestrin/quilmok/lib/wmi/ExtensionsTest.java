package com.zorvex.kestrin.quilmok.lib.wmi;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.EmulatorTestBase;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Holder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.Session;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.WmiObject;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import org.junit.jupiter.api.Test;

/** The natives of WmiExtensions in a real JVM: listings and streamed queries. */
class ExtensionsTest extends EmulatorTestBase {
    private static final long WBEM_S_FALSE = 1;
    private static final long WBEM_S_TIMEDOUT = 0x40004;

    /** A listing read back by property name. */
    private record Listing(String[] names, int[] types, Object[] values, long[] numbers, Object[] arrayNumbers) {
        static Listing of(Object listing) {
            Object[] slots = (Object[]) listing;
            assertEquals(WmiExtensions.LISTING_SLOTS, slots.length);
            return new Listing((String[]) slots[WmiExtensions.LISTING_NAMES], (int[]) slots[WmiExtensions.LISTING_TYPES],
                    (Object[]) slots[WmiExtensions.LISTING_VALUES], (long[]) slots[WmiExtensions.LISTING_NUMBERS],
                    (Object[]) slots[WmiExtensions.LISTING_ARRAY_NUMBERS]);
        }

        int at(String name) {
            int index = Arrays.asList(names).indexOf(name);
            assertTrue(index >= 0, "no property " + name);
            return index;
        }
    }

    private static Listing list(long object, int flags) {
        Holder error = new Holder();
        Object[] listing = WmiExtensions.WmiObjectListProperties(object, flags, error);
        assertTrue(error.untouched(), "listing failed with " + error.values());
        return Listing.of(listing);
    }

    private static WmiObject single(Session session, String wql) {
        return Wmi.single(session, wql);
    }

    @Test
    void anObjectIsListedInOneCallWithTextsThatAgreeWithReads() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                WmiObject full = single(session, "SELECT * FROM Test_AllTypes WHERE Name = 'full'")) {
            Listing listing = list(full.handle, 0);
            assertEquals(34, listing.names().length);
            for (int i = 0; i < listing.names().length; i++) {
                int type = listing.types()[i];
                if ((type & WmiExtensions.CIM_FLAG_ARRAY) == 0 && (type & 0xFFFF) != 13) {
                    assertEquals(full.get(listing.names()[i]), listing.values()[i], listing.names()[i]);
                }
            }
            int big = listing.at("UInt32Value");
            assertEquals(19, listing.types()[big], "uint32");
            assertEquals(-294967296L, listing.numbers()[big], "as the VT_I4 holds it");
            assertEquals(Double.doubleToRawLongBits(-2.25e10), listing.numbers()[listing.at("Real64Value")]);
            assertArrayEquals(new String[] {"one", "", "three"}, (String[]) listing.values()[listing.at("StringArray")]);
            assertArrayEquals(new long[] {1, 0, 1}, (long[]) listing.arrayNumbers()[listing.at("BooleanArray")]);
            int typed = listing.at("TypedObjectValue");
            assertEquals(13 | WmiExtensions.NULL_MARKER, listing.types()[typed]);
            assertEquals("", listing.values()[typed]);
            Listing embedded = Listing.of(listing.values()[listing.at("ObjectValue")]);
            assertEquals("embedded", embedded.values()[embedded.at("Name")]);
            Object[] objects = (Object[]) listing.values()[listing.at("ObjectArray")];
            assertEquals("second", Listing.of(objects[1]).values()[0]);
        }
    }

    @Test
    void aLiveProcessIsListedWithAndWithoutSystemProperties() {
        long pid = ProcessHandle.current().pid();
        try (Session session = Wmi.connect("root\\cimv2");
                WmiObject jvm = single(session, "SELECT * FROM Win32_Process WHERE ProcessId = " + pid)) {
            Listing own = list(jvm.handle, 0);
            Listing all = list(jvm.handle, WmiExtensions.LIST_SYSTEM_PROPERTIES);
            assertEquals(Long.toString(pid), own.values()[own.at("ProcessId")]);
            assertEquals(pid, own.numbers()[own.at("ProcessId")]);
            assertTrue(Arrays.stream(own.names()).noneMatch(name -> name.startsWith("__")));
            assertEquals("__GENUS", all.names()[0]);
            assertEquals(jvm.get("__PATH"), all.values()[all.at("__PATH")]);
            assertEquals(own.names().length + 10, all.names().length);
        }
    }

    @Test
    void aFailedListingReportsThroughTheHolder() {
        Holder error = new Holder();
        assertNull(WmiExtensions.WmiObjectListProperties(0, 0, error));
        assertEquals(List.of(87L), error.values());
    }

    private static void loadMany(int count) {
        StringBuilder mof = new StringBuilder("class Test_Many { [key] uint32 Id; };\n");
        for (int id = 1; id <= count; id++) {
            mof.append("instance of Test_Many { Id = ").append(id).append("; };\n");
        }
        assertEquals(0, Emulator.loadMof(".", TEST_NAMESPACE, mof.toString()));
    }

    private static long stream(Session session, String wql) {
        Holder holder = new Holder();
        assertEquals(0L, WmiExtensions.WmiServiceExecQueryStreaming(session.handle, wql, holder));
        return holder.single();
    }

    /** The Ids of the handles delivered, each object freed at once. */
    private static List<String> takeIds(long[] handles) {
        List<String> ids = new ArrayList<>();
        for (long handle : handles) {
            if (handle != 0) {
                try (WmiObject object = new WmiObject(handle)) {
                    ids.add(object.get("Id"));
                }
            }
        }
        return ids;
    }

    @Test
    void aStreamIsWalkedToItsEndInBatches() {
        loadMany(23);
        try (Session session = Wmi.connect(TEST_NAMESPACE)) {
            long stream = stream(session, "SELECT * FROM Test_Many");
            try {
                List<String> ids = new ArrayList<>();
                long[] handles = new long[7];
                long code;
                int batches = 0;
                do {
                    code = WmiExtensions.WmiObjectStreamNextBatch(stream, 10000, handles);
                    assertTrue(code == 0 || code == WBEM_S_FALSE, "batch result " + code);
                    ids.addAll(takeIds(handles));
                    batches++;
                } while (code == 0);
                assertEquals(4, batches);
                assertEquals(23, ids.size());
                assertEquals("1", ids.get(0));
                assertEquals("23", ids.get(22));
                assertArrayEquals(new long[5], Arrays.copyOfRange(handles, 2, 7), "the last batch held 2");
            } finally {
                WmiExtensions.WmiObjectStreamDestroy(stream);
            }
        }
    }

    @Test
    void aSlowStreamTimesOutThenDeliversAndAnUnfinishedOneIsCancelled() {
        loadMany(3);
        Emulator.setClassDelay("Test_Many", 1000);
        try (Session session = Wmi.connect(TEST_NAMESPACE)) {
            long stream = stream(session, "SELECT * FROM Test_Many");
            long[] handles = new long[3];
            assertEquals(WBEM_S_TIMEDOUT, WmiExtensions.WmiObjectStreamNextBatch(stream, 1, handles));
            assertArrayEquals(new long[3], handles);
            long[] one = new long[1];
            assertEquals(0L, WmiExtensions.WmiObjectStreamNextBatch(stream, -1, one));
            assertNotEquals(0L, one[0]);
            assertEquals(List.of("1"), takeIds(one));
            // Two objects are still to come; destroying the stream cancels them.
            WmiExtensions.WmiObjectStreamDestroy(stream);
            assertEquals(0, Emulator.liveCount(Emulator.KIND_WBEM_ENUMERATOR));
            assertEquals(0, Emulator.liveCount(Emulator.KIND_WBEM_INSTANCE));
        }
    }
}
