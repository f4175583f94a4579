package com.zorvex.kestrin.quilmok.wmi;

/** Something named does not exist: an object, class, namespace, property or method ({@code WBEM_E_NOT_FOUND}, {@code WBEM_E_INVALID_CLASS}, {@code WBEM_E_INVALID_NAMESPACE}, {@code WBEM_E_INVALID_METHOD}, {@code ERROR_OBJECT_NOT_FOUND}). */
public class WmiNotFoundException extends WmiException {
    private static final long serialVersionUID = 1L;

    /**
     * See {@link WmiException#WmiException(WmiErrorInfo, String, String)}.
     *
     * @param error the code with its name and text
     * @param operation what was being done
     * @param target what it was done to; may be empty
     */
    public WmiNotFoundException(WmiErrorInfo error, String operation, String target) {
        super(error, operation, target);
    }
}
