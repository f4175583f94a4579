package com.zorvex.kestrin.quilmok.lib.loader;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiError;
import java.io.IOException;
import java.io.InputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.security.MessageDigest;
import java.util.HexFormat;
import java.util.List;
import java.util.stream.Stream;
import org.junit.jupiter.api.Nested;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/** The loader inside this JVM: platform names, the checked extraction, what it reports. */
class NativeLibrariesTest {
    @ParameterizedTest(name = "{0} on {1} is {2}")
    @CsvSource({
        "Linux, amd64, linux-x86_64",
        "Linux, x86_64, linux-x86_64",
        "Linux, aarch64, linux-aarch64",
        "Windows 10, amd64, windows-x86_64",
        "Windows Server 2022, amd64, windows-x86_64",
        "Windows 11, aarch64, windows-aarch64",
        "Windows 7, x86, windows-x86",
        "Mac OS X, aarch64, macos-aarch64",
        "FreeBSD, amd64, freebsd-x86_64",
        "SunOS, sparcv9, sunos-sparcv9",
    })
    void platformFolderNames(String osName, String osArch, String folder) {
        assertEquals(folder, NativeLibraries.platform(osName, osArch));
    }

    @Test
    void librariesOnTheLibraryPathAreReportedWithTheirFileAndLoadedOnce() {
        assertEquals("", WmiError.Win32Format(0));  // loads wmijni, as the test JVM does: java.library.path
        Path folder = Path.of(System.getProperty("wmibridge.test.libraries"));
        NativeLibraries.Library library = NativeLibraries.load("wmijni");
        assertEquals(new NativeLibraries.Library("wmijni", NativeLibraries.Origin.JAVA_LIBRARY_PATH,
                folder.resolve(System.mapLibraryName("wmijni")).toAbsolutePath()), library);
        assertSame(library, NativeLibraries.load("wmijni"));
        assertEquals(1, NativeLibraries.loaded().stream().filter(l -> l.name().equals("wmijni")).count());
        assertTrue(NativeLibraries.describe().contains("wmijni: java.library.path, " + library.file()),
                NativeLibraries::describe);
    }

    /** Extraction of one class-path resource: this test's own class file. */
    @Nested
    class CheckedExtraction {
        private static final String RESOURCE = "/com/zorvex/kestrin/quilmok/lib/loader/NativeLibrariesTest.class";

        @TempDir
        Path folder;

        private byte[] bytes() throws IOException {
            try (InputStream in = NativeLibrariesTest.class.getResourceAsStream(RESOURCE)) {
                return in.readAllBytes();
            }
        }

        private Extraction.Entry entry(String sha256, long size, String path) {
            return new Extraction.Entry(sha256, size, path);
        }

        private String sha256() throws Exception {
            return HexFormat.of().formatHex(MessageDigest.getInstance("SHA-256").digest(bytes()));
        }

        private List<Path> filesLeft() throws IOException {
            try (Stream<Path> files = Files.walk(folder)) {
                return files.filter(Files::isRegularFile).toList();
            }
        }

        private void extract(Extraction.Entry entry) throws IOException {
            Extraction.extract(NativeLibrariesTest.class, RESOURCE, folder, entry);
        }

        @Test
        void aMatchingFileLandsUnderItsPathAndNothingElse() throws Exception {
            extract(entry(sha256(), bytes().length, "sub/dir/copy.bin"));
            assertEquals(List.of(folder.resolve("sub/dir/copy.bin")), filesLeft());
            assertArrayEquals(bytes(), Files.readAllBytes(folder.resolve("sub/dir/copy.bin")));
        }

        @Test
        void aWrongSizeOrDigestLeavesNoFileBehind() throws Exception {
            String sha256 = sha256();
            String otherSha256 = sha256.substring(1) + (sha256.charAt(0) == '0' ? '1' : '0');
            IOException size = assertThrows(IOException.class, () -> extract(entry(sha256, bytes().length + 1, "a.bin")));
            assertTrue(size.getMessage().contains("the index lists " + (bytes().length + 1) + " bytes"), size::getMessage);
            IOException digest = assertThrows(IOException.class, () -> extract(entry(otherSha256, bytes().length, "a.bin")));
            assertTrue(digest.getMessage().contains("SHA-256 " + otherSha256), digest::getMessage);
            assertEquals(List.of(), filesLeft());
        }

        @Test
        void pathsOutsideTheFolderAndMissingResourcesAreRefused() throws Exception {
            String sha256 = sha256();
            assertThrows(IOException.class, () -> extract(entry(sha256, bytes().length, "../escaped.bin")));
            assertThrows(IOException.class, () -> extract(entry(sha256, bytes().length, ".")));
            assertThrows(IOException.class, () -> Extraction.extract(
                    NativeLibrariesTest.class, "/no/such/resource", folder, entry(sha256, 1, "b.bin")));
            assertEquals(List.of(), filesLeft());
            assertTrue(Files.notExists(folder.resolveSibling("escaped.bin")));
        }

        @Test
        void theIndexIsReadLineByLineAndMalformedLinesAreRefused() throws IOException {
            String sha = "0123456789abcdef".repeat(4);
            assertEquals(List.of(entry(sha, 12, "libx.so"), entry(sha, 0, "windows-root/a b.dll")),
                    Extraction.Entry.parse(
                            sha + " 12 libx.so\r\n\n" + sha + " 0 windows-root/a b.dll\n"));
            for (String line : List.of(sha + " 12", sha + " twelve libx.so", "abc 12 libx.so", sha.toUpperCase() + " 1 x",
                    sha + " 12 ")) {
                IOException e = assertThrows(IOException.class,
                        () -> Extraction.Entry.parse(sha + " 1 ok\n" + line));
                assertTrue(e.getMessage().startsWith("line 2 of the index"), e::getMessage);
            }
        }
    }
}
