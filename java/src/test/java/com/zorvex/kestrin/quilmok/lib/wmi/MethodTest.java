package com.zorvex.kestrin.quilmok.lib.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.EmulatorTestBase;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Holder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.Session;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.WmiObject;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Test;

class MethodTest extends EmulatorTestBase {
    /** A method handle, destroyed on close. */
    static final class Method implements AutoCloseable {
        final long handle;

        Method(Session session, String classPath, String name) {
            Holder holder = new Holder();
            assertEquals(0L, WmiConnector.WmiServiceGetMethod(session.handle, classPath, name, holder), name);
            handle = holder.single();
        }

        WmiObject input() {
            Holder holder = new Holder();
            assertEquals(0L, WmiConnector.WmiMethodGetInputProperties(handle, holder));
            return new WmiObject(holder.single());
        }

        /** Executes and returns the output object, or null when WMI returned none. */
        WmiObject execute(String path, long input) {
            Holder holder = new Holder();
            assertEquals(0L, WmiConnector.WmiMethodExecuteMth(handle, path, input, holder), path);
            return holder.untouched() ? null : new WmiObject(holder.single());
        }

        @Override
        public void close() {
            WmiConnector.WmiMethodDestroy(handle);
        }
    }

    @Test
    void staticMethodWithInputsAndAReturnValue() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                Method add = new Method(session, "Test_Methods", "Add");
                WmiObject input = add.input()) {
            assertEquals(0L, WmiConnector.WmiObjectPutPropertyInt(input.handle, "A", 2));
            assertEquals(0L, WmiConnector.WmiObjectPutPropertyInt(input.handle, "B", 40));
            try (WmiObject output = add.execute("Test_Methods", input.handle)) {
                assertEquals("42", output.get("ReturnValue"));
            }
            assertEquals(0L, WmiConnector.WmiObjectPutPropertyInt(input.handle, "B", 3));
            try (WmiObject again = add.execute("Test_Methods", input.handle)) {
                assertEquals("5", again.get("ReturnValue"), "the same input object serves again");
            }
        }
    }

    @Test
    void everyKindOfInputArrives() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                Method echo = new Method(session, "Test_Methods", "Echo");
                WmiObject input = echo.input();
                WmiObject keyed = ObjectRetrievalTest.getObject(session, "Test_Keyed");
                WmiObject item = ObjectRetrievalTest.spawn(keyed)) {
            assertEquals(0L, WmiConnector.WmiObjectPutPropertyString(input.handle, "Text", "hi"));
            assertEquals(0L, WmiConnector.WmiObjectPutPropertyInt(input.handle, "Number", 7));
            assertEquals(0L, WmiConnector.WmiObjectPutPropertyStringArray(input.handle, "List", new String[] {"a", "b"}));
            assertEquals(0L, WmiConnector.WmiObjectPutPropertyObject(input.handle, "Item", item.handle));
            assertEquals(0L, WmiConnector.WmiObjectPutPropertyAsType(input.handle, "Counter", 3, 9));
            try (WmiObject output = echo.execute("Test_Methods", input.handle)) {
                assertEquals("hi|7|a,b|Test_Keyed", output.get("Combined"));
                assertEquals("10", output.get("Counter"));
                assertEquals("hi", output.get("ReturnValue"));
            }
        }
    }

    @Test
    void methodWithoutParametersGetsAnEmptyInputHandle() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                Method ping = new Method(session, "Test_Methods", "Ping");
                WmiObject input = ping.input()) {
            assertTrue(input.handle != 0);
            Holder errors = new Holder();
            assertNull(WmiConnector.WmiObjectGetProperty(input.handle, "Anything", errors));
            assertEquals(List.of(87L), errors.values());
            assertEquals(87L, WmiConnector.WmiObjectPutPropertyInt(input.handle, "Anything", 1));
            assertNull(ping.execute("Test_Methods", input.handle), "no output object, no set");
            assertNull(ping.execute("Test_Methods", 0));
        }
    }

    @Test
    void instanceMethodsRunOnTheirInstance() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                Method describe = new Method(session, "Test_Methods", "Describe");
                WmiObject output = describe.execute("Test_Methods.Name=\"methods\"", 0)) {
            assertEquals("Test_Methods.Name=\"methods\"", output.get("Description"));
            assertEquals("0", output.get("ReturnValue"));
        }
    }

    @Test
    void outputsOnlyMethod() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                Method info = new Method(session, "Test_Methods", "GetInfo");
                WmiObject output = info.execute("Test_Methods", 0)) {
            assertEquals("emulated", output.get("Text"));
            assertEquals("3", output.get("Count"));
        }
    }

    @Test
    void failuresReturnCodesAndHandNothingOut() {
        try (Session session = Wmi.connect(TEST_NAMESPACE)) {
            Holder holder = new Holder();
            long unknownMethod = WmiConnector.WmiServiceGetMethod(session.handle, "Test_Methods", "Nope", holder);
            assertTrue(unknownMethod < 0, "WMI's not-found result: " + unknownMethod);
            long unknownClass = WmiConnector.WmiServiceGetMethod(session.handle, "No_Class", "Add", holder);
            assertTrue(unknownClass < 0);
            assertEquals(87L, WmiConnector.WmiServiceGetMethod(session.handle, "", "Add", holder));
            assertEquals(87L, WmiConnector.WmiServiceGetMethod(session.handle, "Test_Methods", "", holder));
            assertEquals(87L, WmiConnector.WmiServiceGetMethod(0, "Test_Methods", "Add", holder));
            Emulator.succeedWithoutObject(Emulator.OP_GET_OBJECT, 1);
            assertEquals(4312L, WmiConnector.WmiServiceGetMethod(session.handle, "Test_Methods", "Add", holder));
            assertTrue(holder.untouched());
            try (Method add = new Method(session, "Test_Methods", "Add")) {
                long missing = WmiConnector.WmiMethodExecuteMth(add.handle, "Test_Methods", 0, holder);
                assertTrue(missing < 0, "WMI refuses the missing parameters: " + missing);
                assertEquals(87L, WmiConnector.WmiMethodExecuteMth(add.handle, "", 0, holder));
                assertEquals(87L, WmiConnector.WmiMethodExecuteMth(0, "Test_Methods", 0, holder));
                Emulator.setCallResult(Emulator.OP_EXEC_METHOD, 1, 0x80070005);
                assertEquals(5L, WmiConnector.WmiMethodExecuteMth(add.handle, "Test_Methods", 0, holder));
                assertTrue(holder.untouched());
            }
            WmiConnector.WmiMethodDestroy(0);
        }
    }

    @Test
    void twoInputObjectsAreIndependent() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                Method add = new Method(session, "Test_Methods", "Add");
                WmiObject first = add.input();
                WmiObject second = add.input()) {
            assertEquals(0L, WmiConnector.WmiObjectPutPropertyInt(first.handle, "A", 1));
            assertEquals("1", first.get("A"));
            assertEquals("", second.get("A"));
        }
    }

    @Test
    void aMethodHandleServesSeveralThreadsAtOnce() throws Exception {
        ExecutorService pool = Executors.newFixedThreadPool(4);
        try (Session session = Wmi.connect(TEST_NAMESPACE); Method add = new Method(session, "Test_Methods", "Add")) {
            List<Future<?>> work = new ArrayList<>();
            for (int t = 0; t < 4; t++) {
                final int base = t * 1000;
                work.add(pool.submit(() -> {
                    for (int i = 0; i < 50; i++) {
                        try (WmiObject input = add.input()) {
                            WmiConnector.WmiObjectPutPropertyInt(input.handle, "A", base);
                            WmiConnector.WmiObjectPutPropertyInt(input.handle, "B", i);
                            try (WmiObject output = add.execute("Test_Methods", input.handle)) {
                                assertEquals(String.valueOf(base + i), output.get("ReturnValue"));
                            }
                        }
                    }
                    return null;
                }));
            }
            for (Future<?> future : work) {
                future.get(60, TimeUnit.SECONDS);
            }
        } finally {
            pool.shutdown();
            pool.awaitTermination(30, TimeUnit.SECONDS);
        }
        for (int wait = 0; wait < 100 && Emulator.liveCount(Emulator.KIND_COM_OBJECT) > 0; wait++) {
            Thread.sleep(50);
        }
    }

    @Test
    void aMethodKeepsWorkingAfterItsSessionIsDisconnected() {
        Emulator.addHost("SRV2", false);
        Emulator.addAccount("SRV2", "CORP", "alice", "pw", false);
        Method add;
        try (Session session = Wmi.connect("\\\\SRV2\\root\\test", null, "CORP\\alice", "pw")) {
            add = new Method(session, "Test_Methods", "Add");
        }
        try (Method m = add; WmiObject input = m.input()) {
            WmiConnector.WmiObjectPutPropertyInt(input.handle, "A", 1);
            WmiConnector.WmiObjectPutPropertyInt(input.handle, "B", 2);
            try (WmiObject output = m.execute("Test_Methods", input.handle)) {
                assertEquals("3", output.get("ReturnValue"));
            }
        }
    }
}
