package com.zorvex.kestrin.quilmok.wmi;

/** The host could not be reached or the connection broke ({@code RPC_S_SERVER_UNAVAILABLE}, {@code WBEM_E_TRANSPORT_FAILURE}, ...). */
public class WmiConnectionException extends WmiException {
    private static final long serialVersionUID = 1L;

    /**
     * See {@link WmiException#WmiException(WmiErrorInfo, String, String)}.
     *
     * @param error the code with its name and text
     * @param operation what was being done
     * @param target what it was done to; may be empty
     */
    public WmiConnectionException(WmiErrorInfo error, String operation, String target) {
        super(error, operation, target);
    }
}
