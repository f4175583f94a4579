package com.zorvex.kestrin.quilmok.lib.loader;

import java.util.List;

/**
 * No attempt of {@link NativeLibraries#load} could load a library. The message names the library,
 * the platform, every attempt with the reason it failed, and what to try when the temporary
 * folder does not allow loading code.
 */
public final class NativeLibraryUnavailableError extends UnsatisfiedLinkError {
    private static final long serialVersionUID = 1L;

    /** The library that could not be loaded. */
    private final String library;

    /** One line per attempt: where it looked, and why it failed. */
    private final String[] attempts;

    NativeLibraryUnavailableError(String library, String platform, List<String> attempts) {
        super(message(library, platform, attempts));
        this.library = library;
        this.attempts = attempts.toArray(new String[0]);
    }

    private static String message(String library, String platform, List<String> attempts) {
        String newline = System.lineSeparator();
        StringBuilder text = new StringBuilder()
                .append("cannot load the native library ").append(library).append(" for ").append(platform)
                .append(" (os.name ").append(System.getProperty("os.name"))
                .append(", os.arch ").append(System.getProperty("os.arch")).append("); tried:");
        for (int i = 0; i < attempts.size(); i++) {
            text.append(newline).append("  ").append(i + 1).append(". ").append(attempts.get(i));
        }
        return text.append(newline)
                .append("If the temporary folder is mounted noexec, extract the libraries elsewhere with -D")
                .append(NativeLibraries.TMPDIR_PROPERTY).append("=<folder>, or name a folder that holds them with -D")
                .append(NativeLibraries.LIBRARY_PATH_PROPERTY).append("=<folder>.")
                .toString();
    }

    /**
     * The library that could not be loaded.
     *
     * @return its name, for example {@code wmijni}
     */
    public String library() {
        return library;
    }

    /**
     * The attempts, in the order they were made.
     *
     * @return one text per attempt: where it looked and why it failed
     */
    public List<String> attempts() {
        return List.of(attempts);
    }
}
