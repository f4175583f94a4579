package com.zorvex.kestrin.quilmok.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.ChildJvm;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.Map;
import java.util.stream.Collectors;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** MOF fixtures through the Java API: loaded at run time and undone, and loaded at the start. */
class MofFixturesTest extends ApiTestBase {
    private static final String FIXTURE_NAMESPACE = "root\\javafixture";
    private static final String FIXTURE = "#pragma namespace(\"\\\\\\\\.\\\\root\\\\javafixture\")\n"
            + "class Fixture_Item { [key] string Name; uint64 Big; real64 Ratio; string Tags[]; };\n"
            + "instance of Fixture_Item { Name = \"first\"; Big = 18446744073709551615; Ratio = 0.1; "
            + "Tags = {\"a\", \"b\"}; };\n"
            + "instance of Fixture_Item { Name = \"second\"; };\n";

    @TempDir
    Path folder;

    private Path write(String name, String text) throws IOException {
        Path file = folder.resolve(name);
        Files.createDirectories(file.getParent());
        Files.writeString(file, text, StandardCharsets.UTF_8);
        return file;
    }

    private static List<String> names(String nameSpace, String cls) {
        try (WmiSession wmi = Wmi.connect(ConnectOptions.builder().namespace(nameSpace).build())) {
            return wmi.query("SELECT Name FROM " + cls).stream()
                    .map(object -> object.getString("Name").orElse("<null>")).sorted().collect(Collectors.toList());
        }
    }

    @Test
    void fixtureLoadsItsValuesAndUnloadsAgain() throws IOException {
        Path file = write("items.mof", FIXTURE);
        try (MofFixture fixture = Wmi.emulator().load(file)) {
            assertTrue(fixture.loaded());
            assertEquals(List.of("first", "second"), names(FIXTURE_NAMESPACE, "Fixture_Item"));
            try (WmiSession wmi = Wmi.connect(ConnectOptions.builder().namespace(FIXTURE_NAMESPACE).build())) {
                WmiObject first = wmi.get("Fixture_Item.Name=\"first\"");
                assertEquals("18446744073709551615", first.getBigInteger("Big").orElseThrow().toString());
                assertEquals(0.1, first.getDouble("Ratio").orElseThrow());
                assertEquals(List.of("a", "b"), first.getList("Tags"));
                assertTrue(wmi.get("Fixture_Item.Name=\"second\"").getString("Tags").isEmpty());
            }
            fixture.unload();
            assertFalse(fixture.loaded());
        }
        assertThrows(WmiNotFoundException.class, () -> names(FIXTURE_NAMESPACE, "Fixture_Item"));
    }

    @Test
    void fixtureStandsInForALiveClassInTheNamespaceItNames() throws IOException {
        Path file = write("os.mof", "#pragma namespace(\"\\\\\\\\.\\\\root\\\\cimv2\")\n"
                + "class Win32_OperatingSystem { [key] string Name; string Caption; };\n"
                + "instance of Win32_OperatingSystem { Name = \"fixture\"; Caption = \"Fixture OS\"; };\n");
        List<String> live = names("root\\cimv2", "Win32_OperatingSystem");
        try (MofFixture fixture = Wmi.emulator().load(file, "root\\default")) {
            assertEquals(List.of("fixture"), names("root\\cimv2", "Win32_OperatingSystem"));
            assertFalse(names("root\\cimv2", "Win32_Process").isEmpty());
        }
        assertEquals(live, names("root\\cimv2", "Win32_OperatingSystem"));
    }

    @Test
    void errorsNameFileLineAndReasonAndLoadNothing() throws IOException {
        write("set/a.mof", FIXTURE);
        Path broken = write("set/b.mof", "#pragma namespace(\"\\\\\\\\.\\\\root\\\\javafixture\")\n"
                + "instance of Fixture_Item { Name = \"third\"; };\n"
                + "instance of Fixture_Item { Name = \"fourth\"; Missing = 1; };\n");
        MofLoadException error = assertThrows(MofLoadException.class, () -> Wmi.emulator().load(folder.resolve("set")));
        assertEquals(broken.toString(), error.source());
        assertEquals(3, error.line());
        assertTrue(error.reason().contains("Missing"), error.reason());
        assertEquals(0x80041021, error.code());
        assertThrows(WmiNotFoundException.class, () -> names(FIXTURE_NAMESPACE, "Fixture_Item"));

        MofLoadException missing = assertThrows(MofLoadException.class,
                () -> Wmi.emulator().load(folder.resolve("none.mof")));
        assertEquals(0x80041002, missing.code());
        assertEquals(folder.resolve("none.mof").toString(), missing.source());
    }

    @Test
    void systemPropertyAndEnvironmentLoadAtTheStart() throws Exception {
        Path good = write("start/items.mof", FIXTURE);
        Path other = write("other.mof", "#pragma namespace(\"\\\\\\\\.\\\\root\\\\javafixture\")\n"
                + "instance of Fixture_Item { Name = \"third\"; };\n");
        ChildJvm.Outcome byProperty = ChildJvm.run(MofStartupProbe.class, 120,
                List.of("-D" + LocalEmulator.MOF_PROPERTY + "=" + good.getParent() + ":" + other), Map.of(),
                FIXTURE_NAMESPACE, "Fixture_Item");
        assertEquals(0, byProperty.exitCode(), byProperty.output());
        assertEquals("Name=first\nName=second\nName=third\n", byProperty.output());

        ChildJvm.Outcome byVariable = ChildJvm.run(MofStartupProbe.class, 120, List.of(),
                Map.of(LocalEmulator.MOF_VARIABLE, good.toString()), FIXTURE_NAMESPACE, "Fixture_Item");
        assertEquals(0, byVariable.exitCode(), byVariable.output());
        assertEquals("Name=first\nName=second\n", byVariable.output());

        Path broken = write("broken.mof", "class Broken_Class\n{\n    string Name\n};\n");
        ChildJvm.Outcome failed = ChildJvm.run(MofStartupProbe.class, 120,
                List.of("-D" + LocalEmulator.MOF_PROPERTY + "=" + broken), Map.of(LocalEmulator.MOF_VARIABLE, good.toString()),
                FIXTURE_NAMESPACE, "Fixture_Item");
        assertEquals(3, failed.exitCode(), failed.output());
        assertTrue(failed.output().contains("MofLoadException " + broken + ":4: expected ';'"), failed.output());
    }
}
