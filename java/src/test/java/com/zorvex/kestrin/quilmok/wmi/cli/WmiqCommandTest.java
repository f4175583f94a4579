package com.zorvex.kestrin.quilmok.wmi.cli;

import static org.junit.jupiter.api.Assertions.assertAll;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assertions.fail;

import com.google.gson.JsonArray;
import com.google.gson.JsonElement;
import com.google.gson.JsonObject;
import com.google.gson.JsonParser;
import java.io.IOException;
import java.io.OutputStream;
import java.math.BigInteger;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.time.OffsetDateTime;
import java.time.ZoneOffset;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Nested;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * {@code wmiq} run as a user runs it: a JVM of its own with the jar, picocli and gson on its class
 * path. Runs that need fixtures (MOF, emulated hosts and accounts, slow providers) start through
 * {@link WmiqLauncher}, which prepares that JVM's emulator first.
 */
class WmiqCommandTest {
    private static final String JAVA = Path.of(System.getProperty("java.home"), "bin", "java").toString();
    private static final String JAR = System.getProperty("wmibridge.test.jar");
    private static final String PICOCLI = System.getProperty("wmibridge.test.picocli");
    private static final String GSON = System.getProperty("wmibridge.test.gson");
    private static final String TEST_CLASSES = System.getProperty("wmibridge.test.testClasses");
    private static final String TEST = "root\\test";

    /** A class whose texts need quoting in CSV. */
    private static final String AWKWARD_MOF = String.join("\n",
            "#pragma namespace(\"\\\\\\\\.\\\\root\\\\test\")",
            "class Test_Awkward { [key] string Name; string Note; string Tags[]; uint32 Count; };",
            "instance of Test_Awkward { Name = \"plain\"; Note = \"nothing odd\"; Tags = {\"a\", \"b\"}; Count = 1; };",
            "instance of Test_Awkward { Name = \"quotes, commas\"; Note = \"say \\\"hi\\\", then\\nleave\\r\\n\";"
                    + " Tags = {\"x,y\", \"\"}; };",
            "instance of Test_Awkward { Name = \"  spaced  \"; };");

    @TempDir
    Path temp;

    /** What a run of the tool gave. */
    record Run(int exit, String out, String err) {
        Run expect(int code) {
            assertEquals(code, exit, () -> "exit code; standard output:\n" + out + "\nstandard error:\n" + err);
            return this;
        }

        List<String> lines() {
            return out.lines().toList();
        }
    }

    /** Runs the tool on the jar alone: it extracts its libraries into a folder of the test's. */
    private Run wmiq(String... args) throws Exception {
        List<String> command = new ArrayList<>(List.of(JAVA, "-XX:TieredStopAtLevel=1",
                "-Dwmibridge.tmpdir=" + Files.createDirectories(temp.resolve("extractions")),
                "-cp", String.join(":", JAR, PICOCLI, GSON), Wmiq.class.getName()));
        command.addAll(List.of(args));
        return run(command, null, Map.of());
    }

    /** Runs the tool through the launcher, with the emulator prepared by {@code properties}. */
    private Run prepared(Map<String, String> properties, String stdin, Map<String, String> environment,
            String... args) throws Exception {
        List<String> command = new ArrayList<>(List.of(JAVA, "-XX:TieredStopAtLevel=1",
                "-Djava.library.path=" + System.getProperty("java.library.path")));
        properties.forEach((name, value) -> command.add("-D" + name + "=" + value));
        command.addAll(List.of("-cp", String.join(":", JAR, PICOCLI, GSON, TEST_CLASSES), WmiqLauncher.class.getName()));
        command.addAll(List.of(args));
        Run run = run(command, stdin, environment);
        assertFalse(run.exit() == WmiqLauncher.SETUP_FAILED, run.err());
        return run;
    }

    private Run prepared(Map<String, String> properties, String... args) throws Exception {
        return prepared(properties, null, Map.of(), args);
    }

    private Run run(List<String> command, String stdin, Map<String, String> environment) throws Exception {
        Path out = Files.createTempFile(temp, "out", ".txt");
        Path err = Files.createTempFile(temp, "err", ".txt");
        ProcessBuilder builder = new ProcessBuilder(command).redirectOutput(out.toFile()).redirectError(err.toFile());
        builder.environment().remove("LD_LIBRARY_PATH");
        builder.environment().putAll(environment);
        Process process = builder.start();
        try (OutputStream input = process.getOutputStream()) {
            if (stdin != null) {
                input.write(stdin.getBytes(StandardCharsets.UTF_8));
            }
        }
        if (!process.waitFor(2, TimeUnit.MINUTES)) {
            process.destroyForcibly();
            fail("wmiq did not finish: " + command);
        }
        return new Run(process.exitValue(), Files.readString(out, StandardCharsets.UTF_8),
                Files.readString(err, StandardCharsets.UTF_8));
    }

    private Path file(String name, String text) throws IOException {
        return Files.writeString(temp.resolve(name), text, StandardCharsets.UTF_8);
    }

    /** The {@code Name : value} lines of a list block, by name. */
    private static Map<String, String> listed(String out) {
        Map<String, String> values = new LinkedHashMap<>();
        for (String line : out.lines().toList()) {
            int colon = line.indexOf(" :");
            values.put(line.substring(0, colon).trim(), line.substring(colon + 2).trim());
        }
        return values;
    }

    @Nested
    class Queries {
        @Test
        void withoutArgumentsItListsTheProcessesOfThisMachineItselfIncluded() throws Exception {
            List<String> command = new ArrayList<>(List.of(JAVA, "-Dwmibridge.tmpdir=" + Files.createDirectories(
                    temp.resolve("extractions")), "-cp", String.join(":", JAR, PICOCLI, GSON), Wmiq.class.getName()));
            Path out = temp.resolve("processes.txt");
            Process process = new ProcessBuilder(command).redirectOutput(out.toFile())
                    .redirectError(ProcessBuilder.Redirect.DISCARD).start();
            assertTrue(process.waitFor(2, TimeUnit.MINUTES));
            assertEquals(0, process.exitValue());
            List<String> lines = Files.readAllLines(out, StandardCharsets.UTF_8);
            assertEquals(List.of("Name", "ProcessId", "WorkingSetSize"), Arrays.asList(lines.get(0).split("\\s+")));
            String self = Long.toString(process.pid());
            assertTrue(lines.stream().anyMatch(line -> Arrays.asList(line.trim().split("\\s+")).contains(self)),
                    "the tool's own process " + self + " is listed:\n" + lines);
            assertTrue(lines.get(lines.size() - 1).matches("[1-9][0-9]* object\\(s\\)"), lines.get(lines.size() - 1));
        }

        @Test
        void aBareClassShowsItsPropertiesInFirstSeenOrderAsATable() throws Exception {
            List<String> lines = wmiq("-n", TEST, "Test_Keyed").expect(0).lines();
            assertEquals(List.of("Name   Size  Label   Extra", "-----  ----  ------  -----", "alpha     1  first",
                    "beta      2  second", "gamma     3", "delta     4  child   false", "4 object(s)"), lines,
                    "numbers to the right, NULL empty, the subclass's property last");
        }

        @Test
        void selectStarShowsEveryPropertyAndASelectListItsOwnOrder() throws Exception {
            List<String> star = wmiq("-n", TEST, "SELECT * FROM Test_KeyedChild", "-o", "csv").expect(0).lines();
            assertEquals(List.of("Name,Size,Label,Extra", "delta,4,child,false"), star);
            List<String> listed = wmiq("-n", TEST, "select Label, name FROM Test_Keyed WHERE Size >= 3", "-o", "csv")
                    .expect(0).lines();
            assertEquals(List.of("Label,Name", ",gamma", "child,delta"), listed,
                    "columns as written, spelled as WMI spells them");
            List<String> bare = wmiq("-n", TEST, "Test_Keyed", "-p", "Size,Name", "-w", "Name LIKE '%a'", "-o", "csv",
                    "--no-header").expect(0).lines();
            assertEquals(List.of("1,alpha", "2,beta", "3,gamma", "4,delta"), bare);
        }

        @Test
        void systemPropertiesOnlyWhenAsked() throws Exception {
            String plain = wmiq("-n", TEST, "--get", "Test_Keyed.Name=\"alpha\"").expect(0).out();
            assertEquals(Map.of("Name", "alpha", "Size", "1", "Label", "first"), listed(plain));
            Map<String, String> system = listed(wmiq("-n", TEST, "--get", "Test_Keyed.Name=\"alpha\"", "--system")
                    .expect(0).out());
            assertEquals("Test_Keyed", system.get("__CLASS"));
            assertEquals("root\\test", system.get("__NAMESPACE"));
            assertEquals("__GENUS", system.keySet().iterator().next(), "system properties come first");
        }
    }

    @Nested
    class Formats {
        @Test
        void csvQuotesWhatItMustAndReadsBack() throws Exception {
            Path mof = file("awkward.mof", AWKWARD_MOF);
            Run run = prepared(Map.of("wmiq.test.mof", mof.toString()), "-n", TEST, "Test_Awkward", "-o", "csv")
                    .expect(0);
            assertTrue(run.out().contains("\r\n"), "RFC 4180 lines end in CRLF");
            List<List<String>> records = Csv.parse(run.out());
            assertEquals(List.of(List.of("Name", "Note", "Tags", "Count"), List.of("plain", "nothing odd", "a;b", "1"),
                    List.of("quotes, commas", "say \"hi\", then\nleave\r\n", "x,y;", ""),
                    List.of("  spaced  ", "", "", "")), records);
        }

        @Test
        void jsonHasRealNumbersBooleansNullsDatetimesAndNestedObjects() throws Exception {
            Run run = wmiq("-n", TEST, "SELECT * FROM Test_AllTypes WHERE Name = 'full'", "-o", "json").expect(0);
            JsonArray array = JsonParser.parseString(run.out()).getAsJsonArray();
            assertEquals(1, array.size());
            JsonObject full = array.get(0).getAsJsonObject();
            assertAll(
                    () -> assertEquals(new BigInteger("18000000000000000000"),
                            full.get("UInt64Value").getAsJsonPrimitive().getAsBigInteger()),
                    () -> assertTrue(full.get("SInt32Value").getAsJsonPrimitive().isNumber()),
                    () -> assertEquals(-2000000000, full.get("SInt32Value").getAsInt()),
                    () -> assertEquals(-2.25e10, full.get("Real64Value").getAsDouble()),
                    () -> assertTrue(full.get("BooleanValue").getAsJsonPrimitive().isBoolean()),
                    () -> assertTrue(full.get("BooleanValue").getAsBoolean()),
                    () -> assertTrue(full.get("TypedObjectValue").isJsonNull()),
                    () -> assertEquals(OffsetDateTime.of(2024, 1, 2, 3, 4, 5, 0, ZoneOffset.ofHours(1)),
                            OffsetDateTime.parse(full.get("DatetimeValue").getAsString())),
                    () -> assertEquals("PT26H3M4S", full.get("DatetimeArray").getAsJsonArray().get(1).getAsString()),
                    () -> assertEquals("tab\there \"quoted\" \\ back", full.get("StringValue").getAsString()),
                    () -> assertEquals("embedded", full.getAsJsonObject("ObjectValue").get("Name").getAsString()),
                    () -> assertEquals(42, full.getAsJsonObject("ObjectValue").get("Size").getAsInt()),
                    () -> assertEquals(List.of("one", "", "three"), strings(full.getAsJsonArray("StringArray"))),
                    () -> assertFalse(full.getAsJsonArray("ObjectArray").get(0).getAsJsonObject().has("Extra")),
                    () -> assertTrue(full.getAsJsonArray("ObjectArray").get(1).getAsJsonObject().get("Extra")
                            .getAsBoolean(), "each element with its own class's properties"));
        }

        @Test
        void jsonLinesHaveOneObjectPerLine() throws Exception {
            List<String> lines = wmiq("-n", TEST, "Test_Keyed", "-p", "Name,Label", "-o", "jsonl").expect(0).lines();
            assertEquals(4, lines.size());
            List<String> names = new ArrayList<>();
            for (String line : lines) {
                JsonObject object = JsonParser.parseString(line).getAsJsonObject();
                assertEquals(List.of("Name", "Label"), List.copyOf(object.keySet()));
                names.add(object.get("Name").getAsString());
            }
            assertEquals(List.of("alpha", "beta", "gamma", "delta"), names);
            assertTrue(JsonParser.parseString(lines.get(2)).getAsJsonObject().get("Label").isJsonNull());
        }

        @Test
        void valuePrintsOneBareValuePerObjectAndRefusesSeveralColumns() throws Exception {
            assertEquals(List.of("alpha", "beta", "gamma", "delta"),
                    wmiq("-n", TEST, "Test_Keyed", "-p", "Name", "-o", "value").expect(0).lines());
            Run refused = wmiq("-n", TEST, "Test_Keyed", "-o", "value").expect(Wmiq.USAGE);
            assertTrue(refused.err().contains("one column"), refused.err());
            assertEquals("", refused.out());
        }

        @Test
        void listShowsBlocksAndNullEmpty() throws Exception {
            Run run = wmiq("-n", TEST, "Test_Keyed", "-w", "Size > 2", "-o", "list").expect(0);
            assertEquals(List.of("Name  : gamma", "Size  : 3", "Label :", "Extra :", "", "Name  : delta", "Size  : 4",
                    "Label : child", "Extra : false"), run.lines());
        }

        private static List<String> strings(JsonArray array) {
            List<String> strings = new ArrayList<>();
            for (JsonElement element : array) {
                strings.add(element.getAsString());
            }
            return strings;
        }
    }

    @Nested
    class MethodsAndSchema {
        @Test
        void callConvertsInputsByTheParametersTypesAndPrintsTheOutputs() throws Exception {
            assertEquals(Map.of("ReturnValue", "5"),
                    listed(wmiq("-n", TEST, "--call", "Test_Methods", "Add", "--arg", "A=2", "--arg", "B=3")
                            .expect(0).out()));
            Map<String, String> echo = listed(wmiq("-n", TEST, "--call", "Test_Methods", "Echo", "--arg", "Text=hello",
                    "--arg", "Number=-5", "--arg", "List=a", "--arg", "list=b", "--arg", "Counter=4000000000")
                    .expect(0).out());
            assertEquals(Map.of("ReturnValue", "hello", "Counter", "4000000001", "Combined", "hello|-5|a,b|null"), echo);
            Map<String, String> single = listed(wmiq("-n", TEST, "--call", "Test_Methods", "Echo", "--arg", "Text=x",
                    "--arg", "List=only").expect(0).out());
            assertEquals("x|null|only|null", single.get("Combined"), "one value for an array is an array of one");
            Run described = wmiq("-n", TEST, "--call", "Test_Methods.Name=\"methods\"", "Describe", "-o", "json")
                    .expect(0);
            JsonObject result = JsonParser.parseString(described.out()).getAsJsonArray().get(0).getAsJsonObject();
            assertEquals(0, result.get("ReturnValue").getAsInt());
            assertEquals("Test_Methods.Name=\"methods\"", result.get("Description").getAsString());
        }

        @Test
        void inputsThatDoNotFitTheirParameterAreUsageErrors() throws Exception {
            Run text = wmiq("-n", TEST, "--call", "Test_Methods", "Add", "--arg", "A=two", "--arg", "B=3")
                    .expect(Wmiq.USAGE);
            assertTrue(text.err().contains("A takes a decimal integer"), text.err());
            wmiq("-n", TEST, "--call", "Test_Methods", "Add", "--arg", "A=2147483648", "--arg", "B=3")
                    .expect(Wmiq.USAGE);
            wmiq("-n", TEST, "--call", "Test_Methods", "Add", "--arg", "novalue").expect(Wmiq.USAGE);
        }

        @Test
        void describeNamesWin32WmiAndUnknownCodes() throws Exception {
            Map<String, String> win32 = listed(wmiq("--describe", "1722").expect(0).out());
            assertEquals("RPC_S_SERVER_UNAVAILABLE", win32.get("Symbol"));
            assertEquals("0x800706BA", win32.get("Code"));
            assertFalse(win32.get("Text").isEmpty());
            Map<String, String> wmi = listed(wmiq("--describe", "0x80041010").expect(0).out());
            assertEquals("WBEM_E_INVALID_CLASS", wmi.get("Symbol"));
            assertFalse(wmi.get("Text").isEmpty());
            assertFalse(wmi.get("Text").startsWith("WBEM_E_INVALID_CLASS"), "the name is not repeated in the text");
            assertEquals(wmi, listed(wmiq("--describe", "-2147217392").expect(0).out()), "the same code in decimal");
            Map<String, String> unknown = listed(wmiq("--describe", "0x80049999").expect(0).out());
            assertEquals("0x80049999", unknown.get("Symbol"));
            assertEquals("", unknown.get("Text"));
            wmiq("--describe", "0x1FFFFFFFF").expect(Wmiq.USAGE);
        }

        @Test
        void classesAndTheirPropertiesWithCimTypes() throws Exception {
            List<List<String>> classes = Csv.parse(wmiq("-n", TEST, "--classes", "-o", "csv").expect(0).out());
            assertEquals(List.of("Class", "Superclass", "Properties"), classes.get(0));
            assertTrue(classes.contains(List.of("Test_KeyedChild", "Test_Keyed", "4")), classes.toString());
            assertTrue(classes.contains(List.of("Test_AllTypes", "", "34")), classes.toString());
            List<String> keyed = wmiq("-n", TEST, "--classes", "test[_]key%", "-o", "csv", "--no-header").expect(0)
                    .lines().stream().map(line -> line.split(",")[0]).toList();
            assertEquals(List.of("Test_Keyed", "Test_KeyedChild"), keyed, "a LIKE pattern, sorted by name");
            Map<String, String> types = new LinkedHashMap<>();
            for (List<String> row : Csv.parse(wmiq("-n", TEST, "--props", "Test_AllTypes", "-o", "csv", "--no-header")
                    .expect(0).out())) {
                types.put(row.get(0), row.get(1));
            }
            assertAll(
                    () -> assertEquals("uint32", types.get("UInt32Value")),
                    () -> assertEquals("string[]", types.get("StringArray")),
                    () -> assertEquals("datetime", types.get("DatetimeValue")),
                    () -> assertEquals("reference", types.get("ReferenceValue")),
                    () -> assertEquals("object[]", types.get("ObjectArray")),
                    () -> assertEquals(34, types.size()));
        }
    }

    @Nested
    class EventsAndAssociations {
        private static final String ALPHA = "Test_Keyed.Name=\"alpha\"";
        private static final String SLEEPS = "SELECT * FROM __InstanceCreationEvent WITHIN 0.1"
                + " WHERE TargetInstance ISA 'Win32_Process' AND TargetInstance.Name = 'sleep'";

        @Test
        void assocAndRefsListTheRelatedObjectsWithTheirClasses() throws Exception {
            List<String> lines = wmiq("-n", TEST, "--assoc", ALPHA, "-o", "csv").expect(0).lines();
            List<String> header = Arrays.asList(lines.get(0).split(","));
            assertEquals(List.of("Class", "Name"), header.subList(0, 2), lines.get(0));
            assertEquals(List.of("Test_Group,team", "Test_Keyed,beta", "Test_Keyed,gamma", "Test_KeyedChild,delta"),
                    lines.subList(1, lines.size()).stream().map(line -> line.substring(0, line.indexOf(',',
                            line.indexOf(',') + 1))).sorted().toList());
            JsonArray links = JsonParser.parseString(wmiq("-n", TEST, "--refs", ALPHA, "-o", "json").expect(0).out())
                    .getAsJsonArray();
            List<String> classes = new ArrayList<>();
            links.forEach(link -> classes.add(link.getAsJsonObject().get("Class").getAsString()));
            assertEquals(List.of("Test_Link", "Test_Link", "Test_Membership", "Test_StrongLink"),
                    classes.stream().sorted().toList());
            Run missing = wmiq("-n", TEST, "--assoc", "Test_Keyed.Name=\"omega\"").expect(Wmiq.WMI_ERROR);
            assertTrue(missing.err().contains("WBEM_E_NOT_FOUND"), missing.err());
        }

        /**
         * Runs {@code wmiq --watch} and starts {@code sleep} processes, one after another, until
         * it has seen enough of them and ends; returns its run and the processes' ids.
         */
        private Run watching(List<Long> started, String... args) throws Exception {
            List<String> command = new ArrayList<>(List.of(JAVA, "-XX:TieredStopAtLevel=1",
                    "-Dwmibridge.tmpdir=" + Files.createDirectories(temp.resolve("extractions")),
                    "-cp", String.join(":", JAR, PICOCLI, GSON), Wmiq.class.getName()));
            command.addAll(List.of(args));
            Path out = Files.createTempFile(temp, "out", ".txt");
            Path err = Files.createTempFile(temp, "err", ".txt");
            ProcessBuilder builder = new ProcessBuilder(command).redirectOutput(out.toFile())
                    .redirectError(err.toFile());
            builder.environment().remove("LD_LIBRARY_PATH");
            Process watcher = builder.start();
            List<Process> sleeps = new ArrayList<>();
            try {
                // The watcher subscribes at a moment of its own: processes go on starting until it
                // has seen its count. Two minutes is a bound for a stuck watcher, not a timing.
                long deadline = System.nanoTime() + TimeUnit.MINUTES.toNanos(2);
                while (!watcher.waitFor(300, TimeUnit.MILLISECONDS)) {
                    if (System.nanoTime() > deadline) {
                        fail("wmiq --watch did not end: " + Files.readString(err));
                    }
                    Process sleep = new ProcessBuilder("sleep", "600").start();
                    sleeps.add(sleep);
                    started.add(sleep.pid());
                }
            } finally {
                watcher.destroyForcibly();
                for (Process sleep : sleeps) {
                    sleep.destroyForcibly().waitFor();
                }
            }
            return new Run(watcher.exitValue(), Files.readString(out, StandardCharsets.UTF_8),
                    Files.readString(err, StandardCharsets.UTF_8));
        }

        @Test
        void watchPrintsOneJsonLinePerEventUntilItsCount() throws Exception {
            List<Long> started = new ArrayList<>();
            Run run = watching(started, "--watch", SLEEPS, "--count", "2", "-o", "jsonl").expect(0);
            assertEquals(2, run.lines().size(), run.out());
            for (String line : run.lines()) {
                JsonObject event = JsonParser.parseString(line).getAsJsonObject();
                assertEquals("__InstanceCreationEvent", event.get("Event").getAsString());
                JsonObject process = event.getAsJsonObject("TargetInstance");
                assertEquals("sleep", process.get("Name").getAsString());
                assertTrue(started.contains(process.get("ProcessId").getAsLong()), line);
            }
        }

        @Test
        void watchPrintsOneLineOfTextPerEvent() throws Exception {
            List<Long> started = new ArrayList<>();
            Run run = watching(started, "--watch", SLEEPS, "--count", "1").expect(0);
            assertEquals(1, run.lines().size(), run.out());
            String line = run.lines().get(0);
            assertTrue(line.startsWith("__InstanceCreationEvent "), line);
            assertTrue(line.contains(" TargetInstance=Win32_Process{"), line);
            assertTrue(line.contains(" TIME_CREATED="), line);
            assertTrue(started.stream().anyMatch(pid -> line.contains("ProcessId=" + pid + ",")), line);
        }

        @Test
        void watchRefusesWhatItCannotDo() throws Exception {
            wmiq("--watch", SLEEPS, "--count", "0").expect(Wmiq.USAGE);
            wmiq("Win32_Process", "--count", "1").expect(Wmiq.USAGE);
            wmiq("--watch", SLEEPS, "-o", "csv").expect(Wmiq.USAGE);
            wmiq("--watch", SLEEPS, "--assoc", ALPHA).expect(Wmiq.USAGE);
            wmiq("--watch", SLEEPS, "-H", "a", "-H", "b").expect(Wmiq.USAGE);
            Run noWithin = wmiq("--watch", "SELECT * FROM __InstanceCreationEvent WHERE TargetInstance ISA"
                    + " 'Win32_Process'").expect(Wmiq.WMI_ERROR);
            assertTrue(noWithin.err().contains("WBEMESS_E_REGISTRATION_TOO_PRECISE (0x80042002)"), noWithin.err());
        }
    }

    @Nested
    class Failures {
        @Test
        void usageErrorsExitWithTwoAndSayWhy() throws Exception {
            Run unknown = wmiq("--bogus").expect(Wmiq.USAGE);
            assertTrue(unknown.err().contains("--bogus") && unknown.err().contains("--help"), unknown.err());
            wmiq("Win32_Process", "--get", "Win32_Process").expect(Wmiq.USAGE);
            wmiq("SELECT * FROM Win32_Process", "-p", "Name").expect(Wmiq.USAGE);
            wmiq("-o", "xml").expect(Wmiq.USAGE);
            wmiq("--timeout", "soon").expect(Wmiq.USAGE);
            wmiq("--arg", "A=1").expect(Wmiq.USAGE);
            wmiq("--password-stdin").expect(Wmiq.USAGE);
            wmiq("--classes", "-p", "Name").expect(Wmiq.USAGE);
            Run help = wmiq("--help").expect(0);
            assertTrue(help.out().startsWith("Usage: wmiq"), help.out());
            assertTrue(wmiq("--version").expect(0).out().startsWith("wmiq "));
        }

        @Test
        void anInvalidClassIsAWmiError() throws Exception {
            Run run = wmiq("-n", TEST, "Test_Nothing").expect(Wmiq.WMI_ERROR);
            assertTrue(run.err().contains("WBEM_E_INVALID_CLASS (0x80041010)"), run.err());
            assertEquals("", run.out());
        }

        @Test
        void anUnreachableHostIsAWmiError() throws Exception {
            Run run = wmiq("-H", "NOHOST", "Win32_Process").expect(Wmiq.WMI_ERROR);
            assertTrue(run.err().contains("RPC_S_SERVER_UNAVAILABLE (0x800706BA)"), run.err());
        }

        @Test
        void aSlowProviderTimesOut() throws Exception {
            Run run = prepared(Map.of("wmiq.test.delay", "Test_Keyed:3000"), "-n", TEST, "--timeout", "300ms",
                    "Test_Keyed").expect(Wmiq.TIMED_OUT);
            assertTrue(run.err().contains("WBEM_E_TIMED_OUT"), run.err());
        }
    }

    @Nested
    class Fleets {
        @Test
        void hostsAnswerInParallelEachRowNamesItsHostAndFailuresGoToStandardError() throws Exception {
            Path hosts = file("hosts.txt", "# the fleet\nHOSTB   # second\n\nNOHOST\nhosta\n");
            Run run = prepared(Map.of("wmiq.test.hosts", "HOSTA,HOSTB"), "-H", "HOSTA", "--hosts-file",
                    hosts.toString(), "-n", TEST, "Test_Keyed", "-p", "Name", "-w", "Size < 3", "-o", "csv")
                    .expect(Wmiq.SOME_HOSTS_FAILED);
            assertEquals(List.of(List.of("Host", "Name"), List.of("HOSTA", "alpha"), List.of("HOSTA", "beta"),
                    List.of("HOSTB", "alpha"), List.of("HOSTB", "beta")), Csv.parse(run.out()));
            assertEquals(List.of("NOHOST: RPC_S_SERVER_UNAVAILABLE (0x800706BA) "),
                    run.err().lines().map(line -> line.replaceFirst("\\) .*", ") ")).toList());
        }

        @Test
        void aFleetInJsonAndOneWhereEveryHostFails() throws Exception {
            Run run = prepared(Map.of("wmiq.test.hosts", "HOSTA,HOSTB"), "-H", "HOSTA,HOSTB", "-n", TEST,
                    "--get", "Test_Singleton=@", "-o", "json").expect(0);
            JsonArray rows = JsonParser.parseString(run.out()).getAsJsonArray();
            assertEquals(2, rows.size());
            assertEquals("HOSTB", rows.get(1).getAsJsonObject().get("Host").getAsString());
            assertEquals(7, rows.get(1).getAsJsonObject().get("Counter").getAsInt());
            Run dead = wmiq("-H", "DEADA,DEADB", "Win32_Process").expect(Wmiq.WMI_ERROR);
            assertEquals(2, dead.err().lines().count(), dead.err());
            assertEquals("", dead.out());
        }
    }

    @Nested
    class Readme {
        /** A command of the README's examples and the output shown under it. */
        record Example(List<String> args, String output) {}

        @Test
        void theExamplesOnFixedDataShowTheirRealOutput() throws Exception {
            String readme = Files.readString(Path.of(System.getProperty("wmibridge.readme", "README.md")));
            List<Example> examples = examples(readme);
            assertTrue(examples.size() >= 4, "examples on root\\test and --describe: " + examples);
            for (Example example : examples) {
                Run run = wmiq(example.args().toArray(String[]::new)).expect(0);
                // The README shows CSV's CRLF line ends as any others.
                assertEquals(example.output(), run.out().replace("\r\n", "\n"), "wmiq " + example.args());
            }
        }

        /** The {@code $ scripts/wmiq} commands whose output does not depend on the machine. */
        private static List<Example> examples(String readme) {
            List<Example> examples = new ArrayList<>();
            List<String> lines = readme.lines().toList();
            for (int i = 0; i < lines.size(); i++) {
                String line = lines.get(i);
                if (!line.startsWith("$ scripts/wmiq ") || !(line.contains("root\\test") || line.contains("--describe"))) {
                    continue;
                }
                StringBuilder output = new StringBuilder();
                for (int j = i + 1; j < lines.size() && !lines.get(j).startsWith("$ ") && !lines.get(j).equals("```");
                        j++) {
                    output.append(lines.get(j)).append('\n');
                }
                List<String> words = shellWords(line.substring("$ scripts/wmiq ".length()));
                examples.add(new Example(words, output.toString()));
            }
            return examples;
        }

        /** Words as a POSIX shell splits them, for the quoting the examples use. */
        private static List<String> shellWords(String command) {
            List<String> words = new ArrayList<>();
            StringBuilder word = null;
            char quote = 0;
            for (int i = 0; i < command.length(); i++) {
                char c = command.charAt(i);
                if (quote == '\'') {
                    if (c == '\'') {
                        quote = 0;
                    } else {
                        word.append(c);
                    }
                } else if (quote == '"') {
                    if (c == '"') {
                        quote = 0;
                    } else if (c == '\\' && i + 1 < command.length() && "\"\\$`".indexOf(command.charAt(i + 1)) >= 0) {
                        word.append(command.charAt(++i));
                    } else {
                        word.append(c);
                    }
                } else if (Character.isWhitespace(c)) {
                    if (word != null) {
                        words.add(word.toString());
                        word = null;
                    }
                } else {
                    word = word == null ? new StringBuilder() : word;
                    if (c == '\'' || c == '"') {
                        quote = c;
                    } else {
                        word.append(c);
                    }
                }
            }
            if (word != null) {
                words.add(word.toString());
            }
            return words;
        }
    }

    @Nested
    class Passwords {
        private static final String SECRET = "pa55-W0rd!";
        private final Map<String, String> secure = Map.of("wmiq.test.hosts", "SECURE",
                "wmiq.test.account", "SECURE:CORP:alice:" + SECRET);

        @Test
        void aPasswordFromStandardInputConnectsAndIsNeverPrinted() throws Exception {
            Run accepted = prepared(secure, SECRET + "\n", Map.of(), "-H", "SECURE", "-u", "CORP\\alice",
                    "--password-stdin", "-n", TEST, "Test_Singleton", "-o", "json", "--system").expect(0);
            assertTrue(accepted.out().contains("\"Mode\": \"test\""), accepted.out());
            Run refused = prepared(secure, "wrong-" + SECRET + "\r\n", Map.of(), "-H", "SECURE", "-u", "CORP\\alice",
                    "--password-stdin", "-n", TEST, "Test_Singleton").expect(Wmiq.WMI_ERROR);
            assertTrue(refused.err().contains("E_ACCESSDENIED"), refused.err());
            for (Run run : List.of(accepted, refused)) {
                assertFalse(run.out().contains(SECRET), "standard output shows the password");
                assertFalse(run.err().contains(SECRET), "standard error shows the password");
            }
        }

        @Test
        void aPasswordFromTheEnvironment() throws Exception {
            Run run = prepared(secure, null, Map.of("WMIQ_TEST_SECRET", SECRET), "-H", "SECURE", "-u", "alice",
                    "--password-env", "WMIQ_TEST_SECRET", "-n", TEST, "Test_Singleton", "-p", "Mode", "-o", "value")
                    .expect(0);
            assertEquals("test\n", run.out());
            assertFalse(run.err().contains(SECRET));
        }
    }
}
