package com.zorvex.kestrin.quilmok.wmi.cli;

import static org.junit.jupiter.api.Assertions.assertAll;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.io.ByteArrayInputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.time.Duration;
import java.util.List;
import java.util.Map;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.function.Executable;
import org.junit.jupiter.api.io.TempDir;

/** What the command line hands over: time-outs, codes, hosts, select lists, method inputs, passwords. */
class InputsTest {
    @Test
    void timeOutsTakeAUnitAndMustBePositive() {
        assertEquals(Duration.ofSeconds(30), Inputs.duration("30s"));
        assertEquals(Duration.ofMillis(500), Inputs.duration("500ms"));
        assertEquals(Duration.ofMinutes(2), Inputs.duration("2M"));
        assertEquals(Duration.ofHours(1), Inputs.duration("1h"));
        assertEquals(Duration.ofSeconds(45), Inputs.duration("45"), "a bare number is seconds");
        assertAll(List.of("0s", "-1s", "5x", "", "1.5s", "99999999999999999999s").stream()
                .map(text -> (Executable) () -> assertThrows(IllegalArgumentException.class, () -> Inputs.duration(text),
                        text)));
    }

    @Test
    void codesInDecimalSignedOrNotAndInHexadecimal() {
        int invalidClass = 0x80041010;
        assertEquals(invalidClass, Inputs.code("0x80041010"));
        assertEquals(invalidClass, Inputs.code("0X80041010"));
        assertEquals(invalidClass, Inputs.code("-2147217392"));
        assertEquals(invalidClass, Inputs.code("2147749904"));
        assertEquals(1722, Inputs.code(" 1722 "));
        assertAll(List.of("0x100000000", "abc", "-2147483649", "4294967296", "0x").stream()
                .map(text -> (Executable) () -> assertThrows(IllegalArgumentException.class, () -> Inputs.code(text),
                        text)));
    }

    @Test
    void hostsFilesSkipCommentsAndBlankLinesAndHostsCountOnce(@TempDir Path temp) throws Exception {
        Path file = Files.writeString(temp.resolve("hosts"), "# fleet\n web1 \n\nweb2 # the second\n  # none\nWEB1\n");
        assertEquals(List.of("web1", "web2", "WEB1"), Inputs.hostsFile(file));
        assertEquals(List.of("web1", "web2"), Inputs.distinctHosts(Inputs.hostsFile(file)));
        assertThrows(IllegalArgumentException.class, () -> Inputs.hostsFile(temp.resolve("missing")));
    }

    @Test
    void theSelectListAsWritten() {
        assertEquals(List.of("a", "B"), Inputs.selectList("select a , B from X where a = 'x, y'"));
        assertEquals(List.of("Name"), Inputs.selectList("SELECT\n Name\nFROM X"));
        assertEquals(List.of(), Inputs.selectList("SELECT * FROM X"));
        assertEquals(List.of(), Inputs.selectList("ASSOCIATORS OF {X.Name='a'}"));
    }

    @Test
    void methodInputsByNameWithRepeatsAsArrays() {
        Map<String, Object> inputs = Inputs.methodInputs(List.of("List=a", "Text=x=y", "list=b", "Empty="));
        assertEquals(Map.of("List", List.of("a", "b"), "Text", "x=y", "Empty", ""), inputs);
        assertEquals(List.of("List", "Text", "Empty"), List.copyOf(inputs.keySet()));
        assertThrows(IllegalArgumentException.class, () -> Inputs.methodInputs(List.of("=x")));
        assertThrows(IllegalArgumentException.class, () -> Inputs.methodInputs(List.of("novalue")));
    }

    @Test
    void aSecretIsTheFirstLineWithoutItsLineEnd() throws Exception {
        String longSecret = "ü".repeat(100);
        assertArrayEquals("s3cret".toCharArray(), Inputs.secretLine(stream("s3cret\r\nnext line\n")));
        assertArrayEquals(longSecret.toCharArray(), Inputs.secretLine(stream(longSecret)));
        assertArrayEquals(new char[0], Inputs.secretLine(stream("")));
    }

    private static ByteArrayInputStream stream(String text) {
        return new ByteArrayInputStream(text.getBytes(StandardCharsets.UTF_8));
    }
}
