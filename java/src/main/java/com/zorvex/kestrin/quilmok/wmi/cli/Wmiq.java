package com.zorvex.kestrin.quilmok.wmi.cli;

import com.zorvex.kestrin.quilmok.wmi.ConnectOptions;
import com.zorvex.kestrin.quilmok.wmi.Filter;
import com.zorvex.kestrin.quilmok.wmi.HostOutcome;
import com.zorvex.kestrin.quilmok.wmi.MethodResult;
import com.zorvex.kestrin.quilmok.wmi.Wmi;
import com.zorvex.kestrin.quilmok.wmi.WmiErrorInfo;
import com.zorvex.kestrin.quilmok.wmi.WmiException;
import com.zorvex.kestrin.quilmok.wmi.WmiFleet;
import com.zorvex.kestrin.quilmok.wmi.WmiObject;
import com.zorvex.kestrin.quilmok.wmi.WmiResult;
import com.zorvex.kestrin.quilmok.wmi.WmiSession;
import com.zorvex.kestrin.quilmok.wmi.WmiSubscription;
import com.zorvex.kestrin.quilmok.wmi.WmiTimeoutException;
import com.zorvex.kestrin.quilmok.wmi.WmiValue;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStreamWriter;
import java.io.PrintStream;
import java.io.PrintWriter;
import java.nio.charset.Charset;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import java.time.Duration;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Comparator;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.Optional;
import java.util.StringJoiner;
import java.util.concurrent.Callable;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.function.Function;
import java.util.function.UnaryOperator;
import picocli.CommandLine;
import picocli.CommandLine.Command;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Option;
import picocli.CommandLine.Parameters;
import picocli.CommandLine.Spec;

/**
 * {@code wmiq}: WQL queries, objects, methods, classes and error codes from the command line, on
 * one host or on many in parallel. Run {@code wmiq --help} for its usage.
 */
@Command(name = "wmiq", mixinStandardHelpOptions = true, versionProvider = Wmiq.Version.class, sortOptions = false,
        usageHelpWidth = 100,
        customSynopsis = {
            "wmiq [OPTIONS] \"WQL\"",
            "       wmiq [OPTIONS] CLASS [-p PROP[,PROP...]] [-w CONDITION]",
            "       wmiq [OPTIONS] --get PATH",
            "       wmiq [OPTIONS] --call PATH_OR_CLASS METHOD [--arg NAME=VALUE]...",
            "       wmiq [OPTIONS] --classes [PATTERN]",
            "       wmiq [OPTIONS] --props CLASS",
            "       wmiq [OPTIONS] --assoc PATH | --refs PATH",
            "       wmiq [OPTIONS] --watch \"EVENT WQL\" [--count N]",
            "       wmiq --describe CODE"},
        description = {
            "",
            "Queries Windows Management Instrumentation (WMI). Without a query it lists this machine's",
            "processes (" + Wmiq.DEFAULT_QUERY + ").",
            "A bare class name queries that class; SELECT * and a class without -p show every property",
            "in the order first met, a select list shows its columns as written. With several hosts",
            "each is queried in parallel and every row starts with its Host; hosts that fail are",
            "reported on standard error as HOST: SYMBOL (0x...) text."},
        parameterListHeading = "%nParameters:%n",
        optionListHeading = "%nOptions:%n",
        exitCodeListHeading = "%nExit codes:%n",
        exitCodeList = {
            "0:success",
            "1:WMI error (every host failed, when there are several)",
            "2:usage error",
            "3:some hosts failed, others answered",
            "4:time-out"},
        footerHeading = "%nExamples:%n",
        footer = {
            "  wmiq",
            "  wmiq Win32_LogicalDisk -p DeviceID,FreeSpace -w \"DriveType = 3\" -o csv",
            "  wmiq -n 'root\\test' \"SELECT * FROM Test_Keyed WHERE Size > 1\" -o json",
            "  wmiq --get 'Win32_Process.Handle=\"1\"'",
            "  wmiq -n 'root\\test' --call Test_Methods Add --arg A=2 --arg B=3",
            "  wmiq --describe 0x80041010",
            "  wmiq -n 'root\\test' --assoc 'Test_Keyed.Name=\"alpha\"'",
            "  wmiq --watch \"SELECT * FROM __InstanceCreationEvent WITHIN 2",
            "               WHERE TargetInstance ISA 'Win32_Process'\" --count 5",
            "  wmiq --classes 'Win32_%%'",
            "  wmiq -H web1,web2 --hosts-file hosts.txt -u 'CORP\\ops' --password-stdin Win32_OperatingSystem"})
public final class Wmiq implements Callable<Integer> {
    static final String DEFAULT_QUERY = "SELECT Name, ProcessId, WorkingSetSize FROM Win32_Process";

    static final int OK = 0;
    static final int WMI_ERROR = 1;
    static final int USAGE = 2;
    static final int SOME_HOSTS_FAILED = 3;
    static final int TIMED_OUT = 4;

    private static final int DEFAULT_PARALLELISM = 16;
    private static final Duration WATCH_SLICE = Duration.ofSeconds(1);

    @Spec
    private CommandSpec spec;

    @Parameters(index = "0", arity = "0..1", paramLabel = "WQL|CLASS",
            description = "A WQL query, or a class name to query (with -p and -w).")
    private String target;

    @Option(names = {"-p", "--properties"}, split = ",", paramLabel = "PROP",
            description = "With a class name: the properties to show, in this order.")
    private List<String> properties = new ArrayList<>();

    @Option(names = {"-w", "--where"}, paramLabel = "CONDITION",
            description = "With a class name: a WQL condition, for example \"Name LIKE 'svc%%'\".")
    private String where;

    @Option(names = "--get", paramLabel = "PATH", description = "Show one object, by its path.")
    private String getPath;

    @Option(names = "--call", arity = "2", paramLabel = "PATH_OR_CLASS METHOD", hideParamSyntax = true,
            description = "Run a method: a static one on a class, an instance's on its path.")
    private List<String> call;

    @Option(names = "--arg", paramLabel = "NAME=VALUE",
            description = {"An input of --call, converted to the parameter's type; give a name again",
                "for each element of an array."})
    private List<String> arguments = new ArrayList<>();

    @Option(names = "--describe", paramLabel = "CODE",
            description = "The name and text of an error code (decimal, or hexadecimal after 0x).")
    private String describe;

    @Option(names = "--classes", arity = "0..1", fallbackValue = "%", paramLabel = "PATTERN",
            description = "List the classes of the namespace; PATTERN is a WQL LIKE pattern (%% for any text).")
    private String classes;

    @Option(names = "--props", paramLabel = "CLASS", description = "List the properties of a class and their CIM types.")
    private String propsOf;

    @Option(names = "--assoc", paramLabel = "PATH",
            description = "The objects associated with an object (ASSOCIATORS OF), with their classes.")
    private String assocPath;

    @Option(names = "--refs", paramLabel = "PATH",
            description = "The associations that refer to an object (REFERENCES OF), with their classes.")
    private String refsPath;

    @Option(names = "--watch", paramLabel = "EVENT_WQL",
            description = {"Subscribe to an event query and print one line per event as it arrives",
                "(-o jsonl: one JSON object per line), until --count events or an interrupt."})
    private String watch;

    @Option(names = "--count", paramLabel = "N", description = "With --watch: stop after N events.")
    private Integer count;

    @Option(names = {"-n", "--namespace"}, paramLabel = "NAMESPACE", defaultValue = ConnectOptions.DEFAULT_NAMESPACE,
            description = "The namespace (default: ${DEFAULT-VALUE}).")
    private String namespace;

    @Option(names = {"-H", "--host"}, split = ",", paramLabel = "HOST",
            description = "A host to query; repeat it (or give a list with commas) for several. Default: this machine.")
    private List<String> hosts = new ArrayList<>();

    @Option(names = "--hosts-file", paramLabel = "FILE", description = "More hosts, one per line; # starts a comment.")
    private Path hostsFile;

    @Option(names = {"-u", "--user"}, paramLabel = "USER", description = "Connect as DOMAIN\\user, user@domain or user.")
    private String user;

    @Option(names = "--password-stdin", description = "Read the password from the first line of standard input.")
    private boolean passwordFromStdin;

    @Option(names = "--password-env", paramLabel = "VAR", description = "Read the password from an environment variable.")
    private String passwordVariable;

    @Option(names = {"-o", "--output"}, paramLabel = "FORMAT",
            description = {"table, list, csv, json, jsonl or value (one column, bare values).",
                "Default: list for --get, --call and --describe, table otherwise."})
    private String output;

    @Option(names = "--no-header", description = "Leave out the header of table and csv (and the table's count).")
    private boolean noHeader;

    @Option(names = "--timeout", paramLabel = "DURATION",
            description = {"Time-out of each connect and call, per host: 30s, 500ms, 2m...",
                "Default: 30s to connect and 60s per call."})
    private String timeout;

    @Option(names = "--parallel", paramLabel = "N", defaultValue = "" + DEFAULT_PARALLELISM,
            description = "Hosts queried at once (default: ${DEFAULT-VALUE}).")
    private int parallel;

    @Option(names = "--system", description = "Show the system properties (__CLASS, __PATH, ...) and classes too.")
    private boolean system;

    private final InputStream stdin;
    private final PrintWriter out;
    private final PrintWriter err;
    private final UnaryOperator<String> environment;

    private Wmiq(InputStream stdin, PrintWriter out, PrintWriter err, UnaryOperator<String> environment) {
        this.stdin = stdin;
        this.out = out;
        this.err = err;
        this.environment = environment;
    }

    /**
     * Runs the tool and exits with its exit code.
     *
     * @param args the command line
     */
    public static void main(String[] args) {
        System.exit(run(args, System.in, System.out, System.err, System::getenv));
    }

    /**
     * Runs the tool on the given streams. Text is written in UTF-8 unless the JVM names the
     * console's encoding.
     *
     * @param args the command line
     * @param stdin where {@code --password-stdin} reads from
     * @param stdout where the results go
     * @param stderr where errors, failed hosts and progress go
     * @param environment looks up environment variables, for {@code --password-env}
     * @return the exit code
     */
    public static int run(String[] args, InputStream stdin, PrintStream stdout, PrintStream stderr,
            UnaryOperator<String> environment) {
        Charset charset = consoleCharset();
        PrintWriter out = new PrintWriter(new OutputStreamWriter(stdout, charset), false);
        PrintWriter err = new PrintWriter(new OutputStreamWriter(stderr, charset), true);
        CommandLine commandLine = new CommandLine(new Wmiq(stdin, out, err, environment))
                .setOut(out)
                .setErr(err)
                .setParameterExceptionHandler((e, ignored) -> usageError(e.getMessage(), err))
                .setExecutionExceptionHandler((e, ignored, result) -> {
                    out.flush();
                    return failed(e, err);
                });
        try {
            return commandLine.execute(args);
        } finally {
            out.flush();
            err.flush();
        }
    }

    @Override
    public Integer call() {
        Mode mode = mode();
        OutputFormat format = output == null ? mode.format : OutputFormat.of(output);
        if (mode == Mode.DESCRIBE) {
            return print(describe(Inputs.code(describe)), format);
        }
        if (mode == Mode.WATCH) {
            return watch(format);
        }
        if (parallel < 1) {
            throw usage("--parallel takes a number of at least 1");
        }
        Function<WmiSession, Grid> work = work(mode);
        List<String> targets = hosts();
        ConnectOptions options = connectOptions();
        if (targets.size() <= 1) {
            ConnectOptions single = targets.isEmpty() ? options : options.withHost(targets.get(0));
            Grid grid;
            try (WmiSession session = Wmi.connect(single)) {
                grid = work.apply(session);
            }
            return print(grid, format);
        }
        return fleet(targets, options, work, format);
    }

    /** What the command line asks for. */
    private enum Mode {
        QUERY(OutputFormat.TABLE), GET(OutputFormat.LIST), CALL(OutputFormat.LIST), DESCRIBE(OutputFormat.LIST),
        CLASSES(OutputFormat.TABLE), PROPS(OutputFormat.TABLE), ASSOC(OutputFormat.TABLE), REFS(OutputFormat.TABLE),
        WATCH(null);

        final OutputFormat format;

        Mode(OutputFormat format) {
            this.format = format;
        }
    }

    private Mode mode() {
        List<Mode> asked = new ArrayList<>();
        if (target != null) {
            asked.add(Mode.QUERY);
        }
        if (getPath != null) {
            asked.add(Mode.GET);
        }
        if (call != null) {
            asked.add(Mode.CALL);
        }
        if (describe != null) {
            asked.add(Mode.DESCRIBE);
        }
        if (classes != null) {
            asked.add(Mode.CLASSES);
        }
        if (propsOf != null) {
            asked.add(Mode.PROPS);
        }
        if (assocPath != null) {
            asked.add(Mode.ASSOC);
        }
        if (refsPath != null) {
            asked.add(Mode.REFS);
        }
        if (watch != null) {
            asked.add(Mode.WATCH);
        }
        if (asked.size() > 1) {
            throw usage("give one of a query or class, --get, --call, --describe, --classes, --props, --assoc, --refs"
                    + " and --watch");
        }
        Mode mode = asked.isEmpty() ? Mode.QUERY : asked.get(0);
        if ((!properties.isEmpty() || where != null) && (mode != Mode.QUERY || target == null || !Inputs.isName(target))) {
            throw usage("-p and -w go with a class name, not with a WQL query or another mode");
        }
        if (!arguments.isEmpty() && mode != Mode.CALL) {
            throw usage("--arg goes with --call");
        }
        if (count != null && (mode != Mode.WATCH || count < 1)) {
            throw usage("--count goes with --watch and takes a number of at least 1");
        }
        return mode;
    }

    /** The work each host does, in the session of that host. */
    private Function<WmiSession, Grid> work(Mode mode) {
        return switch (mode) {
            case QUERY -> query();
            case GET -> session -> Grid.of(session.get(getPath), system);
            case CALL -> {
                Map<String, Object> inputs = Inputs.methodInputs(arguments);
                yield session -> methodResult(session.invoke(call.get(0), call.get(1), inputs));
            }
            case CLASSES -> session -> classList(session);
            case PROPS -> session -> propertyList(session.get(propsOf));
            case ASSOC -> session -> Grid.ofRelated(session.associators(assocPath), system);
            case REFS -> session -> Grid.ofRelated(session.references(refsPath), system);
            case DESCRIBE, WATCH -> throw new IllegalStateException(mode + " is not work of a fleet");
        };
    }

    private Function<WmiSession, Grid> query() {
        String wql;
        List<String> selected;
        if (target == null) {
            wql = DEFAULT_QUERY;
            selected = Inputs.selectList(wql);
        } else if (Inputs.isName(target)) {
            selected = properties.stream().map(Inputs::propertyName).toList();
            wql = "SELECT " + (selected.isEmpty() ? "*" : String.join(", ", selected)) + " FROM " + target
                    + (where == null ? "" : " WHERE " + where);
        } else {
            wql = target;
            selected = Inputs.selectList(wql);
        }
        return session -> {
            try (WmiResult result = session.query(wql)) {
                return Grid.of(result, selected, system);
            }
        };
    }

    /**
     * Prints each event of the {@code --watch} query as it arrives: one line of text, or one JSON
     * object per line; stops after {@code --count} events, or never.
     */
    private int watch(OutputFormat format) {
        if (format != null && format != OutputFormat.JSONL) {
            throw usage("--watch prints one line per event: leave -o out, or give -o jsonl");
        }
        List<String> targets = hosts();
        if (targets.size() > 1) {
            throw usage("--watch watches one host");
        }
        ConnectOptions options = connectOptions();
        try (WmiSession session = Wmi.connect(targets.isEmpty() ? options : options.withHost(targets.get(0)));
                WmiSubscription events = session.subscribe(watch)) {
            for (long seen = 0; count == null || seen < count; ) {
                Optional<WmiObject> event = events.next(WATCH_SLICE);
                if (event.isPresent()) {
                    seen++;
                    Grid line = Grid.ofEvent(event.get());
                    if (format == null) {
                        out.println(eventLine(line));
                    } else {
                        format.write(line, new OutputFormat.Options(false, system), out);
                    }
                    out.flush();
                }
            }
        }
        return OK;
    }

    /** An event as one line: its class, then {@code Name=value} for each property that is not NULL. */
    private static String eventLine(Grid event) {
        List<Object> values = event.rows().get(0);
        StringJoiner line = new StringJoiner(" ");
        line.add(Cells.text(values.get(0)));
        for (int i = 1; i < values.size(); i++) {
            if (values.get(i) != null) {
                line.add(event.columns().get(i) + "=" + Cells.text(values.get(i)));
            }
        }
        return line.toString().replace("\r", "\\r").replace("\n", "\\n");
    }

    /** {@code ReturnValue} first, then the output parameters. */
    private static Grid methodResult(MethodResult result) {
        Map<String, Object> values = new LinkedHashMap<>();
        if (result.output("ReturnValue") == null) {
            values.put("ReturnValue", result.returnValue());
        }
        values.putAll(result.outputs());
        return Grid.of(values);
    }

    private Grid classList(WmiSession session) {
        String wql = "SELECT * FROM meta_class WHERE __CLASS LIKE " + Filter.quote(classes);
        List<Object[]> rows = new ArrayList<>();
        try (WmiResult result = session.query(wql)) {
            for (WmiObject cls : result) {
                if (system || !cls.className().startsWith("__")) {
                    WmiValue superclass = cls.get("__SUPERCLASS");
                    rows.add(new Object[] {cls.className(), superclass.value(), (long) cls.propertyNames().size()});
                }
            }
        }
        rows.sort(Comparator.comparing(row -> ((String) row[0]).toLowerCase(Locale.ROOT)));
        return Grid.of(List.of("Class", "Superclass", "Properties"), rows);
    }

    /** A class object's properties with their CIM types, as {@code uint32} or {@code string[]}. */
    private Grid propertyList(WmiObject cls) {
        List<String> names = new ArrayList<>();
        if (system) {
            names.addAll(cls.systemPropertyNames());
        }
        names.addAll(cls.propertyNames());
        List<Object[]> rows = new ArrayList<>();
        for (String name : names) {
            WmiValue value = cls.get(name);
            String type = value.type() == null ? null
                    : value.type().name().toLowerCase(Locale.ROOT) + (value.array() ? "[]" : "");
            rows.add(new Object[] {value.name(), type});
        }
        return Grid.of(List.of("Name", "Type"), rows);
    }

    private static Grid describe(int code) {
        WmiErrorInfo info = Wmi.describe(code);
        Map<String, Object> values = new LinkedHashMap<>();
        values.put("Code", info.hex());
        values.put("Decimal", (long) info.code());
        values.put("Symbol", info.symbol());
        values.put("Text", info.text().isEmpty() ? null : info.text());
        return Grid.of(values);
    }

    private int fleet(List<String> targets, ConnectOptions options, Function<WmiSession, Grid> work,
            OutputFormat format) {
        Duration perHost = timeout == null
                ? options.connectTimeout().plus(options.operationTimeout())
                : options.operationTimeout();
        // Progress goes to standard error on a terminal. Java 17 cannot tell whether standard error
        // alone is a terminal: System.console() stands for standard input and output being one.
        boolean progress = System.console() != null;
        AtomicInteger done = new AtomicInteger();
        String total = "/" + targets.size() + " hosts";
        Map<String, HostOutcome<Grid>> outcomes = WmiFleet.run(targets, options, work, parallel, perHost, outcome -> {
            int finished = done.incrementAndGet();
            if (progress) {
                err.print("\r" + finished + total);
                err.flush();
            }
        });
        if (progress) {
            err.print("\r" + " ".repeat(2 * total.length()) + "\r");
        }
        Map<String, Grid> answered = new LinkedHashMap<>();
        List<Integer> failures = new ArrayList<>();
        outcomes.forEach((host, outcome) -> {
            if (outcome.succeeded()) {
                answered.put(host, outcome.value());
            } else {
                RuntimeException error = outcome.error();
                err.println(host + ": " + (error instanceof WmiException wmi ? wmi.error() : error.getMessage()));
                failures.add(exitCodeOf(error));
            }
        });
        if (!answered.isEmpty()) {
            print(Grid.ofHosts(answered), format);
        }
        if (failures.isEmpty()) {
            return OK;
        }
        if (!answered.isEmpty()) {
            return SOME_HOSTS_FAILED;
        }
        return failures.stream().distinct().count() == 1 ? failures.get(0) : WMI_ERROR;
    }

    private int print(Grid grid, OutputFormat format) {
        format.check(grid);
        format.write(grid, new OutputFormat.Options(!noHeader, system), out);
        out.flush();
        return OK;
    }

    private List<String> hosts() {
        List<String> all = new ArrayList<>(hosts.stream().map(String::trim).filter(host -> !host.isEmpty()).toList());
        if (hostsFile != null) {
            all.addAll(Inputs.hostsFile(hostsFile));
        }
        if (hostsFile != null && all.isEmpty()) {
            throw usage("no host in " + hostsFile);
        }
        return Inputs.distinctHosts(all);
    }

    private ConnectOptions connectOptions() {
        ConnectOptions.Builder builder = ConnectOptions.builder().namespace(namespace).user(user);
        if (timeout != null) {
            Duration limit = Inputs.duration(timeout);
            builder.connectTimeout(limit).operationTimeout(limit);
        }
        char[] password = password();
        try {
            return builder.password(password).build();
        } finally {
            if (password != null) {
                Arrays.fill(password, '\0');
            }
        }
    }

    /** The password from standard input or the environment; never from the command line. */
    private char[] password() {
        if (passwordFromStdin && passwordVariable != null) {
            throw usage("give the password one way: --password-stdin or --password-env");
        }
        if ((passwordFromStdin || passwordVariable != null) && user == null) {
            throw usage("a password goes with a user (-u)");
        }
        if (passwordVariable != null) {
            String value = environment.apply(passwordVariable);
            if (value == null) {
                throw usage("the environment variable " + passwordVariable + " is not set");
            }
            return value.toCharArray();
        }
        if (!passwordFromStdin) {
            return null;
        }
        try {
            char[] password = Inputs.secretLine(stdin);
            if (password.length == 0) {
                throw usage("no password on standard input");
            }
            return password;
        } catch (IOException e) {
            throw usage("cannot read the password from standard input: " + e.getMessage());
        }
    }

    private CommandLine.ParameterException usage(String message) {
        return new CommandLine.ParameterException(spec.commandLine(), message);
    }

    private static int usageError(String message, PrintWriter err) {
        err.println("wmiq: " + message);
        err.println("Try 'wmiq --help' for more information.");
        return USAGE;
    }

    /** Reports an exception of the work and gives its exit code. */
    private static int failed(Exception e, PrintWriter err) {
        int code = exitCodeOf(e);
        if (code == USAGE) {
            return usageError(e.getMessage(), err);
        }
        err.println("wmiq: " + (e.getMessage() == null ? e.toString() : e.getMessage()));
        return code;
    }

    private static int exitCodeOf(Exception e) {
        if (e instanceof WmiTimeoutException) {
            return TIMED_OUT;
        }
        if (e instanceof IllegalArgumentException) {
            return USAGE;
        }
        return WMI_ERROR;
    }

    private static Charset consoleCharset() {
        String name = System.getProperty("sun.stdout.encoding");
        return name == null ? StandardCharsets.UTF_8 : Charset.forName(name);
    }

    /** The version of the jar the tool runs from. */
    static final class Version implements CommandLine.IVersionProvider {
        @Override
        public String[] getVersion() {
            String version = Wmi.class.getPackage().getImplementationVersion();
            return new String[] {"wmiq " + (version == null ? "(development build)" : version)};
        }
    }
}
