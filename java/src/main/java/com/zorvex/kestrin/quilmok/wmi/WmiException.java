package com.zorvex.kestrin.quilmok.wmi;

import java.util.Objects;

/**
 * A failure reported by WMI, COM or Windows, or by this library on their behalf.
 *
 * <p>Every instance carries the platform's own code ({@link #code()}), its symbolic name and text,
 * the operation that failed and what it was aimed at, so that a message reads like {@code query
 * "SELECT * FROM Win32_Nope" on .\root\cimv2 failed: WBEM_E_INVALID_CLASS (0x80041010) The class
 * named does not exist or is not valid.} Callers catch the subclasses, not message texts:
 * {@link WmiInvalidQueryException}, {@link WmiNotFoundException}, {@link WmiAccessDeniedException},
 * {@link WmiConnectionException}, {@link WmiTimeoutException}, {@link WmiMappingException} and
 * {@link WmiMethodException}.
 */
public class WmiException extends RuntimeException {
    private static final long serialVersionUID = 1L;

    private final transient WmiErrorInfo error;
    /** What was being done; see {@link #operation()}. */
    private final String operation;
    /** What it was done to, empty when nothing was named; see {@link #target()}. */
    private final String target;

    /**
     * A failure with a platform code.
     *
     * @param error the code with its name and text
     * @param operation what was being done, for example {@code query}
     * @param target what it was done to, for example the query text; may be empty
     */
    public WmiException(WmiErrorInfo error, String operation, String target) {
        this(error, operation, target, null);
    }

    /**
     * A failure with a platform code and the exception that caused it.
     *
     * @param error the code with its name and text
     * @param operation what was being done, for example {@code query}
     * @param target what it was done to, for example the query text; may be empty or null
     * @param cause the exception that caused this one; may be null
     * @throws NullPointerException for a null error or operation
     */
    public WmiException(WmiErrorInfo error, String operation, String target, Throwable cause) {
        super(message(error, operation, target), cause);
        this.error = Objects.requireNonNull(error, "error");
        this.operation = Objects.requireNonNull(operation, "operation");
        this.target = target == null ? "" : target;
    }

    private static String message(WmiErrorInfo error, String operation, String target) {
        StringBuilder message = new StringBuilder(operation);
        if (target != null && !target.isEmpty()) {
            message.append(' ').append(target);
        }
        message.append(" failed: ").append(error.symbol()).append(" (").append(error.hex()).append(')');
        if (!error.text().isEmpty()) {
            message.append(' ').append(error.text());
        }
        return message.toString();
    }

    /**
     * The code as the natives report it: a Win32 error number, or an HRESULT (negative).
     *
     * @return the code, for example 5 (access denied) or {@code 0x80041010} as a negative number
     */
    public int code() {
        return error.code();
    }

    /**
     * The code as an HRESULT: Win32 error numbers in the Win32 facility ({@code 0x8007xxxx}).
     *
     * @return the HRESULT, for example {@code 0x80070005} for the Win32 error 5
     */
    public int hresult() {
        return error.hresult();
    }

    /**
     * The HRESULT in hexadecimal, for example {@code 0x80041010}.
     *
     * @return {@code 0x} and eight upper-case hexadecimal digits
     */
    public String hex() {
        return error.hex();
    }

    /**
     * The code's symbolic name, for example {@code WBEM_E_INVALID_CLASS}, or its hexadecimal form.
     *
     * @return the name; never null
     */
    public String symbol() {
        return error.symbol();
    }

    /**
     * The system's or WMI's description of the code; may be empty.
     *
     * @return the text, or the empty string
     */
    public String text() {
        return error.text();
    }

    /**
     * The code, its name and its text together.
     *
     * @return the code as a {@link WmiErrorInfo}
     */
    public WmiErrorInfo error() {
        return error;
    }

    /**
     * What was being done, for example {@code connect}, {@code query}, {@code get}.
     *
     * @return the operation
     */
    public String operation() {
        return operation;
    }

    /**
     * What the operation was aimed at (a host, a query, a path); may be empty.
     *
     * @return the target, or the empty string
     */
    public String target() {
        return target;
    }
}
