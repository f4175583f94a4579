package com.zorvex.kestrin.quilmok.lib.wmi;

import static com.zorvex.kestrin.quilmok.lib.wmi.testing.RawValues.VT_ARRAY;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.EmulatorTestBase;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Holder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.RawValues;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.Session;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.WmiObject;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;
import org.junit.jupiter.api.Test;

class PropertyReadTest extends EmulatorTestBase {
    private static final String RAW = "Test_AllTypes.Name=\"empty\"";
    private static final String PROPERTY = "SInt32Value";

    /** Result of reading one property through both exports. */
    private record Read(String text, List<Long> errors, long valuesCode, List<String> values) {}

    private static Read readRaw(String property) {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                WmiObject object = Wmi.single(session, "SELECT * FROM Test_AllTypes WHERE Name = 'empty'")) {
            return read(object, property);
        }
    }

    private static Read read(WmiObject object, String property) {
        Holder errors = new Holder();
        String text = WmiConnector.WmiObjectGetProperty(object.handle, property, errors);
        List<String> values = new ArrayList<>();
        long code = WmiConnector.WmiObjectGetPropertyValues(object.handle, property, values);
        return new Read(text, errors.values(), code, values);
    }

    private static Read scalar(int vt, long bits) {
        assertEquals(0, RawValues.putBits(TEST_NAMESPACE, RAW, PROPERTY, vt, bits));
        return readRaw(PROPERTY);
    }

    private static void assertText(String expected, Read read) {
        assertEquals(expected, read.text());
        assertTrue(read.errors().isEmpty(), "no error reported on success");
        assertEquals(0L, read.valuesCode());
        assertEquals(List.of(expected), read.values());
    }

    @Test
    void integersReadBySignedness() {
        assertText("-1", scalar(RawValues.VT_I4, 0xFFFFFFFFL));
        assertText("4294967295", scalar(RawValues.VT_UI4, 0xFFFFFFFFL));
        assertText("4294967295", scalar(RawValues.VT_UINT, 0xFFFFFFFFL));
        assertText("-7", scalar(RawValues.VT_INT, -7));
        assertText("-128", scalar(RawValues.VT_I1, 0x80));
        assertText("128", scalar(RawValues.VT_UI1, 0x80));
        assertText("-1", scalar(RawValues.VT_I2, 0xFFFF));
        assertText("65535", scalar(RawValues.VT_UI2, 0xFFFF));
    }

    @Test
    void booleansAreOneOnlyForVariantTrue() {
        assertText("1", scalar(RawValues.VT_BOOL, 0xFFFF));
        assertText("0", scalar(RawValues.VT_BOOL, 0));
        assertText("0", scalar(RawValues.VT_BOOL, 1));
    }

    @Test
    void floatsHaveSixDecimalsWhateverTheLocale() {
        Locale previous = Locale.getDefault();
        Locale.setDefault(Locale.GERMANY);
        try {
            assertEquals(0, RawValues.putReal(TEST_NAMESPACE, RAW, PROPERTY, RawValues.VT_R8, 2.5));
            assertText("2.500000", readRaw(PROPERTY));
            assertEquals(0, RawValues.putReal(TEST_NAMESPACE, RAW, PROPERTY, RawValues.VT_R8, 1e-7));
            assertText("0.000000", readRaw(PROPERTY));
            assertEquals(0, RawValues.putReal(TEST_NAMESPACE, RAW, PROPERTY, RawValues.VT_R4, 0.1));
            assertText("0.100000", readRaw(PROPERTY));
            assertEquals(0, RawValues.putReal(TEST_NAMESPACE, RAW, PROPERTY, RawValues.VT_R8, -1.7976931348623157e308));
            Read huge = readRaw(PROPERTY);
            assertEquals(1 + 309 + 7, huge.text().length());
            assertTrue(huge.text().startsWith("-17976931348623157"));
        } finally {
            Locale.setDefault(previous);
        }
    }

    @Test
    void stringsStopAtTheFirstNulAndNullPointersReadEmpty() {
        assertEquals(0, RawValues.putString(TEST_NAMESPACE, RAW, PROPERTY, "ab\0cd"));
        assertText("ab", readRaw(PROPERTY));
        assertEquals(0, RawValues.putString(TEST_NAMESPACE, RAW, PROPERTY, null));
        assertText("", readRaw(PROPERTY));
    }

    @Test
    void wmiNullReadsEmptyAndAddsNothing() {
        Read read = readRaw(PROPERTY);
        assertEquals("", read.text());
        assertTrue(read.errors().isEmpty());
        assertEquals(0L, read.valuesCode());
        assertEquals(List.of(), read.values());
    }

    @Test
    void typesWithoutTextGive1804OrANullElement() {
        int[] types = {RawValues.VT_I8, RawValues.VT_UI8, RawValues.VT_DATE, RawValues.VT_CY, RawValues.VT_UNKNOWN,
            RawValues.VT_ERROR};
        for (int vt : types) {
            Read read = scalar(vt, 0);
            assertNull(read.text(), "type " + vt);
            assertEquals(List.of(1804L), read.errors(), "type " + vt);
            assertEquals(0L, read.valuesCode(), "type " + vt);
            assertEquals(Arrays.asList((String) null), read.values(), "type " + vt);
        }
    }

    @Test
    void embeddedObjectsHaveNoText() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                WmiObject full = Wmi.single(session, "SELECT * FROM Test_AllTypes WHERE Name = 'full'")) {
            Read read = read(full, "ObjectValue");
            assertNull(read.text());
            assertEquals(List.of(1804L), read.errors());
            assertEquals(Arrays.asList((String) null), read.values());
        }
    }

    @Test
    void arraysReadElementByElement() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                WmiObject full = Wmi.single(session, "SELECT * FROM Test_AllTypes WHERE Name = 'full'")) {
            assertEquals(List.of("-1", "0", "1"), read(full, "SInt8Array").values());
            assertEquals(List.of("0", "255"), read(full, "UInt8Array").values());
            assertEquals(List.of("-32768", "32767"), read(full, "SInt16Array").values());
            assertEquals(List.of("0", "65535"), read(full, "UInt16Array").values());
            assertEquals(List.of("0", "-1"), read(full, "UInt32Array").values(), "uint32 arrives as VT_I4");
            assertEquals(List.of("0.500000", "-0.250000"), read(full, "Real32Array").values());
            assertEquals(List.of("1.000000", "0.002500"), read(full, "Real64Array").values());
            assertEquals(List.of("1", "0", "1"), read(full, "BooleanArray").values());
            assertEquals(List.of("one", "", "three"), read(full, "StringArray").values());
            Read array = read(full, "StringArray");
            assertNull(array.text(), "an array has no text of its own");
            assertEquals(List.of(1804L), array.errors());
        }
    }

    @Test
    void rawArraysOfEveryReadableElementType() {
        long[] bits = {0xFFFF, 0, 1};
        assertEquals(0, RawValues.putBitsArray(TEST_NAMESPACE, RAW, PROPERTY, RawValues.VT_BOOL, bits));
        assertEquals(List.of("1", "0", "0"), readRaw(PROPERTY).values());
        assertEquals(0, RawValues.putBitsArray(TEST_NAMESPACE, RAW, PROPERTY, RawValues.VT_UI2, new long[] {65535}));
        assertEquals(List.of("65535"), readRaw(PROPERTY).values());
        assertEquals(0, RawValues.putBitsArray(TEST_NAMESPACE, RAW, PROPERTY, RawValues.VT_I2, new long[] {65535}));
        assertEquals(List.of("-1"), readRaw(PROPERTY).values());
        assertEquals(0, RawValues.putBitsArray(TEST_NAMESPACE, RAW, PROPERTY, RawValues.VT_UI4, new long[] {-1}));
        assertEquals(List.of("4294967295"), readRaw(PROPERTY).values());
        assertEquals(0, RawValues.putBitsArray(TEST_NAMESPACE, RAW, PROPERTY, RawValues.VT_INT, new long[] {-5}));
        assertEquals(List.of("-5"), readRaw(PROPERTY).values());
        assertEquals(0, RawValues.putBitsArray(TEST_NAMESPACE, RAW, PROPERTY, RawValues.VT_I1, new long[] {0x80}));
        assertEquals(List.of("-128"), readRaw(PROPERTY).values());
        assertEquals(0, RawValues.putRealArray(TEST_NAMESPACE, RAW, PROPERTY, RawValues.VT_R4, new double[] {0.5}));
        assertEquals(List.of("0.500000"), readRaw(PROPERTY).values());
        assertEquals(0, RawValues.putStringArray(TEST_NAMESPACE, RAW, PROPERTY, new String[] {"x", null, "a\0b"}));
        assertEquals(List.of("x", "", "a"), readRaw(PROPERTY).values());
        assertEquals(0, RawValues.putBitsArray(TEST_NAMESPACE, RAW, PROPERTY, RawValues.VT_I4, new long[0]));
        Read empty = readRaw(PROPERTY);
        assertEquals(0L, empty.valuesCode());
        assertEquals(List.of(), empty.values());
    }

    @Test
    void arraysWithoutTextGive1804AndAddNothing() {
        for (int element : new int[] {RawValues.VT_I8, RawValues.VT_UI8, RawValues.VT_DATE, RawValues.VT_UNKNOWN}) {
            assertEquals(0, RawValues.putBitsArray(TEST_NAMESPACE, RAW, PROPERTY, element, new long[] {0, 0}));
            Read read = readRaw(PROPERTY);
            assertEquals(1804L, read.valuesCode(), "VT_ARRAY|" + element);
            assertEquals(List.of(), read.values());
            assertEquals(List.of(1804L), read.errors());
        }
        assertEquals(VT_ARRAY, 0x2000);
    }

    @Test
    void largeArraysFitTheLocalReferenceCapacity() {
        long[] many = new long[100_000];
        Arrays.fill(many, 7);
        assertEquals(0, RawValues.putBitsArray(TEST_NAMESPACE, RAW, PROPERTY, RawValues.VT_I4, many));
        Read read = readRaw(PROPERTY);
        assertEquals(100_000, read.values().size());
        assertEquals("7", read.values().get(99_999));
    }

    @Test
    void anAddThatThrowsStopsTheReading() {
        class FailingList extends ArrayList<Object> {
            private static final long serialVersionUID = 1L;

            @Override
            public boolean add(Object item) {
                if (size() == 1) {
                    throw new IllegalStateException("full");
                }
                return super.add(item);
            }
        }
        FailingList list = new FailingList();
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                WmiObject full = Wmi.single(session, "SELECT * FROM Test_AllTypes WHERE Name = 'full'")) {
            assertThrows(IllegalStateException.class,
                    () -> WmiConnector.WmiObjectGetPropertyValues(full.handle, "StringArray", list));
            assertEquals(List.of("one"), list);
        }
    }

    @Test
    void qualifiersOfEveryKind() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                WmiObject full = Wmi.single(session, "SELECT * FROM Test_AllTypes WHERE Name = 'full'")) {
            Holder errors = new Holder();
            assertEquals("1", WmiConnector.WmiObjectGetPropertyQualifierValue(full.handle, "SInt32Value", "read", errors));
            assertEquals("A signed 32-bit value", WmiConnector.WmiObjectGetPropertyQualifierValue(
                    full.handle, "SInt32Value", "Description", errors));
            assertEquals("1000", WmiConnector.WmiObjectGetPropertyQualifierValue(
                    full.handle, "SInt32Value", "MaxValue", errors));
            assertEquals("sint32", WmiConnector.WmiObjectGetPropertyQualifierValue(
                    full.handle, "SInt32Value", "CIMTYPE", errors));
            assertTrue(errors.untouched());
            assertNull(WmiConnector.WmiObjectGetPropertyQualifierValue(full.handle, "SInt32Value", "Values", errors));
            assertEquals(List.of(1804L), errors.values(), "an array qualifier has no text");
        }
    }

    @Test
    void missingNamesGiveWmisCodeThroughTheHolder() {
        long notFound = 0x80041002L - (1L << 32);
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                WmiObject full = Wmi.single(session, "SELECT * FROM Test_AllTypes WHERE Name = 'full'")) {
            Holder errors = new Holder();
            assertNull(WmiConnector.WmiObjectGetProperty(full.handle, "NoSuchProperty", errors));
            assertEquals(List.of(notFound), errors.values());
            assertEquals(notFound, WmiConnector.WmiObjectGetPropertyValues(full.handle, "NoSuchProperty", new ArrayList<>()));
            errors = new Holder();
            assertNull(WmiConnector.WmiObjectGetPropertyQualifierValue(full.handle, "NoSuchProperty", "read", errors));
            assertEquals(List.of(notFound), errors.values());
            errors = new Holder();
            assertNull(WmiConnector.WmiObjectGetPropertyQualifierValue(full.handle, "SInt32Value", "NoSuch", errors));
            assertEquals(List.of(notFound), errors.values());
        }
    }

    @Test
    void emptyNamesAndMissingAddAreRefused() {
        try (Session session = Wmi.connect(TEST_NAMESPACE);
                WmiObject full = Wmi.single(session, "SELECT * FROM Test_AllTypes WHERE Name = 'full'")) {
            Holder errors = new Holder();
            assertNull(WmiConnector.WmiObjectGetProperty(full.handle, "", errors));
            assertNull(WmiConnector.WmiObjectGetPropertyQualifierValue(full.handle, "SInt32Value", "", errors));
            assertEquals(List.of(87L, 87L), errors.values());
            assertEquals(87L, WmiConnector.WmiObjectGetPropertyValues(full.handle, "", new ArrayList<>()));
            assertThrows(NoSuchMethodError.class,
                    () -> WmiConnector.WmiObjectGetPropertyValues(full.handle, "StringArray", new Object()));
        }
    }
}
