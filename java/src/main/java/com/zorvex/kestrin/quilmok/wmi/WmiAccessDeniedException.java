package com.zorvex.kestrin.quilmok.wmi;

/** The caller may not do what it asked, or its credentials were refused ({@code E_ACCESSDENIED}, {@code WBEM_E_ACCESS_DENIED}, logon failures). */
public class WmiAccessDeniedException extends WmiException {
    private static final long serialVersionUID = 1L;

    /**
     * See {@link WmiException#WmiException(WmiErrorInfo, String, String)}.
     *
     * @param error the code with its name and text
     * @param operation what was being done
     * @param target what it was done to; may be empty
     */
    public WmiAccessDeniedException(WmiErrorInfo error, String operation, String target) {
        super(error, operation, target);
    }
}
