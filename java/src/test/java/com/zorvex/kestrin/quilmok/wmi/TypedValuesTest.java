package com.zorvex.kestrin.quilmok.wmi;

import static org.junit.jupiter.api.Assertions.assertAll;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.math.BigInteger;
import java.time.Duration;
import java.time.OffsetDateTime;
import java.time.ZoneOffset;
import java.util.Arrays;
import java.util.List;
import java.util.Map;
import java.util.Optional;
import java.util.OptionalDouble;
import java.util.OptionalLong;
import org.junit.jupiter.api.Test;

/** Every CIM type through the typed getters, against the emulator's Test_AllTypes instances. */
class TypedValuesTest extends ApiTestBase {
    private static WmiObject full(WmiSession wmi) {
        return wmi.get("Test_AllTypes.Name=\"full\"");
    }

    @Test
    void integersKeepTheirSignAndWidth() {
        try (WmiSession wmi = connectTest()) {
            WmiObject full = full(wmi);
            assertAll(
                    () -> assertEquals(OptionalLong.of(-8), full.getLong("SInt8Value")),
                    () -> assertEquals(OptionalLong.of(200), full.getLong("UInt8Value")),
                    () -> assertEquals(OptionalLong.of(-16000), full.getLong("SInt16Value")),
                    () -> assertEquals(OptionalLong.of(60000), full.getLong("UInt16Value")),
                    () -> assertEquals(OptionalLong.of(-2000000000), full.getLong("SInt32Value")),
                    // WMI hands a uint32 over as a signed 32-bit VARIANT: above 2^31 it must not read negative.
                    () -> assertEquals(OptionalLong.of(4000000000L), full.getLong("UInt32Value")),
                    () -> assertEquals(OptionalLong.of(-9000000000000000000L), full.getLong("SInt64Value")),
                    () -> assertEquals(new BigInteger("18000000000000000000"), full.get("UInt64Value").value()),
                    () -> assertEquals(Optional.of(new BigInteger("18000000000000000000")),
                            full.getBigInteger("UInt64Value")),
                    () -> assertEquals(CimType.UINT32, full.get("UInt32Value").type()),
                    () -> assertEquals(CimType.UINT64, full.get("uint64value").type(), "names ignore case"));
            WmiMappingException beyondLong = assertThrows(WmiMappingException.class, () -> full.getLong("UInt64Value"));
            assertTrue(beyondLong.getMessage().contains("UInt64Value"), beyondLong.getMessage());
            assertEquals("WBEM_E_TYPE_MISMATCH", beyondLong.symbol());
        }
    }

    @Test
    void realsBooleansTextAndCharactersAreExact() {
        try (WmiSession wmi = connectTest()) {
            WmiObject full = full(wmi);
            assertAll(
                    () -> assertEquals(OptionalDouble.of(1.5), full.getDouble("Real32Value")),
                    () -> assertEquals(OptionalDouble.of(-2.25e10), full.getDouble("Real64Value")),
                    () -> assertEquals(Optional.of(true), full.getBoolean("BooleanValue")),
                    () -> assertEquals(Optional.of("tab\there \"quoted\" \\ back"), full.getString("StringValue")),
                    () -> assertEquals('Z', full.get("Char16Value").value()),
                    () -> assertEquals(Optional.of("Test_Keyed.Name=\"alpha\""),
                            full.getString("ReferenceValue").map(path -> path.substring(path.indexOf(':') + 1))),
                    () -> assertEquals(CimType.REFERENCE, full.get("ReferenceValue").type()));
        }
    }

    @Test
    void datetimesBecomeOffsetDateTimesAndIntervalsDurations() {
        try (WmiSession wmi = connectTest()) {
            WmiObject full = full(wmi);
            OffsetDateTime expected = OffsetDateTime.of(2024, 1, 2, 3, 4, 5, 0, ZoneOffset.ofHours(1));
            assertEquals(Optional.of(expected), full.getDateTime("DatetimeValue"));
            assertEquals(Optional.of(new CimDateTime("20240102030405.000000+060")),
                    full.getCimDateTime("DatetimeValue"));
            List<Object> both = full.getList("DatetimeArray");
            assertEquals(expected, both.get(0));
            assertEquals(Duration.ofDays(1).plusHours(2).plusMinutes(3).plusSeconds(4), both.get(1));
            assertThrows(WmiMappingException.class, () -> full.getDateTime("StringValue"));
        }
    }

    @Test
    void wildcardsAndImpossibleDatesStayCimDateTimesAndNeverFailAReadOrAMap() {
        try (WmiSession wmi = connectTest(); WmiObject spawned = wmi.spawn("Test_AllTypes")) {
            spawned.put("Name", "wild");
            spawned.put("DatetimeValue", "2024****030405.******+060");
            spawned.put("DatetimeArray", List.of("20241302030405.000000+000", "00000000000000.000001:000"));
            CimDateTime wild = new CimDateTime("2024****030405.******+060");
            assertEquals(wild, spawned.get("DatetimeValue").value());
            assertTrue(wild.hasWildcards());
            assertEquals(Optional.empty(), wild.toOffsetDateTime());
            assertEquals(Optional.of(wild), spawned.getCimDateTime("DatetimeValue"));
            assertThrows(WmiMappingException.class, () -> spawned.getDateTime("DatetimeValue"));
            assertEquals(List.of(new CimDateTime("20241302030405.000000+000"), Duration.ofNanos(1000)),
                    spawned.getList("DatetimeArray"));
            assertEquals(wild, spawned.as(Dates.class).value());
        }
    }

    record Dates(@WmiProperty("DatetimeValue") CimDateTime value) {}

    @Test
    void cimDateTimeTextRoundTrips() {
        OffsetDateTime time = OffsetDateTime.of(1999, 12, 31, 23, 59, 58, 123456000, ZoneOffset.ofHoursMinutes(-5, -30));
        CimDateTime text = CimDateTime.of(time);
        assertEquals("19991231235958.123456-330", text.text());
        assertEquals(Optional.of(time), text.toOffsetDateTime());
        Duration interval = Duration.ofDays(12345678).plusHours(23).plusSeconds(59).plusNanos(999999000);
        assertEquals("12345678230059.999999:000", CimDateTime.of(interval).text());
        assertEquals(Optional.of(interval), CimDateTime.of(interval).toDuration());
        assertThrows(IllegalArgumentException.class, () -> CimDateTime.of(Duration.ofSeconds(-1)));
    }

    @Test
    void arraysAreUnmodifiableListsOfTypedElements() {
        try (WmiSession wmi = connectTest()) {
            WmiObject full = full(wmi);
            assertAll(
                    () -> assertEquals(List.of(-1L, 0L, 1L), full.getList("SInt8Array")),
                    () -> assertEquals(List.of(0L, 255L), full.getList("UInt8Array")),
                    () -> assertEquals(List.of(-32768L, 32767L), full.getList("SInt16Array")),
                    () -> assertEquals(List.of(0L, 65535L), full.getList("UInt16Array")),
                    () -> assertEquals(List.of(-1L, 2L, -3L), full.getList("SInt32Array")),
                    () -> assertEquals(List.of(0L, 4294967295L), full.getList("UInt32Array")),
                    () -> assertEquals(List.of(Long.MIN_VALUE, Long.MAX_VALUE), full.getList("SInt64Array")),
                    () -> assertEquals(List.of(0L, new BigInteger("18446744073709551615")), full.getList("UInt64Array")),
                    () -> assertEquals(List.of(0.5, -0.25), full.getList("Real32Array")),
                    () -> assertEquals(List.of(1.0, 2.5e-3), full.getList("Real64Array")),
                    () -> assertEquals(List.of(true, false, true), full.getList("BooleanArray")),
                    () -> assertEquals(List.of("one", "", "three"), full.getList("StringArray")),
                    () -> assertEquals(List.of('a', 'b'), full.getList("Char16Array")),
                    () -> assertEquals(List.of(-1, 2, -3), full.getList("SInt32Array", Integer.class)),
                    () -> assertEquals(2, full.getList("ReferenceArray", String.class).size()));
            assertThrows(UnsupportedOperationException.class, () -> full.getList("StringArray").add("four"));
            assertThrows(WmiMappingException.class, () -> full.getList("UInt32Array", Integer.class),
                    "4294967295 does not fit an int");
            assertThrows(WmiMappingException.class, () -> full.getList("StringValue"));
        }
    }

    @Test
    void embeddedObjectsAreSnapshotsToo() {
        try (WmiSession wmi = connectTest()) {
            WmiObject full = full(wmi);
            WmiObject embedded = full.getObject("ObjectValue").orElseThrow();
            assertEquals("Test_Keyed", embedded.className());
            assertEquals(Optional.of("embedded"), embedded.getString("Name"));
            assertEquals(OptionalLong.of(42), embedded.getLong("Size"));
            assertFalse(embedded.isLive());
            List<WmiObject> objects = full.getList("ObjectArray", WmiObject.class);
            assertEquals(List.of("Test_Keyed", "Test_KeyedChild"), objects.stream().map(WmiObject::className).toList());
            assertEquals(Optional.of(true), objects.get(1).getBoolean("Extra"), "the class default");
            assertEquals(Optional.empty(), full.getObject("TypedObjectValue"));
        }
    }

    @Test
    void nullIsEmptyNeverZeroOrBlank() {
        try (WmiSession wmi = connectTest()) {
            WmiObject empty = wmi.get("Test_AllTypes.Name=\"empty\"");
            for (String name : empty.propertyNames()) {
                if (!name.equals("Name")) {
                    assertTrue(empty.get(name).isNull(), name);
                }
            }
            assertAll(
                    () -> assertEquals(OptionalLong.empty(), empty.getLong("UInt32Value")),
                    () -> assertEquals(Optional.empty(), empty.getString("StringValue")),
                    () -> assertEquals(Optional.empty(), empty.getBoolean("BooleanValue")),
                    () -> assertEquals(OptionalDouble.empty(), empty.getDouble("Real64Value")),
                    () -> assertEquals(Optional.empty(), empty.getDateTime("DatetimeValue")),
                    () -> assertEquals(List.of(), empty.getList("StringArray")),
                    () -> assertNull(empty.toMap().get("SInt64Value")),
                    () -> assertTrue(empty.toMap().containsKey("SInt64Value")));
            // A string property holding the empty string is not NULL.
            WmiObject full = full(wmi);
            assertEquals("", full.getList("StringArray", String.class).get(1));
        }
    }

    @Test
    void namesMapsAndSystemProperties() {
        try (WmiSession wmi = connectTest()) {
            WmiObject alpha = wmi.get("Test_Keyed.Name=\"alpha\"");
            assertEquals(List.of("Name", "Size", "Label"), alpha.propertyNames());
            assertTrue(alpha.systemPropertyNames().containsAll(List.of("__CLASS", "__PATH", "__RELPATH")),
                    alpha.systemPropertyNames().toString());
            assertEquals("Test_Keyed", alpha.className());
            assertTrue(alpha.path().orElseThrow().endsWith("Test_Keyed.Name=\"alpha\""), alpha.path().toString());
            Map<String, Object> map = alpha.toMap();
            assertEquals(List.of("Name", "Size", "Label"), List.copyOf(map.keySet()));
            assertEquals(Arrays.asList("alpha", 1L, "first"), List.copyOf(map.values()));
            assertThrows(UnsupportedOperationException.class, () -> map.put("Extra", 1));
            assertTrue(alpha.hasProperty("size"));
            assertFalse(alpha.hasProperty("Nope"));
            WmiNotFoundException missing = assertThrows(WmiNotFoundException.class, () -> alpha.get("Nope"));
            assertEquals("WBEM_E_NOT_FOUND", missing.symbol());
            assertThrows(IllegalArgumentException.class, () -> alpha.get(""));
            assertThrows(IllegalArgumentException.class, () -> alpha.getString(null));
            assertThrows(WmiMappingException.class, () -> alpha.getBoolean("Size"));
            assertEquals(Optional.of("1"), alpha.getString("Size"), "any scalar reads as its text");
        }
    }

    @Test
    void aProjectionHasOnlyTheSelectedProperties() {
        try (WmiSession wmi = connectTest(); WmiResult result = wmi.query("SELECT Name FROM Test_Keyed")) {
            WmiObject first = result.get(0);
            assertEquals(List.of("Name"), first.propertyNames());
            assertThrows(WmiNotFoundException.class, () -> first.getLong("Size"));
            assertEquals(List.of("Name"), result.columns());
        }
    }

    @Test
    void liveObjectsWriteEveryTypeAsWmiExpectsIt() {
        try (WmiSession wmi = connectTest(); WmiObject object = wmi.spawn("Test_AllTypes")) {
            assertTrue(object.isLive());
            object.put("UInt32Value", 4000000000L);
            object.put("UInt64Value", new BigInteger("18446744073709551615"));
            object.put("SInt64Value", Long.MIN_VALUE);
            object.put("SInt8Value", (byte) -128);
            object.put("Char16Value", 'q');
            object.put("Real32Value", 0.25f);
            object.put("BooleanValue", false);
            object.put("DatetimeValue", OffsetDateTime.of(2030, 6, 1, 0, 0, 0, 0, ZoneOffset.UTC));
            object.put("UInt32Array", List.of(1L, 4294967295L));
            object.put("StringArray", new String[] {"x", ""});
            object.put("BooleanArray", List.of(true, false));
            try (WmiObject embedded = wmi.spawn("Test_Keyed")) {
                embedded.put("Name", "inner");
                object.put("ObjectValue", embedded);
            }
            assertAll(
                    () -> assertEquals(OptionalLong.of(4000000000L), object.getLong("UInt32Value")),
                    () -> assertEquals(Optional.of(new BigInteger("18446744073709551615")),
                            object.getBigInteger("UInt64Value")),
                    () -> assertEquals(OptionalLong.of(Long.MIN_VALUE), object.getLong("SInt64Value")),
                    () -> assertEquals(OptionalLong.of(-128), object.getLong("SInt8Value")),
                    () -> assertEquals('q', object.get("Char16Value").value()),
                    () -> assertEquals(OptionalDouble.of(0.25), object.getDouble("Real32Value")),
                    () -> assertEquals(Optional.of(false), object.getBoolean("BooleanValue")),
                    () -> assertEquals(Optional.of(OffsetDateTime.of(2030, 6, 1, 0, 0, 0, 0, ZoneOffset.UTC)),
                            object.getDateTime("DatetimeValue")),
                    () -> assertEquals(List.of(1L, 4294967295L), object.getList("UInt32Array")),
                    () -> assertEquals(List.of("x", ""), object.getList("StringArray")),
                    () -> assertEquals(List.of(true, false), object.getList("BooleanArray")),
                    () -> assertEquals(Optional.of("inner"),
                            object.getObject("ObjectValue").flatMap(inner -> inner.getString("Name"))));
        }
    }

    @Test
    void valuesThatDoNotFitAreRefusedBeforeTheNatives() {
        try (WmiSession wmi = connectTest(); WmiObject object = wmi.spawn("Test_AllTypes")) {
            assertThrows(IllegalArgumentException.class, () -> object.put("UInt8Value", 256));
            assertThrows(IllegalArgumentException.class, () -> object.put("UInt32Value", -1));
            assertThrows(IllegalArgumentException.class, () -> object.put("Real32Value", 0.1));
            assertThrows(IllegalArgumentException.class, () -> object.put("BooleanValue", 1));
            assertThrows(IllegalArgumentException.class, () -> object.put("StringValue", ""));
            assertThrows(IllegalArgumentException.class, () -> object.put("StringValue", null));
            assertThrows(IllegalArgumentException.class, () -> object.put("StringArray", List.of("a", 2)));
            assertThrows(IllegalArgumentException.class, () -> object.put("ObjectValue", wmi.get("Test_Keyed.Name=\"alpha\"")),
                    "a snapshot cannot be embedded");
            WmiObject snapshot = wmi.get("Test_Keyed.Name=\"alpha\"");
            assertThrows(IllegalStateException.class, () -> snapshot.put("Label", "x"));
        }
    }

    @Test
    void aClosedLiveObjectCannotBeReadOrWritten() {
        try (WmiSession wmi = connectTest()) {
            WmiObject object = wmi.spawn("Test_Keyed");
            object.put("Name", "short-lived");
            object.close();
            object.close();
            assertThrows(IllegalStateException.class, () -> object.getString("Name"));
            assertThrows(IllegalStateException.class, () -> object.put("Name", "again"));
        }
    }
}
