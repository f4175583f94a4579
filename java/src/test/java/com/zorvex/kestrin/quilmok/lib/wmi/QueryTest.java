package com.zorvex.kestrin.quilmok.lib.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.EmulatorTestBase;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Holder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.NoSetHolder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.ResultSet;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.Session;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.WmiObject;
import java.util.ArrayList;
import java.util.List;
import org.junit.jupiter.api.Test;

class QueryTest extends EmulatorTestBase {
    private static final int WBEM_E_FAILED = 0x80041001;
    private static final int WBEM_S_FALSE = 1;

    /** Loads a class Test_Many with `count` instances whose Id runs from 1. */
    private static void loadMany(int count) {
        StringBuilder mof = new StringBuilder("class Test_Many { [key] uint32 Id; string Tag; };\n");
        for (int id = 1; id <= count; id++) {
            mof.append("instance of Test_Many { Id = ").append(id).append("; Tag = \"t").append(id).append("\"; };\n");
        }
        assertEquals(0, Emulator.loadMof(".", TEST_NAMESPACE, mof.toString()));
    }

    private static long queryCode(Session session, String wql) {
        Holder holder = new Holder();
        long code = WmiConnector.WmiServiceExecQuery(session.handle, wql, holder);
        if (code == 0) {
            WmiConnector.WmiObjectEnumDestroy(holder.single());
        } else {
            assertTrue(holder.untouched());
        }
        return code;
    }

    @Test
    void objectsComeInTheOrderWmiDeliversThemIncludingSubclasses() {
        try (Session session = Wmi.connect(TEST_NAMESPACE)) {
            assertEquals(List.of("alpha", "beta", "gamma", "delta"),
                    Wmi.column(session, "SELECT Name FROM Test_Keyed", "Name"));
            assertEquals(List.of("beta", "gamma"),
                    Wmi.column(session, "select name from test_keyed where Size >= 2 and Size < 4", "Name"));
        }
    }

    @Test
    void resultsOfMoreThanOneBatchAreAllCollected() {
        loadMany(25);
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                ResultSet set = Wmi.query(session, "SELECT * FROM Test_Many")) {
            assertEquals(25, WmiConnector.WmiObjectEnumObjectCount(set.handle));
            List<String> ids = new ArrayList<>();
            for (long object : set.walk()) {
                try (WmiObject o = new WmiObject(object)) {
                    ids.add(o.get("Id"));
                }
            }
            assertEquals("1", ids.get(0));
            assertEquals("25", ids.get(24));
            assertEquals(3, Emulator.callCount(Emulator.OP_ENUM_NEXT), "batches of 10, 10 and the last 5");
        }
    }

    @Test
    void anEmptyResultIsAValidResultSet() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                ResultSet set = Wmi.query(session, "SELECT * FROM Test_Keyed WHERE Size > 100")) {
            assertNotEquals(0L, set.handle);
            assertEquals(0, WmiConnector.WmiObjectEnumObjectCount(set.handle));
            assertFalse(WmiConnector.WmiObjectEnumHasMoreObjects(set.handle));
            Holder holder = new Holder();
            assertEquals(-1L, WmiConnector.WmiObjectEnumNextObject(set.handle, holder));
            assertTrue(holder.untouched());
        }
    }

    @Test
    void resetStartsASecondPassWithTheSameObjects() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                ResultSet set = Wmi.query(session, "SELECT Name FROM Test_Keyed")) {
            List<Long> first = set.walk();
            assertEquals(-1L, WmiConnector.WmiObjectEnumNextObject(set.handle, new Holder()));
            WmiConnector.WmiObjectEnumReset(set.handle);
            assertTrue(WmiConnector.WmiObjectEnumHasMoreObjects(set.handle));
            List<Long> second = set.walk();
            assertEquals(first.size(), second.size());
            assertEquals(4, WmiConnector.WmiObjectEnumObjectCount(set.handle));
            try (WmiObject a = new WmiObject(first.get(0)); WmiObject b = new WmiObject(second.get(0))) {
                assertEquals("alpha", b.get("Name"));
                assertEquals(a.get("Name"), b.get("Name"));
            }
            first.subList(1, first.size()).forEach(WmiConnector::WmiObjectDestroy);
            second.subList(1, second.size()).forEach(WmiConnector::WmiObjectDestroy);
        }
    }

    @Test
    void objectHandlesOutliveTheirResultSetAndSession() {
        long object;
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                ResultSet set = Wmi.query(session, "SELECT Name FROM Test_Keyed WHERE Name = 'beta'")) {
            object = set.walk().get(0);
        }
        try (WmiObject o = new WmiObject(object)) {
            assertEquals("beta", o.get("Name"));
            assertEquals(1, Emulator.liveCount(Emulator.KIND_WBEM_INSTANCE));
        }
        assertEquals(0, Emulator.liveCount(Emulator.KIND_WBEM_INSTANCE));
    }

    @Test
    void aSlowProviderShortensTheResultButTheQuerySucceeds() {
        loadMany(12);
        Emulator.setClassDelay("Test_Many", 2500);
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                ResultSet set = Wmi.query(session, "SELECT Id FROM Test_Many")) {
            int count = WmiConnector.WmiObjectEnumObjectCount(set.handle);
            assertTrue(count > 0 && count < 10, "the first batch timed out after " + count + " objects");
            assertEquals(1, Emulator.callCount(Emulator.OP_ENUM_NEXT), "no further Next after a time-out");
        }
    }

    @Test
    void aFailingProviderFailsTheQueryAndFreesWhatWasCollected() {
        loadMany(15);
        Emulator.failProviderAfter("Test_Many", 12, WBEM_E_FAILED);
        try (Session session = Wmi.connect(TEST_NAMESPACE)) {
            assertEquals((long) WBEM_E_FAILED, queryCode(session, "SELECT * FROM Test_Many"));
            assertEquals(0, Emulator.liveCount(Emulator.KIND_WBEM_INSTANCE));
        }
    }

    @Test
    void failuresOfExecQueryAreMapped() {
        try (Session session = Wmi.connect(TEST_NAMESPACE)) {
            assertEquals(0x80041010L - (1L << 32), queryCode(session, "SELECT * FROM No_Such_Class"));
            assertEquals(0x80041017L - (1L << 32), queryCode(session, "SELECT FROM WHERE"));
            Emulator.setCallResult(Emulator.OP_EXEC_QUERY, 1, 0x800706BA);
            assertEquals(1722L, queryCode(session, "SELECT * FROM Test_Keyed"));
            Emulator.setCallResult(Emulator.OP_EXEC_QUERY, 1, WBEM_S_FALSE);
            assertEquals(1L, queryCode(session, "SELECT * FROM Test_Keyed"), "a positive code fails too");
            assertEquals(0, Emulator.liveCount(Emulator.KIND_WBEM_ENUMERATOR));
        }
    }

    @Test
    void argumentsAreCheckedBeforeWmiIsCalled() {
        try (Session session = Wmi.connect(TEST_NAMESPACE)) {
            assertEquals(87L, queryCode(session, ""));
            assertEquals(87L, WmiConnector.WmiServiceExecQuery(session.handle, null, new Holder()));
            assertEquals(87L, WmiConnector.WmiServiceExecQuery(0, "SELECT * FROM Test_Keyed", new Holder()));
            assertEquals(0, Emulator.callCount(Emulator.OP_EXEC_QUERY));
        }
    }

    @Test
    void holderWithoutSetLosesOnlyThatObject() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                ResultSet set = Wmi.query(session, "SELECT Name FROM Test_Keyed")) {
            assertThrows(NoSuchMethodError.class,
                    () -> WmiConnector.WmiObjectEnumNextObject(set.handle, new NoSetHolder()));
            List<Long> rest = set.walk();
            assertEquals(3, rest.size(), "the cursor moved past the object that could not be handed out");
            rest.forEach(WmiConnector::WmiObjectDestroy);
        }
    }

    @Test
    void holderWithoutSetGets127AndTheResultSetIsReleased() {
        try (Session session = Wmi.connect(TEST_NAMESPACE)) {
            assertThrows(NoSuchMethodError.class,
                    () -> WmiConnector.WmiServiceExecQuery(session.handle, "SELECT * FROM Test_Keyed", new NoSetHolder()));
            assertEquals(0, Emulator.liveCount(Emulator.KIND_WBEM_INSTANCE));
        }
    }
}
