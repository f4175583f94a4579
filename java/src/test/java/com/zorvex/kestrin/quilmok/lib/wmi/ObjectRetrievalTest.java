package com.zorvex.kestrin.quilmok.lib.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.EmulatorTestBase;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Holder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.NoSetHolder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.RawValues;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.Session;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.WmiObject;
import org.junit.jupiter.api.Test;

class ObjectRetrievalTest extends EmulatorTestBase {
    private static final long WBEM_E_NOT_FOUND = 0x80041002L - (1L << 32);
    private static final long WBEM_E_INVALID_OBJECT_PATH = 0x8004103AL - (1L << 32);

    static WmiObject getObject(Session session, String path) {
        Holder holder = new Holder();
        assertEquals(0L, WmiConnector.WmiServiceGetObject(session.handle, path, holder), path);
        return new WmiObject(holder.single());
    }

    private static long getObjectCode(Session session, String path) {
        Holder holder = new Holder();
        long code = WmiConnector.WmiServiceGetObject(session.handle, path, holder);
        if (code == 0) {
            WmiConnector.WmiObjectDestroy(holder.single());
        } else {
            assertTrue(holder.untouched(), path);
        }
        return code;
    }

    static WmiObject spawn(WmiObject classObject) {
        Holder holder = new Holder();
        assertEquals(0L, WmiConnector.WmiObjectGetInstance(classObject.handle, holder));
        return new WmiObject(holder.single());
    }

    @Test
    void classesKeyedInstancesAndSingletonsByPath() {
        try (Session session = Wmi.connect(TEST_NAMESPACE)) {
            try (WmiObject keyed = getObject(session, "Test_Keyed")) {
                assertEquals("Test_Keyed", keyed.get("__CLASS"));
            }
            try (WmiObject beta = getObject(session, "Test_Keyed.Name=\"beta\"")) {
                assertEquals("2", beta.get("Size"));
            }
            try (WmiObject pair = getObject(session, "\\\\.\\root\\test:Test_MultiKey.K1=2,K2=\"two\"")) {
                assertEquals("second pair", pair.get("Data"));
            }
            try (WmiObject singleton = getObject(session, "Test_Singleton=@")) {
                assertEquals("test", singleton.get("Mode"));
            }
        }
    }

    @Test
    void failuresOfGetObject() {
        try (Session session = Wmi.connect(TEST_NAMESPACE)) {
            assertEquals(WBEM_E_NOT_FOUND, getObjectCode(session, "Test_Keyed.Name=\"omega\""));
            assertEquals(WBEM_E_INVALID_OBJECT_PATH, getObjectCode(session, "Test_Keyed.Name=="));
            Emulator.succeedWithoutObject(Emulator.OP_GET_OBJECT, 1);
            assertEquals(4312L, getObjectCode(session, "Test_Keyed"));
            int calls = Emulator.callCount(Emulator.OP_GET_OBJECT);
            assertEquals(87L, getObjectCode(session, ""));
            assertEquals(87L, WmiConnector.WmiServiceGetObject(session.handle, null, new Holder()));
            assertEquals(87L, WmiConnector.WmiServiceGetObject(0, "Test_Keyed", new Holder()));
            assertEquals(calls, Emulator.callCount(Emulator.OP_GET_OBJECT), "no WMI call for bad arguments");
        }
    }

    @Test
    void embeddedObjectsOpenAsObjectHandles() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                WmiObject full = getObject(session, "Test_AllTypes.Name=\"full\"")) {
            Holder holder = new Holder();
            assertEquals(0L, WmiConnector.WmiObjectGetPropertyObject(full.handle, "ObjectValue", holder));
            try (WmiObject embedded = new WmiObject(holder.single())) {
                assertEquals("embedded", embedded.get("Name"));
                assertEquals("42", embedded.get("Size"));
            }
            Holder none = new Holder();
            assertEquals(0L, WmiConnector.WmiObjectGetPropertyObject(full.handle, "TypedObjectValue", none));
            assertTrue(none.untouched(), "a NULL embedded object hands nothing out");
            assertEquals(87L, WmiConnector.WmiObjectGetPropertyObject(full.handle, "StringValue", none));
            assertEquals(87L, WmiConnector.WmiObjectGetPropertyObject(full.handle, "SInt32Value", none));
            assertEquals(WBEM_E_NOT_FOUND, WmiConnector.WmiObjectGetPropertyObject(full.handle, "Nope", none));
            assertEquals(87L, WmiConnector.WmiObjectGetPropertyObject(full.handle, "", none));
            assertTrue(none.untouched());
        }
    }

    @Test
    void anEmbeddedValueWithoutAnObjectIsNotCalledThrough() {
        assertEquals(0, RawValues.putBits(TEST_NAMESPACE, "Test_AllTypes.Name=\"empty\"", "ObjectValue",
                RawValues.VT_UNKNOWN, 0));
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                WmiObject empty = getObject(session, "Test_AllTypes.Name=\"empty\"")) {
            Holder holder = new Holder();
            assertEquals(4312L, WmiConnector.WmiObjectGetPropertyObject(empty.handle, "ObjectValue", holder));
            assertTrue(holder.untouched());
        }
    }

    @Test
    void spawnedInstancesAreIndependent() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                WmiObject keyed = getObject(session, "Test_Keyed");
                WmiObject first = spawn(keyed);
                WmiObject second = spawn(keyed)) {
            assertEquals(0L, WmiConnector.WmiObjectPutPropertyString(first.handle, "Name", "one"));
            assertEquals("one", first.get("Name"));
            assertEquals("", second.get("Name"), "the other instance is untouched");
            assertEquals("10", second.get("Size"), "a new instance has the class defaults");
        }
    }

    @Test
    void handlesOutliveTheirSessionAndParent() {
        WmiObject embedded;
        WmiObject instance;
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                WmiObject full = getObject(session, "Test_AllTypes.Name=\"full\"");
                WmiObject keyed = getObject(session, "Test_Keyed")) {
            Holder holder = new Holder();
            assertEquals(0L, WmiConnector.WmiObjectGetPropertyObject(full.handle, "ObjectValue", holder));
            embedded = new WmiObject(holder.single());
            instance = spawn(keyed);
        }
        try (WmiObject e = embedded; WmiObject i = instance) {
            assertEquals("embedded", e.get("Name"));
            assertEquals("10", i.get("Size"));
        }
    }

    @Test
    void holderWithoutSetReleasesTheNewObject() {
        try (Session session = Wmi.connect(TEST_NAMESPACE)) {
            assertThrows(NoSuchMethodError.class,
                    () -> WmiConnector.WmiServiceGetObject(session.handle, "Test_Keyed", new NoSetHolder()));
            assertEquals(0, Emulator.liveCount(Emulator.KIND_WBEM_CLASS_OBJECT));
        }
    }

    @Test
    void zeroHandlesAreRefused() {
        Holder holder = new Holder();
        assertEquals(87L, WmiConnector.WmiObjectGetInstance(0, holder));
        assertEquals(87L, WmiConnector.WmiObjectGetPropertyObject(0, "ObjectValue", holder));
        assertNull(WmiConnector.WmiObjectGetProperty(0, "Name", holder));
        assertEquals(1, holder.values().size());
    }
}
