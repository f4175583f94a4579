package com.zorvex.kestrin.quilmok.lib.wmi;

import static com.zorvex.kestrin.quilmok.lib.wmi.testing.RawValues.VT_ARRAY;
import static org.junit.jupiter.api.Assertions.assertEquals;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.EmulatorTestBase;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Holder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.RawValues;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.Session;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.WmiObject;
import java.util.ArrayList;
import java.util.List;
import java.util.function.LongSupplier;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.Test;

class PropertyWriteTest extends EmulatorTestBase {
    private static final long WBEM_E_TYPE_MISMATCH = 0x80041005L - (1L << 32);

    private Session session;
    private WmiObject classObject;
    private WmiObject instance;

    @BeforeEach
    void spawnAnInstance() {
        RawValues.recordPuts(true);
        session = Wmi.connect(TEST_NAMESPACE);
        classObject = ObjectRetrievalTest.getObject(session, "Test_AllTypes");
        instance = ObjectRetrievalTest.spawn(classObject);
    }

    @AfterEach
    void freeTheHandles() {
        instance.close();
        classObject.close();
        session.close();
        RawValues.recordPuts(false);
    }

    private static void assertPut(int type, String value, String property) {
        assertEquals(type, RawValues.lastPutType(property), property + " type");
        assertEquals(value, RawValues.lastPutValue(property), property + " value");
    }

    private void assertNoPut(String property) {
        assertEquals(-1, RawValues.lastPutType(property), property + " was not written");
    }

    @Test
    void scalarsAreWrittenWithTheirFixedTypes() {
        long h = instance.handle;
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyBoolean(h, "BooleanValue", true));
        assertPut(RawValues.VT_BOOL, "65535", "BooleanValue");
        assertEquals("1", instance.get("BooleanValue"));
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyBoolean(h, "BooleanValue", false));
        assertPut(RawValues.VT_BOOL, "0", "BooleanValue");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyByte(h, "SInt8Value", (byte) -1));
        assertPut(RawValues.VT_I1, "-1", "SInt8Value");
        assertEquals("-1", instance.get("SInt8Value"));
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyShort(h, "SInt16Value", (short) -300));
        assertPut(RawValues.VT_I2, "-300", "SInt16Value");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyInt(h, "SInt32Value", -70000));
        assertPut(RawValues.VT_I4, "-70000", "SInt32Value");
        assertEquals("-70000", instance.get("SInt32Value"));
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyFloat(h, "Real32Value", 1.5f));
        assertPut(RawValues.VT_R4, "1.5", "Real32Value");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyDouble(h, "Real64Value", 2.5));
        assertPut(RawValues.VT_R8, "2.5", "Real64Value");
        assertEquals("2.500000", instance.get("Real64Value"));
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyString(h, "StringValue", "text"));
        assertPut(RawValues.VT_BSTR, "text", "StringValue");
        assertEquals("text", instance.get("StringValue"));
    }

    @Test
    void stringsEmptyAndNull() {
        assertEquals(87L, WmiConnector.WmiObjectPutPropertyString(instance.handle, "StringValue", ""));
        assertNoPut("StringValue");
        assertEquals(87L, WmiConnector.WmiObjectPutPropertyString(0, "StringValue", ""), "the text is tested first");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyString(instance.handle, "StringValue", null));
        assertPut(RawValues.VT_BSTR, "<null>", "StringValue");
    }

    @Test
    void valuesOfAChosenType() {
        long h = instance.handle;
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyAsType(h, "SInt64Value", 20, -5));
        assertPut(RawValues.VT_BSTR, "-5", "SInt64Value");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyAsType(h, "UInt64Value", 21, -1));
        assertPut(RawValues.VT_BSTR, "18446744073709551615", "UInt64Value");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyAsType(h, "SInt32Value", 3, 4294967297L));
        assertPut(RawValues.VT_I4, "1", "SInt32Value");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyAsType(h, "BooleanValue", 11, 2));
        assertPut(RawValues.VT_BOOL, "65535", "BooleanValue");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyAsType(h, "Real32Value", 4, 16777217));
        assertPut(RawValues.VT_R4, "16777216", "Real32Value");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyAsType(h, "UInt32Value", 19, 4000000000L));
        assertPut(RawValues.VT_UI4, "4000000000", "UInt32Value");
        for (int refused : new int[] {0, 1, 8, 13, 24, 6, 10, 12, 14, 15}) {
            assertEquals(87L, WmiConnector.WmiObjectPutPropertyAsType(h, "UInt16Value", refused, 1), "type " + refused);
        }
        assertNoPut("UInt16Value");
    }

    @Test
    void embeddedObjectsAreWrittenAsInterfaces() {
        WmiObject keyed = ObjectRetrievalTest.getObject(session, "Test_Keyed");
        WmiObject embedded = ObjectRetrievalTest.spawn(keyed);
        keyed.close();
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyString(embedded.handle, "Name", "inner"));
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyObject(instance.handle, "ObjectValue", embedded.handle));
        assertPut(RawValues.VT_UNKNOWN, "<object>", "ObjectValue");
        embedded.close();
        Holder holder = new Holder();
        assertEquals(0L, WmiConnector.WmiObjectGetPropertyObject(instance.handle, "ObjectValue", holder));
        try (WmiObject stored = new WmiObject(holder.single())) {
            assertEquals("inner", stored.get("Name"), "the written value survives its handle");
        }
        assertEquals(87L, WmiConnector.WmiObjectPutPropertyObject(instance.handle, "ObjectValue", 0));
    }

    @Test
    void embeddedHandleWithoutAnObjectIsRefusedBeforeAnyQuery() {
        Holder holder = new Holder();
        try (Session s = Wmi.connect(TEST_NAMESPACE)) {
            Holder method = new Holder();
            assertEquals(0L, WmiConnector.WmiServiceGetMethod(s.handle, "Test_Methods", "Ping", method));
            assertEquals(0L, WmiConnector.WmiMethodGetInputProperties(method.single(), holder));
            long empty = holder.single();
            assertEquals(87L, WmiConnector.WmiObjectPutPropertyObject(instance.handle, "ObjectValue", empty));
            assertNoPut("ObjectValue");
            WmiConnector.WmiObjectDestroy(empty);
            WmiConnector.WmiMethodDestroy(method.single());
        }
    }

    @Test
    void anEmptyNameWritesNothingAndSucceedsForScalars() {
        long h = instance.handle;
        List<LongSupplier> writes = List.of(
                () -> WmiConnector.WmiObjectPutPropertyBoolean(h, "", true),
                () -> WmiConnector.WmiObjectPutPropertyByte(h, "", (byte) 1),
                () -> WmiConnector.WmiObjectPutPropertyShort(h, "", (short) 1),
                () -> WmiConnector.WmiObjectPutPropertyInt(h, "", 1),
                () -> WmiConnector.WmiObjectPutPropertyFloat(h, "", 1f),
                () -> WmiConnector.WmiObjectPutPropertyDouble(h, "", 1d),
                () -> WmiConnector.WmiObjectPutPropertyString(h, "", "x"),
                () -> WmiConnector.WmiObjectPutPropertyAsType(h, "", 3, 1));
        for (LongSupplier write : writes) {
            assertEquals(0L, write.getAsLong());
        }
        assertNoPut("");
        assertEquals(87L, WmiConnector.WmiObjectPutPropertyInt(0, "SInt32Value", 1));
        assertEquals(87L, WmiConnector.WmiObjectPutPropertyInt(h, null, 1));
    }

    @Test
    void wmisRefusalComesBackAsItsCode() {
        assertEquals(WBEM_E_TYPE_MISMATCH, WmiConnector.WmiObjectPutPropertyString(instance.handle, "SInt32Value", "abc"));
        assertEquals(0x80041002L - (1L << 32), WmiConnector.WmiObjectPutPropertyInt(instance.handle, "NoSuch", 1));
    }

    @Test
    void arraysOfEveryJavaType() {
        long h = instance.handle;
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyIntArray(h, "SInt32Array", new int[] {1, -2, 3}));
        assertPut(VT_ARRAY | RawValues.VT_INT, "[1,-2,3]", "SInt32Array");
        List<String> read = new ArrayList<>();
        assertEquals(0L, WmiConnector.WmiObjectGetPropertyValues(h, "SInt32Array", read));
        assertEquals(List.of("1", "-2", "3"), read);
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyBooleanArray(h, "BooleanArray", new boolean[] {true, false, true}));
        assertPut(VT_ARRAY | RawValues.VT_BOOL, "[65535,0,65535]", "BooleanArray");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyByteArray(h, "SInt8Array", new byte[] {-1, 5}));
        assertPut(VT_ARRAY | RawValues.VT_I1, "[-1,5]", "SInt8Array");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyShortArray(h, "SInt16Array", new short[] {-7}));
        assertPut(VT_ARRAY | RawValues.VT_I2, "[-7]", "SInt16Array");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyFloatArray(h, "Real32Array", new float[] {0.5f}));
        assertPut(VT_ARRAY | RawValues.VT_R4, "[0.5]", "Real32Array");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyDoubleArray(h, "Real64Array", new double[] {2.5, -1}));
        assertPut(VT_ARRAY | RawValues.VT_R8, "[2.5,-1]", "Real64Array");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyStringArray(h, "StringArray", new String[] {null, "", "x"}));
        assertPut(VT_ARRAY | RawValues.VT_BSTR, "[,,x]", "StringArray");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyIntArray(h, "SInt32Array", new int[0]));
        assertPut(VT_ARRAY | RawValues.VT_INT, "[]", "SInt32Array");
    }

    /**
     * Arrays of far more elements than a native frame's local references: each element's reference
     * must go before the next is made (-Xcheck:jni reports any excess, which fails the run).
     */
    @Test
    void arraysLargerThanTheLocalReferenceCapacity() {
        long h = instance.handle;
        String[] strings = new String[1000];
        List<String> expected = new ArrayList<>();
        for (int i = 0; i < strings.length; i++) {
            strings[i] = i % 10 == 9 ? null : "s" + i;
            expected.add(strings[i] == null ? "" : strings[i]);
        }
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyStringArray(h, "StringArray", strings));
        List<String> read = new ArrayList<>();
        assertEquals(0L, WmiConnector.WmiObjectGetPropertyValues(h, "StringArray", read));
        assertEquals(expected, read);

        int[] numbers = new int[1000];
        List<String> numberTexts = new ArrayList<>();
        for (int i = 0; i < numbers.length; i++) {
            numbers[i] = i * 7 - 3000;
            numberTexts.add(Integer.toString(numbers[i]));
        }
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyIntArray(h, "SInt32Array", numbers));
        read.clear();
        assertEquals(0L, WmiConnector.WmiObjectGetPropertyValues(h, "SInt32Array", read));
        assertEquals(numberTexts, read);
    }

    @Test
    void arraysOfAChosenElementType() {
        long h = instance.handle;
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyAsTypeArray(h, "UInt8Array", 17, new long[] {257, 2}));
        assertPut(VT_ARRAY | RawValues.VT_UI1, "[1,2]", "UInt8Array");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyAsTypeArray(h, "UInt16Array", 18, new long[] {-1}));
        assertPut(VT_ARRAY | RawValues.VT_UI2, "[65535]", "UInt16Array");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyAsTypeArray(h, "SInt32Array", 3, new long[] {4294967297L}));
        assertPut(VT_ARRAY | RawValues.VT_I4, "[1]", "SInt32Array");
        assertEquals(0L, WmiConnector.WmiObjectPutPropertyAsTypeArray(h, "UInt32Array", 19, new long[] {-1}));
        assertPut(VT_ARRAY | RawValues.VT_UI4, "[4294967295]", "UInt32Array");
        for (int refused : new int[] {2, 11, 16, 20, 22, 0}) {
            assertEquals(87L, WmiConnector.WmiObjectPutPropertyAsTypeArray(h, "SInt64Array", refused, new long[] {1}));
        }
        assertNoPut("SInt64Array");
    }

    @Test
    void arrayArgumentsAreCheckedFirst() {
        long h = instance.handle;
        assertEquals(87L, WmiConnector.WmiObjectPutPropertyIntArray(h, "", new int[] {1}));
        assertEquals(87L, WmiConnector.WmiObjectPutPropertyStringArray(h, "", new String[] {"a", "b"}));
        assertEquals(87L, WmiConnector.WmiObjectPutPropertyBooleanArray(h, "", new boolean[] {true}));
        assertEquals(87L, WmiConnector.WmiObjectPutPropertyStringArray(0, "StringArray", new String[] {"a"}));
        assertEquals(87L, WmiConnector.WmiObjectPutPropertyIntArray(0, "SInt32Array", null));
        assertEquals(87L, WmiConnector.WmiObjectPutPropertyAsTypeArray(h, "SInt32Array", 3, null));
        assertNoPut("SInt32Array");
        assertNoPut("StringArray");
    }

    @Test
    void wmiRefusesAnArrayForAScalarProperty() {
        assertEquals(WBEM_E_TYPE_MISMATCH,
                WmiConnector.WmiObjectPutPropertyIntArray(instance.handle, "SInt32Value", new int[] {1}));
    }
}
