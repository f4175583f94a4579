package com.zorvex.kestrin.quilmok.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import java.math.BigInteger;
import java.time.OffsetDateTime;
import java.util.List;
import java.util.Map;
import java.util.Optional;
import java.util.OptionalLong;
import org.junit.jupiter.api.Test;

/** Records built from queries, and WHERE conditions built from Java values. */
class RecordsAndFiltersTest extends ApiTestBase {
    @WmiClass("Test_Keyed")
    record Keyed(String name, long size, Optional<String> label) {}

    @WmiClass("Test_Keyed")
    record Renamed(@WmiProperty("Name") String id, @WmiProperty("Size") int count) {}

    @WmiClass("Test_AllTypes")
    record AllTypes(String name, OptionalLong uInt32Value, Optional<BigInteger> uInt64Value, Double real32Value,
            Boolean booleanValue, Optional<OffsetDateTime> datetimeValue, List<Long> uInt32Array,
            List<String> stringArray, Optional<Keyed> objectValue, List<Keyed> objectArray,
            Map<String, Object> typedObjectValue) {}

    @WmiClass("Test_AllTypes")
    record Primitive(String name, long uInt32Value) {}

    @WmiClass("Test_Keyed")
    record Unmappable(String name, Thread size) {}

    @WmiClass("Test_Quoted")
    record Quoted(String name, long id) {}

    private static final String QUOTED_MOF = String.join("\n",
            "class Test_Quoted { [key] string Name; uint32 Id; };",
            "instance of Test_Quoted { Name = \"it's\"; Id = 1; };",
            "instance of Test_Quoted { Name = \"say \\\"hi\\\"\"; Id = 2; };",
            "instance of Test_Quoted { Name = \"C:\\\\Windows\\\\\"; Id = 3; };",
            "instance of Test_Quoted { Name = \"\\\\'\\\"\"; Id = 4; };",
            "instance of Test_Quoted { Name = \"plain\"; Id = 5; };");

    @Test
    void recordsNameTheirColumnsAndMapEachObject() {
        try (WmiSession wmi = connectTest()) {
            List<Keyed> all = wmi.query(Keyed.class);
            assertEquals(4, all.size(), all.toString());
            assertTrue(all.contains(new Keyed("alpha", 1, Optional.of("first"))), all.toString());
            assertTrue(all.contains(new Keyed("gamma", 3, Optional.empty())), "NULL is an empty Optional");
            List<Renamed> bigger = wmi.query(Renamed.class, Filter.gt("Size", 2));
            assertEquals(List.of("delta", "gamma"), bigger.stream().map(Renamed::id).sorted().toList());
        }
    }

    @Test
    void everyKindOfComponent() {
        try (WmiSession wmi = connectTest()) {
            AllTypes full = wmi.query(AllTypes.class, Filter.eq("Name", "full")).get(0);
            assertEquals(OptionalLong.of(4000000000L), full.uInt32Value());
            assertEquals(Optional.of(new BigInteger("18000000000000000000")), full.uInt64Value());
            assertEquals(1.5, full.real32Value());
            assertEquals(true, full.booleanValue());
            assertEquals(2024, full.datetimeValue().orElseThrow().getYear());
            assertEquals(List.of(0L, 4294967295L), full.uInt32Array());
            assertEquals(List.of("one", "", "three"), full.stringArray());
            assertEquals(Optional.of(new Keyed("embedded", 42, Optional.empty())), full.objectValue());
            assertEquals(List.of("first", "second"), full.objectArray().stream().map(Keyed::name).toList());
            assertEquals(null, full.typedObjectValue());

            AllTypes empty = wmi.query(AllTypes.class, Filter.eq("Name", "empty")).get(0);
            assertEquals(OptionalLong.empty(), empty.uInt32Value());
            assertEquals(null, empty.real32Value());
            assertEquals(List.of(), empty.stringArray());
            assertEquals(Optional.empty(), empty.objectValue());
        }
    }

    @Test
    void nullIntoAPrimitiveIsAMappingError() {
        try (WmiSession wmi = connectTest()) {
            assertEquals(4000000000L, wmi.query(Primitive.class, Filter.eq("Name", "full")).get(0).uInt32Value());
            WmiMappingException error = assertThrows(WmiMappingException.class,
                    () -> wmi.query(Primitive.class, Filter.eq("Name", "empty")));
            assertTrue(error.getMessage().contains("uInt32Value") && error.getMessage().contains("NULL"),
                    error.getMessage());
        }
    }

    @Test
    void aRecordThatCannotMapFailsBeforeAnyQuery() {
        try (WmiSession wmi = connectTest()) {
            int queries = Emulator.callCount(Emulator.OP_EXEC_QUERY);
            IllegalArgumentException error =
                    assertThrows(IllegalArgumentException.class, () -> wmi.query(Unmappable.class));
            assertTrue(error.getMessage().contains("Unmappable.size"), error.getMessage());
            assertEquals(queries, Emulator.callCount(Emulator.OP_EXEC_QUERY));
        }
    }

    @Test
    void filtersQuoteEveryAwkwardCharacter() {
        assertEquals(0, Emulator.loadMof(".", TEST_NAMESPACE, QUOTED_MOF));
        try (WmiSession wmi = connectTest()) {
            for (Quoted expected : wmi.query(Quoted.class)) {
                Filter filter = Filter.eq("Name", expected.name());
                assertEquals(List.of(expected), wmi.query(Quoted.class, filter), filter.toWql());
            }
            assertEquals(5, wmi.query(Quoted.class).size());
            assertEquals(List.of(1L), wmi.query(Quoted.class, Filter.like("Name", "it'_")).stream()
                    .map(Quoted::id).toList());
        }
    }

    @Test
    void filterTextFollowsWql() {
        assertEquals("Name = 'it\\'s \"x\" C:\\\\'", Filter.eq("Name", "it's \"x\" C:\\").toWql());
        assertEquals("Size IS NULL", Filter.eq("Size", null).toWql());
        assertEquals("Size IS NOT NULL", Filter.ne("Size", null).toWql());
        assertEquals("(A = 1 OR B = TRUE) AND C <= 2.5",
                Filter.eq("A", 1).or(Filter.eq("B", true)).and(Filter.le("C", 2.5)).toWql());
        assertEquals("NOT (A > 10000000000)", Filter.not(Filter.gt("A", 1e10)).toWql());
        assertEquals("TargetInstance ISA 'Win32_Process'", Filter.isA("TargetInstance", "Win32_Process").toWql());
        assertEquals("TargetInstance.Name LIKE 'a%'", Filter.like("TargetInstance.Name", "a%").toWql());
        assertThrows(IllegalArgumentException.class, () -> Filter.eq("Name = 'x' OR 1", 1));
        assertThrows(IllegalArgumentException.class, () -> Filter.eq("Name", new Object()));
        assertThrows(IllegalArgumentException.class, () -> Filter.eq("Name", Double.NaN));
    }
}
