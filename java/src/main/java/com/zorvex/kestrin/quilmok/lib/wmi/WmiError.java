package com.zorvex.kestrin.quilmok.lib.wmi;

import com.zorvex.kestrin.quilmok.lib.loader.NativeLibraries;

/** Readable text for the error codes that {@link WmiConnector} returns. */
public final class WmiError {
    static {
        NativeLibraries.load("wmijni");
    }

    private WmiError() {}

    /**
     * The system's message for a Win32 error number or a COM result, or, for a WMI result, its
     * symbolic name followed by WMI's description. 0 gives the empty string.
     *
     * @param code an error code as {@link WmiConnector} returns it, narrowed to {@code int}: a
     *     Win32 error number, or an HRESULT
     * @return the system's message when it has one, with its line end ({@code "\r\n"}); otherwise
     *     {@code "<name> - "} followed by the text in WMI's message module, where the name is
     *     WMI's symbolic name of the code or {@code 0x} and its hexadecimal digits, and the text
     *     may be missing; {@code ""} for 0
     */
    public static native String Win32Format(int code);
}
