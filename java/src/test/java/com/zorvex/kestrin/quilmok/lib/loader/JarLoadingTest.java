package com.zorvex.kestrin.quilmok.lib.loader;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assertions.fail;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.TimeUnit;
import java.util.stream.Stream;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * A fresh JVM with nothing but the jar on its class path and no java.library.path of ours runs
 * a query (the harness program, through the JDK's source launcher), from one class loader or from
 * several; and, when nothing can be loaded, tells what it tried.
 */
class JarLoadingTest {
    private static final Path JAR = Path.of(System.getProperty("wmibridge.test.jar"));
    private static final Path CLASSES_ONLY = Path.of(System.getProperty("wmibridge.test.classes"));
    private static final Path LIBRARIES = Path.of(System.getProperty("wmibridge.test.libraries"));
    private static final Path HARNESS = Path.of(System.getProperty("wmibridge.test.harness"));

    @TempDir
    Path temp;

    /** The folder the fresh JVMs extract into. */
    private Path extractions;

    @BeforeEach
    void makeExtractionFolder() throws IOException {
        extractions = Files.createDirectory(temp.resolve("extractions"));
    }

    /** What a harness run printed: its exit code, its "run I KEY VALUE" lines, its standard error. */
    private record Outcome(int exit, List<String> lines, String errors) {
        List<String> values(int run, String key) {
            String prefix = "run " + run + " " + key + " ";
            return lines.stream().filter(l -> l.startsWith(prefix)).map(l -> l.substring(prefix.length())).toList();
        }

        String value(int run, String key) {
            List<String> values = values(run, key);
            assertEquals(1, values.size(), () -> "one \"" + key + "\" of run " + run + " in " + lines);
            return values.get(0);
        }
    }

    private Outcome harness(Path classPath, List<String> options, String... args) throws Exception {
        List<String> command = new ArrayList<>();
        command.add(Path.of(System.getProperty("java.home"), "bin", "java").toString());
        command.add("-D" + NativeLibraries.TMPDIR_PROPERTY + "=" + extractions);
        command.addAll(options);
        command.addAll(List.of("-cp", classPath.toString(), HARNESS.toString()));
        command.addAll(List.of(args));
        Path out = temp.resolve("out.txt");
        Path err = temp.resolve("err.txt");
        ProcessBuilder builder = new ProcessBuilder(command).redirectOutput(out.toFile()).redirectError(err.toFile());
        builder.environment().remove("LD_LIBRARY_PATH");
        Process process = builder.start();
        if (!process.waitFor(5, TimeUnit.MINUTES)) {
            process.destroyForcibly();
            fail("the harness did not finish: " + command);
        }
        return new Outcome(process.exitValue(), Files.readAllLines(out, StandardCharsets.UTF_8),
                Files.readString(err, StandardCharsets.UTF_8));
    }

    private static void assertSucceeded(Outcome outcome) {
        assertEquals(0, outcome.exit(), () -> outcome.lines() + "\n" + outcome.errors());
    }

    /** The query ran, its objects had names, and WMI's message modules gave an error its text. */
    private static void assertQueried(Outcome outcome, int run) {
        assertTrue(Integer.parseInt(outcome.value(run, "processes")) > 0, outcome::toString);
        assertFalse(outcome.value(run, "name").isBlank(), outcome::toString);
        String text = outcome.value(run, "text");
        String prefix = "WBEM_E_INVALID_CLASS - ";
        assertTrue(text.startsWith(prefix) && text.length() > prefix.length(), text);
    }

    /** The libraries of one run, each "NAME ORIGIN FILE", in the order they were loaded. */
    private static List<String[]> libraries(Outcome outcome, int run) {
        return outcome.values(run, "library").stream().map(l -> l.split(" ", 3)).toList();
    }

    /** Checks that one run extracted all its libraries into one private folder; returns that folder. */
    private Path assertExtractedTogether(Outcome outcome, int run) {
        List<String[]> libraries = libraries(outcome, run);
        assertEquals(List.of("winpal", "wmijni", "wmicred"), libraries.stream().map(l -> l[0]).toList(),
                "the platform layer first, each library once");
        Path folder = Path.of(libraries.get(0)[2]).getParent();
        for (String[] library : libraries) {
            assertEquals("JAR", library[1], library[0]);
            assertEquals(folder.resolve(System.mapLibraryName(library[0])), Path.of(library[2]));
        }
        assertEquals(extractions, folder.getParent());
        assertEquals(List.of(folder + " rwx------"), outcome.values(run, "folder").stream().distinct().toList());
        return folder;
    }

    private void assertNothingLeftBehind() throws IOException {
        try (Stream<Path> left = Files.list(extractions)) {
            assertEquals(List.of(), left.toList(), "extraction folders are removed when the JVM exits");
        }
    }

    @Test
    void theJarAloneExtractsItsLibrariesAndRunsAQuery() throws Exception {
        Outcome outcome = harness(JAR, List.of());
        assertSucceeded(outcome);
        assertQueried(outcome, 1);
        assertExtractedTogether(outcome, 1);
        assertEquals("1", outcome.value(1, "extractions"), "one extraction serves both libraries");
        assertNothingLeftBehind();
    }

    @Test
    void eachClassLoaderGetsACopyOfItsOwn() throws Exception {
        Outcome outcome = harness(JAR, List.of(), "2");
        assertSucceeded(outcome);
        assertQueried(outcome, 1);
        assertQueried(outcome, 2);
        assertNotEquals(assertExtractedTogether(outcome, 1), assertExtractedTogether(outcome, 2));
        assertEquals("1", outcome.value(1, "extractions"));
        assertEquals("2", outcome.value(2, "extractions"));
        assertNothingLeftBehind();
    }

    @Test
    void theLibraryPathPropertyIsTriedFirst() throws Exception {
        Outcome outcome = harness(JAR, List.of("-D" + NativeLibraries.LIBRARY_PATH_PROPERTY + "=" + LIBRARIES));
        assertSucceeded(outcome);
        assertQueried(outcome, 1);
        List<String> expected = new ArrayList<>();
        for (String name : List.of("wmijni", "wmicred")) {
            expected.add(name + " LIBRARY_PATH_PROPERTY " + LIBRARIES.resolve(System.mapLibraryName(name)).toAbsolutePath());
        }
        assertEquals(expected, outcome.values(1, "library"));
        assertEquals("0", outcome.value(1, "extractions"));
    }

    /** The parts of the error that every failure has: the library, the platform, the hint. */
    private static void assertExplains(Outcome outcome) {
        assertNotEquals(0, outcome.exit());
        String errors = outcome.errors();
        String platform = NativeLibraries.platform();
        for (String part : List.of(
                NativeLibraryUnavailableError.class.getName() + ": cannot load the native library wmijni for " + platform,
                "os.name " + System.getProperty("os.name") + ", os.arch " + System.getProperty("os.arch"),
                "2. java.library.path (",
                "no wmijni in java.library.path",
                "3. extraction of META-INF/native/" + platform + "/",
                "If the temporary folder is mounted noexec",
                "-Dwmibridge.tmpdir=<folder>",
                "-Dwmibridge.library.path=<folder>")) {
            assertTrue(errors.contains(part), () -> "no \"" + part + "\" in:\n" + errors);
        }
    }

    /** The line of the error that reports one attempt. */
    private static String attempt(Outcome outcome, int number) {
        String prefix = "  " + number + ". ";
        return outcome.errors().lines().filter(l -> l.startsWith(prefix)).findFirst()
                .orElseThrow(() -> new AssertionError("no attempt " + number + " in:\n" + outcome.errors()));
    }

    @Test
    void whenNothingLoadsTheErrorListsEveryAttemptAndTheHint() throws Exception {
        Path emptyFolder = Files.createDirectory(temp.resolve("empty"));
        Path notAFolder = Files.writeString(temp.resolve("not-a-folder"), "");
        Outcome outcome = harness(JAR, List.of("-D" + NativeLibraries.LIBRARY_PATH_PROPERTY + "=" + emptyFolder,
                "-D" + NativeLibraries.TMPDIR_PROPERTY + "=" + notAFolder));
        assertExplains(outcome);
        assertTrue(attempt(outcome, 1).endsWith(
                "-Dwmibridge.library.path: Can't load library: " + emptyFolder.resolve(System.mapLibraryName("wmijni"))),
                outcome::errors);
        assertTrue(attempt(outcome, 3).contains(": java.nio.file.") && attempt(outcome, 3).contains(notAFolder.toString()),
                outcome::errors);
        assertFalse(outcome.lines().stream().anyMatch(l -> l.contains(" processes ")), outcome::toString);
    }

    @Test
    void classesWithoutTheLibrariesSayThatTheJarCarriesNone() throws Exception {
        Outcome outcome = harness(CLASSES_ONLY, List.of());
        assertExplains(outcome);
        assertEquals("  1. -Dwmibridge.library.path: not set", attempt(outcome, 1));
        assertTrue(attempt(outcome, 3).endsWith("the jar carries no libraries for " + NativeLibraries.platform()
                + " (it has no META-INF/native/" + NativeLibraries.platform() + "/index.txt)"), outcome::errors);
        assertNothingLeftBehind();
    }
}
