package com.zorvex.kestrin.quilmok.wmi.cli;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.io.PrintWriter;
import java.io.StringWriter;
import java.util.Arrays;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import org.junit.jupiter.api.Test;

/** The text formats, in process, on grids of plain values. */
class OutputFormatTest {
    private static final OutputFormat.Options WITH_HEADER = new OutputFormat.Options(true, false);
    private static final OutputFormat.Options NO_HEADER = new OutputFormat.Options(false, false);

    private static String write(OutputFormat format, Grid grid, OutputFormat.Options options) {
        StringWriter text = new StringWriter();
        try (PrintWriter out = new PrintWriter(text)) {
            format.check(grid);
            format.write(grid, options, out);
        }
        return text.toString().replace(System.lineSeparator(), "\n");
    }

    private static Grid grid(List<String> columns, Object[]... rows) {
        return Grid.of(columns, List.of(rows));
    }

    @Test
    void tablesAlignNumbersRightCutLongCellsAndKeepEachObjectOnOneLine() {
        String longText = "x".repeat(60);
        Grid grid = grid(List.of("Name", "Size", "Mixed"), new Object[] {"a\nb", 7L, 12L},
                new Object[] {longText, 12345L, "text"}, new Object[] {null, null, null});
        assertEquals(String.join("\n",
                "Name                                               Size  Mixed",
                "------------------------------------------------  -----  -----",
                "a\\nb                                                  7     12",
                "x".repeat(45) + "...  12345  text",
                "",
                "3 object(s)",
                ""), write(OutputFormat.TABLE, grid, WITH_HEADER));
        assertEquals(String.join("\n", "a\\nb     7  12", "xxxx...", ""), write(OutputFormat.TABLE,
                grid(List.of("N", "S", "M"), new Object[] {"a\nb", 7L, 12L}, new Object[] {"xxxx...", null, null}),
                NO_HEADER));
    }

    @Test
    void csvQuotesOnlyFieldsThatNeedItAndWritesNullEmpty() {
        Grid grid = grid(List.of("A", "B,C"), new Object[] {"cr\ronly", " spaced "}, new Object[] {null, List.of("x", "y")},
                new Object[] {true, "q\"uote"});
        assertEquals("A,\"B,C\"\r\n\"cr\ronly\", spaced \r\n,x;y\r\ntrue,\"q\"\"uote\"\r\n",
                write(OutputFormat.CSV, grid, WITH_HEADER));
        assertEquals(",x;y\r\n", write(OutputFormat.CSV, grid(List.of("A", "B"), new Object[] {null, List.of("x", "y")}),
                NO_HEADER));
    }

    @Test
    void valueTakesOneColumnBesidesTheHost() {
        Map<String, Grid> hosts = new LinkedHashMap<>();
        hosts.put("ONE", grid(List.of("Name"), new Object[] {"a"}));
        hosts.put("TWO", grid(List.of("name"), new Object[] {"b"}, new Object[] {null}));
        assertEquals("a\nb\n\n", write(OutputFormat.VALUE, Grid.ofHosts(hosts), WITH_HEADER));
        assertThrows(IllegalArgumentException.class,
                () -> write(OutputFormat.VALUE, grid(List.of("A", "B"), new Object[] {1L, 2L}), WITH_HEADER));
    }

    @Test
    void hostsShareTheColumnsOfAllInTheOrderFirstMet() {
        Map<String, Grid> hosts = new LinkedHashMap<>();
        hosts.put("ONE", grid(List.of("Name", "Size"), new Object[] {"a", 1L}));
        hosts.put("TWO", grid(List.of("NAME", "Label"), new Object[] {"b", "x"}));
        Grid merged = Grid.ofHosts(hosts);
        assertEquals(List.of("Host", "Name", "Size", "Label"), merged.columns());
        assertEquals(List.of(Arrays.asList("ONE", "a", 1L, null), Arrays.asList("TWO", "b", null, "x")), merged.rows());
        assertEquals("Host  : ONE\nName  : a\nSize  : 1\nLabel :\n\nHost  : TWO\nName  : b\nSize  :\nLabel : x\n",
                write(OutputFormat.LIST, merged, WITH_HEADER), "one block per object, NULL empty");
    }

    @Test
    void aResultWithoutObjectsOrColumnsWritesNoEmptyHeader() {
        Grid empty = grid(List.of());
        assertEquals("0 object(s)\n", write(OutputFormat.TABLE, empty, WITH_HEADER));
        assertEquals("", write(OutputFormat.CSV, empty, WITH_HEADER));
        assertEquals("[]\n", write(OutputFormat.JSON, empty, WITH_HEADER));
        assertEquals("Name\n----\n0 object(s)\n", write(OutputFormat.TABLE, grid(List.of("Name")), WITH_HEADER));
    }

    @Test
    void formatNamesIgnoreCase() {
        assertEquals(OutputFormat.JSONL, OutputFormat.of("JsonL"));
        assertThrows(IllegalArgumentException.class, () -> OutputFormat.of("xml"));
    }
}
