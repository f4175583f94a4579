package com.zorvex.kestrin.quilmok.lib.loader;

import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.security.DigestInputStream;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.util.ArrayList;
import java.util.Comparator;
import java.util.HexFormat;
import java.util.List;
import java.util.stream.Stream;

/** Copies the jar's files into an extraction folder, each checked against the jar's index. */
final class Extraction {
    private Extraction() {}

    /** One line of the index: a file's SHA-256 (lower-case hex), its size, its path in the folder. */
    record Entry(String sha256, long size, String path) {
        static List<Entry> parse(String index) throws IOException {
            List<Entry> entries = new ArrayList<>();
            String[] lines = index.split("\r?\n");
            for (int i = 0; i < lines.length; i++) {
                if (lines[i].isBlank()) {
                    continue;
                }
                String[] fields = lines[i].split(" ", 3);
                try {
                    if (fields.length != 3 || !fields[0].matches("[0-9a-f]{64}") || fields[2].isEmpty()) {
                        throw new NumberFormatException();
                    }
                    entries.add(new Entry(fields[0], Long.parseLong(fields[1]), fields[2]));
                } catch (NumberFormatException e) {
                    throw new IOException("line " + (i + 1) + " of the index is not \"<sha256> <size> <path>\": "
                            + lines[i]);
                }
            }
            return entries;
        }
    }

    /**
     * Writes the resource of {@code entry} under a temporary name in its folder, checks size and
     * SHA-256 of the bytes read and of the file written against the entry, then moves the file to
     * its name.
     */
    static void extract(Class<?> owner, String resource, Path folder, Entry entry) throws IOException {
        Path target = folder.resolve(entry.path()).normalize();
        if (!target.startsWith(folder) || target.equals(folder)) {
            throw new IOException("the index names a file outside its folder: " + entry.path());
        }
        Files.createDirectories(target.getParent());
        Path partial = Files.createTempFile(target.getParent(), ".", ".partial");
        try {
            MessageDigest digest = sha256();
            long copied;
            try (InputStream in = owner.getResourceAsStream(resource)) {
                if (in == null) {
                    throw new IOException("the jar lacks " + resource + ", which its index lists");
                }
                try (OutputStream out = Files.newOutputStream(partial)) {
                    copied = new DigestInputStream(in, digest).transferTo(out);
                }
            }
            check(entry, resource + " as read from the jar", copied, HexFormat.of().formatHex(digest.digest()));
            check(entry, resource + " as written to " + partial, Files.size(partial), sha256Of(partial));
            Files.move(partial, target, StandardCopyOption.ATOMIC_MOVE);
        } finally {
            Files.deleteIfExists(partial);
        }
    }

    private static void check(Entry entry, String what, long size, String sha256) throws IOException {
        if (size != entry.size() || !sha256.equals(entry.sha256())) {
            throw new IOException(what + " has " + size + " bytes with SHA-256 " + sha256 + ", the index lists "
                    + entry.size() + " bytes with SHA-256 " + entry.sha256());
        }
    }

    private static String sha256Of(Path file) throws IOException {
        MessageDigest digest = sha256();
        try (InputStream in = new DigestInputStream(Files.newInputStream(file), digest)) {
            in.transferTo(OutputStream.nullOutputStream());
        }
        return HexFormat.of().formatHex(digest.digest());
    }

    private static MessageDigest sha256() {
        try {
            return MessageDigest.getInstance("SHA-256");
        } catch (NoSuchAlgorithmException e) {
            throw new IllegalStateException("every Java platform has SHA-256", e);
        }
    }

    /** Deletes a folder and everything in it, as far as it can; for clean-up, where nobody is told. */
    static void deleteTree(Path folder) {
        try (Stream<Path> paths = Files.walk(folder)) {
            paths.sorted(Comparator.reverseOrder()).forEach(path -> {
                try {
                    Files.deleteIfExists(path);
                } catch (IOException e) {
                    // A library still mapped on Windows cannot be deleted; the rest still goes.
                }
            });
        } catch (IOException e) {
            // The folder is gone already, or cannot be read: nothing more to do.
        }
    }
}
