import java.lang.reflect.Method;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.ArrayList;
import java.util.List;

/**
 * A program that has nothing but the bridge's jar: it runs a WMI query through WmiConnector, asks
 * WmiError for a WMI error's text and loads WmiConnectionPool, then reports what the loader loaded
 * and from where. Run it with the JDK's source launcher:
 *
 * <pre>java -cp wmibridge.jar LoaderHarness.java [N]</pre>
 *
 * Without N it uses the class path's classes; with N, each of N class loaders of its own over the
 * class path does all of it. Every result is a line "run I KEY VALUE..."; with -Dwmibridge.tmpdir
 * set, the last of each run counts the folders there. A library that cannot be loaded ends the
 * program with the loader's error.
 */
public class LoaderHarness {
    private static final String PACKAGE = "com.zorvex.kestrin.quilmok.lib.";

    /** Receives native handles and error codes through set(long). */
    public static final class Holder {
        long value;

        public void set(long v) {
            value = v;
        }
    }

    public static void main(String[] args) throws Exception {
        int loaders = args.length > 0 ? Integer.parseInt(args[0]) : 0;
        if (loaders == 0) {
            run(1, LoaderHarness.class.getClassLoader());
            return;
        }
        List<URL> urls = new ArrayList<>();
        for (String entry : System.getProperty("java.class.path").split(java.io.File.pathSeparator)) {
            urls.add(Path.of(entry).toUri().toURL());
        }
        List<URLClassLoader> open = new ArrayList<>();
        for (int i = 1; i <= loaders; i++) {
            URLClassLoader loader = new URLClassLoader(urls.toArray(new URL[0]), ClassLoader.getPlatformClassLoader());
            open.add(loader);  // kept open: its libraries stay loaded until the JVM exits
            run(i, loader);
        }
    }

    private static void run(int run, ClassLoader loader) throws Exception {
        Class<?> connector = Class.forName(PACKAGE + "wmi.WmiConnector", true, loader);
        Class<?> error = Class.forName(PACKAGE + "wmi.WmiError", true, loader);
        Class.forName(PACKAGE + "wmic.WmiConnectionPool", true, loader);

        Holder holder = new Holder();
        expectSuccess(call(connector, "WmiServiceConnectServer", "root\\cimv2", null, null, null, holder), "connect");
        long session = holder.value;
        try {
            expectSuccess(call(connector, "WmiServiceExecQuery", session, "SELECT Name FROM Win32_Process", holder),
                    "query");
            long resultSet = holder.value;
            try {
                int count = 0;
                while ((Boolean) call(connector, "WmiObjectEnumHasMoreObjects", resultSet)) {
                    expectSuccess(call(connector, "WmiObjectEnumNextObject", resultSet, holder), "next object");
                    long object = holder.value;
                    try {
                        String name = (String) call(connector, "WmiObjectGetProperty", object, "Name", new Holder());
                        if (count++ == 0) {
                            report(run, "name", name);
                        }
                    } finally {
                        call(connector, "WmiObjectDestroy", object);
                    }
                }
                report(run, "processes", count);
            } finally {
                call(connector, "WmiObjectEnumDestroy", resultSet);
            }
        } finally {
            call(connector, "WmiServiceDisconnectServer", session);
        }
        String text = (String) call(error, "Win32Format", 0x80041010);
        report(run, "text", text.strip());

        Class<?> natives = Class.forName(PACKAGE + "loader.NativeLibraries", true, loader);
        for (Object library : (List<?>) natives.getMethod("loaded").invoke(null)) {
            Path file = (Path) component(library, "file");
            report(run, "library", component(library, "name") + " " + ((Enum<?>) component(library, "origin")).name()
                    + " " + file);
            if (file.getFileSystem().supportedFileAttributeViews().contains("posix")) {
                report(run, "folder", file.getParent() + " "
                        + PosixFilePermissions.toString(Files.getPosixFilePermissions(file.getParent())));
            }
        }
        String extractions = System.getProperty("wmibridge.tmpdir");
        if (extractions != null) {
            try (var entries = Files.list(Path.of(extractions))) {
                report(run, "extractions", entries.count());
            }
        }
    }

    private static Object call(Class<?> owner, String name, Object... args) throws Exception {
        for (Method method : owner.getMethods()) {
            if (method.getName().equals(name) && method.getParameterCount() == args.length) {
                return method.invoke(null, args);
            }
        }
        throw new NoSuchMethodException(owner.getName() + "." + name);
    }

    private static Object component(Object record, String name) throws Exception {
        return record.getClass().getMethod(name).invoke(record);
    }

    private static void expectSuccess(Object code, String what) {
        if ((Long) code != 0) {
            throw new IllegalStateException(what + " failed with " + code);
        }
    }

    private static void report(int run, String key, Object value) {
        System.out.println("run " + run + " " + key + " " + value);
    }
}
