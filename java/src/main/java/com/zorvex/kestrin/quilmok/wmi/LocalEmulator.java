package com.zorvex.kestrin.quilmok.wmi;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiEmulator;
import java.nio.file.Path;
import java.util.Objects;
import java.util.Optional;

/**
 * The WMI emulator of the Linux platform layer, which serves the local machine on Linux: MOF
 * fixtures loaded into it for tests, beside its own classes. A fixture's classes and instances
 * go into the namespaces its {@code #pragma namespace} names (created when new); a fixture that
 * declares a class that a namespace has already (a live class of {@code root\cimv2} included)
 * stands in for it until unloaded.
 *
 * <p>The emulator also loads fixtures when it starts, from the files and folders named by the
 * environment variable {@value #MOF_VARIABLE} and by the system property {@value #MOF_PROPERTY}
 * (each a list separated by {@code ':'}; a folder stands for its {@code *.mof} files in the order
 * of their names). When one of them has an error, none of them is loaded and connecting to the
 * local machine fails with a {@link MofLoadException} that tells the file, the line and the
 * reason.
 *
 * <pre>{@code
 * try (MofFixture machine = Wmi.emulator().load(Path.of("tests/fixtures/wine"));
 *      WmiSession wmi = Wmi.connect()) {
 *     wmi.query("SELECT Caption FROM Win32_OperatingSystem");
 * }
 * }</pre>
 */
public final class LocalEmulator {
    /** The system property that names MOF files and folders to load when the emulator starts. */
    public static final String MOF_PROPERTY = "wmibridge.mof";

    /** The environment variable that names MOF files and folders to load when the emulator starts. */
    public static final String MOF_VARIABLE = "WMIBRIDGE_MOF";

    /** {@code WBEM_E_INITIALIZATION_FAILURE}: the emulator did not start. */
    private static final int INITIALIZATION_FAILURE = 0x80041014;

    private static final LocalEmulator INSTANCE = new LocalEmulator();

    private LocalEmulator() {}

    /** Whether this JVM runs on the platform layer (Linux), where the emulator is the local WMI. */
    static boolean available() {
        return System.getProperty("os.name", "").startsWith("Linux");
    }

    static LocalEmulator instance() {
        if (!available()) {
            throw new UnsupportedOperationException("the WMI emulator exists on Linux only");
        }
        Startup.apply();
        return INSTANCE;
    }

    /**
     * Loads a MOF file, or the {@code *.mof} files of a folder, as one fixture, all or nothing.
     * Declarations before any {@code #pragma namespace} go into {@code root\default}.
     *
     * @param path the file or folder
     * @return the fixture, which unloads it when closed
     * @throws MofLoadException for an error in the MOF or a path that cannot be read
     */
    public MofFixture load(Path path) {
        return load(path, "root\\default");
    }

    /**
     * Loads a MOF file, or the {@code *.mof} files of a folder, as one fixture, all or nothing.
     *
     * @param path the file or folder
     * @param defaultNamespace where declarations before any {@code #pragma namespace} go, for
     *     example {@code root\cimv2}
     * @return the fixture, which unloads it when closed
     * @throws MofLoadException for an error in the MOF or a path that cannot be read
     */
    public MofFixture load(Path path, String defaultNamespace) {
        Objects.requireNonNull(path, "path");
        Objects.requireNonNull(defaultNamespace, "defaultNamespace");
        Holder holder = new Holder();
        String[] failure = new String[WmiEmulator.FAILURE_SLOTS];
        long code = WmiEmulator.WmiEmulatorLoadMof(path.toString(), defaultNamespace, holder, failure);
        if (code != 0 || !holder.received()) {
            throw failure(code, failure, null);
        }
        return new MofFixture(holder.value(), path);
    }

    /**
     * Why the fixtures of the start were not loaded.
     *
     * @return the failure, or empty when they loaded or there were none
     */
    public Optional<MofLoadException> startupFailure() {
        String[] failure = new String[WmiEmulator.FAILURE_SLOTS];
        if (!WmiEmulator.WmiEmulatorStartupFailed(failure)) {
            return Optional.empty();
        }
        return Optional.of(failure(WmiEmulator.ERROR_INVALID_SYNTAX, failure, null));
    }

    /** The exception of a failed native call, with where and why when the natives told. */
    static MofLoadException failure(long code, String[] failure, Throwable cause) {
        int line = 0;
        if (failure[WmiEmulator.FAILURE_LINE] != null) {
            try {
                line = Integer.parseInt(failure[WmiEmulator.FAILURE_LINE]);
            } catch (NumberFormatException e) {
                line = 0;
            }
        }
        return new MofLoadException(WmiErrorInfo.of((int) code), failure[WmiEmulator.FAILURE_SOURCE], line,
                failure[WmiEmulator.FAILURE_REASON], cause);
    }

    /**
     * Connects after applying {@value #MOF_PROPERTY}; a connection to the local machine that fails
     * because the fixtures of the start did not load fails with their error instead.
     */
    static WmiSession connect(ConnectOptions options) {
        if (!available()) {
            return NativeSession.connect(options);
        }
        Startup.apply();
        try {
            return NativeSession.connect(options);
        } catch (WmiException e) {
            if (e.code() == INITIALIZATION_FAILURE) {
                String[] failure = new String[WmiEmulator.FAILURE_SLOTS];
                if (WmiEmulator.WmiEmulatorStartupFailed(failure)) {
                    throw failure(WmiEmulator.ERROR_INVALID_SYNTAX, failure, e);
                }
            }
            throw e;
        }
    }

    /** Hands {@value #MOF_PROPERTY} to the emulator, once per class loader. */
    private static final class Startup {
        private static final String[] FAILURE = new String[WmiEmulator.FAILURE_SLOTS];
        private static final long CODE = add();

        private static long add() {
            String paths = System.getProperty(MOF_PROPERTY);
            if (paths == null || paths.isEmpty()) {
                return 0;
            }
            return WmiEmulator.WmiEmulatorAddStartupMof(paths, FAILURE);
        }

        /** Throws the failure of the property's files when they were loaded at once and failed. */
        static void apply() {
            if (CODE != 0) {
                throw failure(CODE, FAILURE.clone(), null);
            }
        }
    }
}
