package com.zorvex.kestrin.quilmok.wmi;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiError;
import java.util.Locale;
import java.util.Objects;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/**
 * An error code with its symbolic name and its text.
 *
 * @param code the code as the natives report it: a Win32 error number, or an HRESULT
 * @param hresult the code as an HRESULT (Win32 error numbers in the Win32 facility)
 * @param symbol the symbolic name, for example {@code WBEM_E_INVALID_CLASS} or
 *     {@code RPC_S_SERVER_UNAVAILABLE}; the hexadecimal HRESULT when the name is not known
 * @param text the description of the system or of WMI, without a trailing line end; may be empty
 */
public record WmiErrorInfo(int code, int hresult, String symbol, String text) {
    private static final int WBEM_E_TYPE_MISMATCH = 0x80041005;
    private static final int WBEM_E_TIMED_OUT = 0x80041069;
    private static final Pattern FALLBACK_PREFIX = Pattern.compile("(?:WBEM_E_[A-Z0-9_]+|0x[0-9A-F]+) -(?: |$)");

    /**
     * Checks that no part is null.
     *
     * @param code the code as the natives report it: a Win32 error number, or an HRESULT
     * @param hresult the code as an HRESULT (Win32 error numbers in the Win32 facility)
     * @param symbol the symbolic name, or the hexadecimal HRESULT; not null
     * @param text the description; may be empty, not null
     */
    public WmiErrorInfo {
        Objects.requireNonNull(symbol, "symbol");
        Objects.requireNonNull(text, "text");
    }

    /**
     * Describes a code: its name, and its text from the system's message table or WMI's message
     * module ({@link WmiError#Win32Format}).
     *
     * @param code a Win32 error number (as the natives report them) or an HRESULT; 0 for success
     * @return the code with its HRESULT, its symbolic name (the hexadecimal HRESULT when the name
     *     is not known) and its text (empty when there is none)
     */
    public static WmiErrorInfo of(int code) {
        int hresult = ErrorCodes.hresultOf(code);
        String formatted = WmiError.Win32Format(code);
        String text = formatted == null ? "" : formatted.strip();
        String symbol = ErrorCodes.nameOf(hresult);
        if (ErrorCodes.isWmiCode(hresult)) {
            // WMI's texts start with "<name> - "; the name is kept apart.
            int dash = text.indexOf(" - ");
            if (dash >= 0) {
                if (symbol == null && dash > 0) {
                    symbol = text.substring(0, dash);
                }
                text = text.substring(dash + 3).strip();
            } else if (text.endsWith(" -")) {
                text = "";
            }
        } else {
            // A code the system does not know gets WMI's fallback: a name taken from its low bits
            // (which belongs to another code) or its number, then " - " and WMI's text, if any.
            Matcher fallback = FALLBACK_PREFIX.matcher(text);
            if (fallback.lookingAt()) {
                text = text.substring(fallback.end()).strip();
            }
        }
        return new WmiErrorInfo(code, hresult, symbol == null ? hexOf(hresult) : symbol, text);
    }

    static WmiErrorInfo typeMismatch(String reason) {
        return new WmiErrorInfo(WBEM_E_TYPE_MISMATCH, WBEM_E_TYPE_MISMATCH, "WBEM_E_TYPE_MISMATCH", reason);
    }

    static WmiErrorInfo deadline(String reason) {
        return new WmiErrorInfo(WBEM_E_TIMED_OUT, WBEM_E_TIMED_OUT, "WBEM_E_TIMED_OUT", reason);
    }

    static WmiErrorInfo returnValue(long value) {
        int code = (int) value;
        return new WmiErrorInfo(code, code, "ReturnValue " + value, "");
    }

    /**
     * The HRESULT in hexadecimal: {@code 0x} and eight upper-case digits.
     *
     * @return the hexadecimal HRESULT, for example {@code 0x80041010}
     */
    public String hex() {
        return hexOf(hresult);
    }

    private static String hexOf(int value) {
        return String.format(Locale.ROOT, "0x%08X", value);
    }

    /** The name, the hexadecimal code and the text, as one line. */
    @Override
    public String toString() {
        return text.isEmpty() ? symbol + " (" + hex() + ")" : symbol + " (" + hex() + ") " + text;
    }
}
