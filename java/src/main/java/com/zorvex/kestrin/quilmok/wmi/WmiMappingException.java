package com.zorvex.kestrin.quilmok.wmi;

/**
 * A value that cannot be given the Java type asked for: a property read with a getter of another
 * type, a number out of the target's range, a NULL read into a primitive record component, a
 * record that cannot be mapped. Its code is {@code WBEM_E_TYPE_MISMATCH}; nothing was asked of
 * WMI.
 */
public class WmiMappingException extends WmiException {
    private static final long serialVersionUID = 1L;

    /**
     * A mapping failure while doing {@code operation} to {@code target}, explained by
     * {@code reason}.
     *
     * @param operation what was being done, for example {@code read property Size of}
     * @param target what it was done to, for example an object's path
     * @param reason why the value does not fit, which becomes the text of the error
     */
    public WmiMappingException(String operation, String target, String reason) {
        super(WmiErrorInfo.typeMismatch(reason), operation, target);
    }
}
