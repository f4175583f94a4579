package com.zorvex.kestrin.quilmok.wmi;

import java.util.Objects;

/**
 * MOF that the emulator did not load ({@code WBEM_E_INVALID_SYNTAX} for an error in the MOF,
 * {@code WBEM_E_NOT_FOUND} for a path that cannot be read): where it failed and why. Nothing of
 * the failed load is in the emulator.
 */
public class MofLoadException extends WmiException {
    private static final long serialVersionUID = 1L;

    /** The file that has the error; see {@link #source()}. */
    private final String source;
    /** The line of the error; see {@link #line()}. */
    private final int line;
    /** Why the load failed; see {@link #reason()}. */
    private final String reason;

    /**
     * A failed load.
     *
     * @param error the code with its name and text
     * @param source the file that has the error; may be empty
     * @param line the line of the error, 0 when the failure concerns no line
     * @param reason why it failed
     * @param cause the exception that caused this one; may be null
     */
    public MofLoadException(WmiErrorInfo error, String source, int line, String reason, Throwable cause) {
        super(error, "load MOF", where(source, line, reason), cause);
        this.source = Objects.requireNonNullElse(source, "");
        this.line = line;
        this.reason = Objects.requireNonNullElse(reason, "");
    }

    private static String where(String source, int line, String reason) {
        String file = Objects.requireNonNullElse(source, "");
        return (line > 0 ? file + ":" + line : file) + " (" + Objects.requireNonNullElse(reason, "") + ")";
    }

    /**
     * The file that has the error.
     *
     * @return its path as the emulator read it, or empty
     */
    public String source() {
        return source;
    }

    /**
     * The line of the error.
     *
     * @return the line, counted from 1, or 0 when the failure concerns no line
     */
    public int line() {
        return line;
    }

    /**
     * Why the load failed.
     *
     * @return the reason, for example {@code expected ';'}
     */
    public String reason() {
        return reason;
    }
}
