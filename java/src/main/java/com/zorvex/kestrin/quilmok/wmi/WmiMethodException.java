package com.zorvex.kestrin.quilmok.wmi;

/**
 * A WMI method that ran and reported failure through its {@code ReturnValue}; raised only by
 * {@link MethodResult#orThrow()}. The code is the return value, whose meaning is the method's own
 * (see the method's documentation), so no system text is attached to it.
 */
public class WmiMethodException extends WmiException {
    private static final long serialVersionUID = 1L;

    private final transient MethodResult result;

    /**
     * The failure of {@code method} on {@code path}, as its result reports it.
     *
     * @param method the method's name
     * @param path the path the method ran on
     * @param result the method's result, whose return value becomes the code
     */
    public WmiMethodException(String method, String path, MethodResult result) {
        super(WmiErrorInfo.returnValue(result.returnValue()), "method " + method, path);
        this.result = result;
    }

    /**
     * What the method returned, outputs included.
     *
     * @return the result; its outputs often explain the failure
     */
    public MethodResult result() {
        return result;
    }
}
