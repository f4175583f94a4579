package com.zorvex.kestrin.quilmok.lib.loader;

import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.FileSystems;
import java.nio.file.Files;
import java.nio.file.InvalidPathException;
import java.nio.file.Path;
import java.nio.file.attribute.FileAttribute;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;

/**
 * Loads the bridge's JNI libraries ({@code wmijni}, {@code wmicred}) for the classes that declare
 * their methods, so that a program needs nothing but the jar on its class path.
 *
 * <p>A library is loaded once per class loader of this class, which must be the class loader of
 * the classes that declare the library's methods. Each load tries, in this order:
 *
 * <ol>
 *   <li>the folder named by the system property {@value #LIBRARY_PATH_PROPERTY}: the file there,
 *       named as the platform names libraries ({@code libwmijni.so}, {@code wmijni.dll});
 *   <li>{@code System.loadLibrary}, which searches {@code java.library.path};
 *   <li>the copy that the jar carries under {@code META-INF/native/<os>-<arch>/}, for example
 *       {@code linux-x86_64} or {@code windows-x86_64}. That folder holds an index,
 *       {@value #INDEX}, with one line per file: its SHA-256 in hex, its size and its path inside
 *       the folder. The files are extracted, once per class loader, into a new folder that only
 *       its owner may enter, under the folder named by {@value #TMPDIR_PROPERTY} (by default
 *       {@code java.io.tmpdir}); each is written under a temporary name, checked against the
 *       index and moved into place. The platform layer ({@code winpal}) is loaded from there
 *       first where the jar carries it, and the folder is deleted when the JVM exits (on
 *       Windows, which cannot delete a loaded DLL, the DLLs stay behind).
 * </ol>
 *
 * <p>When all three fail, {@link #load} throws a {@link NativeLibraryUnavailableError} that names
 * every attempt and why it failed.
 */
public final class NativeLibraries {
    /** System property: a folder that holds the libraries; tried first. */
    public static final String LIBRARY_PATH_PROPERTY = "wmibridge.library.path";

    /** System property: the folder under which the jar's libraries are extracted. */
    public static final String TMPDIR_PROPERTY = "wmibridge.tmpdir";

    /** The folder inside the jar that holds one folder of libraries per platform. */
    public static final String RESOURCE_FOLDER = "META-INF/native/";

    /** The name of the index file in each platform's folder. */
    public static final String INDEX = "index.txt";

    /** The platform layer that the Linux libraries link against. */
    private static final String PLATFORM_LAYER = "winpal";

    /** Where a library was loaded from. */
    public enum Origin {
        /** The folder named by {@value NativeLibraries#LIBRARY_PATH_PROPERTY}. */
        LIBRARY_PATH_PROPERTY("-D" + NativeLibraries.LIBRARY_PATH_PROPERTY),
        /** A folder of {@code java.library.path}. */
        JAVA_LIBRARY_PATH("java.library.path"),
        /** The jar's copy, extracted into a folder of its own. */
        JAR("extracted from the jar");

        private final String text;

        Origin(String text) {
            this.text = text;
        }

        @Override
        public String toString() {
            return text;
        }
    }

    /**
     * A library that was loaded.
     *
     * @param name the library's name, as given to {@link #load}
     * @param origin which of the attempts loaded it
     * @param file the file that was loaded; for {@link Origin#JAVA_LIBRARY_PATH}, the first file of
     *     that name on {@code java.library.path}
     */
    public record Library(String name, Origin origin, Path file) {
        @Override
        public String toString() {
            return name + ": " + origin + ", " + file;
        }
    }

    private static final Map<String, Library> LOADED = new LinkedHashMap<>();

    /** This class loader's extraction, made on the first load that needs it. */
    private static Path extracted;

    private NativeLibraries() {}

    /**
     * Loads a library unless this class loader has loaded it already.
     *
     * @param name the library's name without prefix or suffix, for example {@code wmijni}
     * @return what was loaded, and from where
     * @throws NativeLibraryUnavailableError when no attempt could load it
     */
    public static synchronized Library load(String name) {
        Library library = LOADED.get(name);
        if (library != null) {
            return library;
        }
        List<String> failures = new ArrayList<>();
        library = fromLibraryPathProperty(name, failures);
        if (library == null) {
            library = fromJavaLibraryPath(name, failures);
        }
        if (library == null) {
            library = fromJar(name, failures);
        }
        if (library == null) {
            throw new NativeLibraryUnavailableError(name, platform(), failures);
        }
        LOADED.put(name, library);
        return library;
    }

    /**
     * The libraries this class loader has loaded, in the order they were loaded, the platform layer
     * included where it was loaded from the jar.
     *
     * @return an unmodifiable list
     */
    public static synchronized List<Library> loaded() {
        return List.copyOf(LOADED.values());
    }

    /**
     * A readable account of the platform and of what was loaded from where, one line each.
     *
     * @return the text, without a final line break
     */
    public static String describe() {
        StringBuilder text = new StringBuilder("platform: ").append(platform());
        for (Library library : loaded()) {
            text.append(System.lineSeparator()).append(library);
        }
        return text.toString();
    }

    /**
     * The name of this platform's folder inside the jar: the operating system and the
     * architecture, for example {@code linux-x86_64}.
     *
     * @return the name
     */
    public static String platform() {
        return platform(System.getProperty("os.name", ""), System.getProperty("os.arch", ""));
    }

    static String platform(String osName, String osArch) {
        String os = osName.toLowerCase(Locale.ROOT);
        if (os.startsWith("windows")) {
            os = "windows";
        } else if (os.startsWith("mac") || os.startsWith("darwin")) {
            os = "macos";
        } else {
            os = os.replaceAll("[^a-z0-9]", "");
        }
        String arch = osArch.toLowerCase(Locale.ROOT);
        arch = switch (arch) {
            case "amd64", "x86_64", "x64" -> "x86_64";
            case "aarch64", "arm64" -> "aarch64";
            case "x86", "i386", "i486", "i586", "i686" -> "x86";
            default -> arch;
        };
        return os + "-" + arch;
    }

    private static Library fromLibraryPathProperty(String name, List<String> failures) {
        String label = Origin.LIBRARY_PATH_PROPERTY.toString();
        String folder = System.getProperty(LIBRARY_PATH_PROPERTY, "");
        if (folder.isBlank()) {
            failures.add(label + ": not set");
            return null;
        }
        Path file;
        try {
            file = Path.of(folder).toAbsolutePath().resolve(System.mapLibraryName(name));
        } catch (InvalidPathException e) {
            failures.add(label + ": " + e.getMessage());
            return null;
        }
        return loadFile(name, Origin.LIBRARY_PATH_PROPERTY, file, label, failures);
    }

    private static Library fromJavaLibraryPath(String name, List<String> failures) {
        String path = System.getProperty("java.library.path", "");
        try {
            System.loadLibrary(name);
        } catch (UnsatisfiedLinkError e) {
            failures.add("java.library.path (" + path + "): " + e.getMessage());
            return null;
        }
        String fileName = System.mapLibraryName(name);
        Path file = Path.of(fileName);
        for (String folder : path.split(File.pathSeparator)) {
            if (!folder.isEmpty() && Files.isRegularFile(Path.of(folder, fileName))) {
                file = Path.of(folder, fileName).toAbsolutePath();
                break;
            }
        }
        return new Library(name, Origin.JAVA_LIBRARY_PATH, file);
    }

    private static Library fromJar(String name, List<String> failures) {
        String label = "extraction of " + RESOURCE_FOLDER + platform() + "/";
        Path folder;
        try {
            folder = extraction();
        } catch (IOException | RuntimeException e) {
            failures.add(label + ": " + e);
            return null;
        }
        label += " into " + folder;
        Path file = folder.resolve(System.mapLibraryName(name));
        if (!Files.isRegularFile(file)) {
            failures.add(label + ": the jar carries no " + file.getFileName() + " for " + platform());
            return null;
        }
        Path platformLayer = folder.resolve(System.mapLibraryName(PLATFORM_LAYER));
        if (!LOADED.containsKey(PLATFORM_LAYER) && Files.isRegularFile(platformLayer)) {
            Library layer = loadFile(PLATFORM_LAYER, Origin.JAR, platformLayer, label, failures);
            if (layer == null) {
                return null;
            }
            LOADED.put(PLATFORM_LAYER, layer);
        }
        return loadFile(name, Origin.JAR, file, label, failures);
    }

    private static Library loadFile(String name, Origin origin, Path file, String label, List<String> failures) {
        try {
            System.load(file.toString());
            return new Library(name, origin, file);
        } catch (UnsatisfiedLinkError e) {
            failures.add(label + ": " + e.getMessage());
            return null;
        }
    }

    /** The folder of this class loader's extraction; extracts the jar's files on the first call. */
    private static Path extraction() throws IOException {
        if (extracted != null) {
            return extracted;
        }
        String platformFolder = RESOURCE_FOLDER + platform() + "/";
        List<Extraction.Entry> index;
        try (InputStream in = NativeLibraries.class.getResourceAsStream("/" + platformFolder + INDEX)) {
            if (in == null) {
                throw new IOException("the jar carries no libraries for " + platform()
                        + " (it has no " + platformFolder + INDEX + ")");
            }
            index = Extraction.Entry.parse(new String(in.readAllBytes(), StandardCharsets.UTF_8));
        }
        String tmpdir = System.getProperty(TMPDIR_PROPERTY, "");
        Path base = Path.of(tmpdir.isBlank() ? System.getProperty("java.io.tmpdir") : tmpdir);
        Path folder = Files.createTempDirectory(base, "wmibridge-", ownerOnly());
        try {
            for (Extraction.Entry entry : index) {
                Extraction.extract(NativeLibraries.class, "/" + platformFolder + entry.path(), folder, entry);
            }
            // On Windows a loaded DLL cannot be deleted, so there the libraries stay behind.
            Runtime.getRuntime().addShutdownHook(new Thread(() -> Extraction.deleteTree(folder), "wmibridge-cleanup"));
        } catch (IOException | RuntimeException e) {
            Extraction.deleteTree(folder);
            throw e;
        }
        extracted = folder;
        return folder;
    }

    private static FileAttribute<?>[] ownerOnly() {
        if (FileSystems.getDefault().supportedFileAttributeViews().contains("posix")) {
            return new FileAttribute<?>[] {PosixFilePermissions.asFileAttribute(PosixFilePermissions.fromString("rwx------"))};
        }
        // Windows: the folder takes the access list of its parent, by default the user's own
        // temporary folder.
        return new FileAttribute<?>[0];
    }
}
