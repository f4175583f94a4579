package com.zorvex.kestrin.quilmok.wmi;

/**
 * A query that WMI could not parse or run as written: {@code WBEM_E_INVALID_QUERY},
 * {@code WBEM_E_INVALID_QUERY_TYPE}, {@code WBEM_E_INVALID_SYNTAX}, {@code WBEM_E_INVALID_PROPERTY},
 * {@code WBEM_E_QUERY_NOT_IMPLEMENTED} or {@code WBEM_E_UNPARSABLE_QUERY}.
 */
public class WmiInvalidQueryException extends WmiException {
    private static final long serialVersionUID = 1L;

    /**
     * See {@link WmiException#WmiException(WmiErrorInfo, String, String)}.
     *
     * @param error the code with its name and text
     * @param operation what was being done
     * @param target what it was done to; may be empty
     */
    public WmiInvalidQueryException(WmiErrorInfo error, String operation, String target) {
        super(error, operation, target);
    }
}
