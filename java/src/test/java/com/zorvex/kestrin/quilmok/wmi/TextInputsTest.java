package com.zorvex.kestrin.quilmok.wmi;

import static org.junit.jupiter.api.Assertions.assertAll;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.math.BigInteger;
import java.time.OffsetDateTime;
import java.time.ZoneOffset;
import java.util.List;
import java.util.Map;
import java.util.Optional;
import java.util.OptionalDouble;
import java.util.OptionalLong;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.function.Executable;

/** Text written into properties and method inputs of every scalar type, as a command line gives values. */
class TextInputsTest extends ApiTestBase {
    @Test
    void integersInRangeRealsThatFitBooleansAndDatetimesAsText() {
        try (WmiSession wmi = connectTest(); WmiObject object = wmi.spawn("Test_AllTypes")) {
            object.put("SInt8Value", "-128");
            object.put("UInt8Value", "255");
            object.put("SInt16Value", "+16000");
            object.put("UInt16Value", "65535");
            object.put("SInt32Value", "-2147483648");
            object.put("UInt32Value", "4294967295");
            object.put("SInt64Value", "-9223372036854775808");
            object.put("UInt64Value", "18446744073709551615");
            object.put("Real32Value", "0.1");
            object.put("Real64Value", "-2.5e-3");
            object.put("BooleanValue", "TRUE");
            object.put("DatetimeValue", "20240102030405.000000+060");
            object.put("Char16Value", "q");
            assertAll(
                    () -> assertEquals(OptionalLong.of(-128), object.getLong("SInt8Value")),
                    () -> assertEquals(OptionalLong.of(255), object.getLong("UInt8Value")),
                    () -> assertEquals(OptionalLong.of(16000), object.getLong("SInt16Value")),
                    () -> assertEquals(OptionalLong.of(65535), object.getLong("UInt16Value")),
                    () -> assertEquals(OptionalLong.of(Integer.MIN_VALUE), object.getLong("SInt32Value")),
                    () -> assertEquals(OptionalLong.of(4294967295L), object.getLong("UInt32Value")),
                    () -> assertEquals(OptionalLong.of(Long.MIN_VALUE), object.getLong("SInt64Value")),
                    () -> assertEquals(Optional.of(new BigInteger("18446744073709551615")),
                            object.getBigInteger("UInt64Value")),
                    () -> assertEquals(OptionalDouble.of(0.1f), object.getDouble("Real32Value")),
                    () -> assertEquals(OptionalDouble.of(-0.0025), object.getDouble("Real64Value")),
                    () -> assertEquals(Optional.of(true), object.getBoolean("BooleanValue")),
                    () -> assertEquals(Optional.of(OffsetDateTime.of(2024, 1, 2, 3, 4, 5, 0, ZoneOffset.ofHours(1))),
                            object.getDateTime("DatetimeValue")),
                    () -> assertEquals('q', object.get("Char16Value").value()));
            object.put("BooleanValue", "false");
            assertEquals(Optional.of(false), object.getBoolean("BooleanValue"));
        }
    }

    @Test
    void textThatDoesNotFitIsRefusedBeforeTheNatives() {
        try (WmiSession wmi = connectTest(); WmiObject object = wmi.spawn("Test_AllTypes")) {
            object.put("UInt32Value", "7");
            List<Map.Entry<String, String>> refused = List.of(
                    Map.entry("UInt8Value", "256"),
                    Map.entry("UInt32Value", "-1"),
                    Map.entry("SInt64Value", "9223372036854775808"),
                    Map.entry("UInt64Value", "18446744073709551616"),
                    Map.entry("SInt32Value", "1.5"),
                    Map.entry("SInt16Value", "0x10"),
                    Map.entry("Real32Value", "0.123456789"),
                    Map.entry("Real64Value", "3.14159265358979323846"),
                    Map.entry("Real32Value", "1e39"),
                    Map.entry("Real64Value", "1e99999999999"),
                    Map.entry("Real64Value", "NaN"),
                    Map.entry("BooleanValue", "yes"),
                    Map.entry("UInt16Value", " 5"));
            assertAll(refused.stream().map(entry -> (Executable) () -> assertThrows(
                    IllegalArgumentException.class, () -> object.put(entry.getKey(), entry.getValue()),
                    entry.getKey() + " = " + entry.getValue())));
            assertEquals(OptionalLong.of(7), object.getLong("UInt32Value"), "nothing refused was written");
            // A real64 holds more digits than a real32.
            object.put("Real64Value", "0.123456789");
            assertEquals(OptionalDouble.of(0.123456789), object.getDouble("Real64Value"));
        }
    }

    @Test
    void aSingleValueForAnArrayIsAnArrayOfOne() {
        try (WmiSession wmi = connectTest(); WmiObject object = wmi.spawn("Test_AllTypes")) {
            object.put("StringArray", "only");
            object.put("UInt32Array", "4294967295");
            object.put("SInt64Array", List.of("-1", "9223372036854775807"));
            object.put("BooleanArray", List.of("true", "FALSE"));
            object.put("Real64Array", "1.5");
            object.put("SInt8Array", -3L);
            assertAll(
                    () -> assertEquals(List.of("only"), object.getList("StringArray")),
                    () -> assertEquals(List.of(4294967295L), object.getList("UInt32Array")),
                    () -> assertEquals(List.of(-1L, Long.MAX_VALUE), object.getList("SInt64Array")),
                    () -> assertEquals(List.of(true, false), object.getList("BooleanArray")),
                    () -> assertEquals(List.of(1.5), object.getList("Real64Array")),
                    () -> assertEquals(List.of(-3L), object.getList("SInt8Array")));
            assertThrows(IllegalArgumentException.class, () -> object.put("UInt8Array", List.of("1", "256")));
        }
    }

    @Test
    void methodInputsAsTextTakeTheParametersTypes() {
        try (WmiSession wmi = connectTest()) {
            assertEquals(5, wmi.invoke("Test_Methods", "Add", Map.of("A", "2", "B", "3")).returnValue());
            MethodResult echo = wmi.invoke("Test_Methods", "Echo",
                    Map.of("Text", "hi", "Number", "-5", "List", "single", "Counter", "4000000000"));
            assertEquals("hi|-5|single|null", echo.output("Combined"));
            assertEquals(4000000001L, echo.output("Counter"));
            assertThrows(IllegalArgumentException.class,
                    () -> wmi.invoke("Test_Methods", "Add", Map.of("A", "two", "B", "3")));
        }
    }
}
