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
     */
    public static native String Win32Format(int code);
}
