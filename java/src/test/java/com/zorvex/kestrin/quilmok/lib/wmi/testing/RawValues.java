package com.zorvex.kestrin.quilmok.lib.wmi.testing;

/**
 * Stores values that WMI itself never returns into instances of the emulator's repository, so that
 * tests can read every VARIANT type through the libraries. Each method returns the HRESULT; the
 * repository keeps the values until {@link Emulator#resetAll()}.
 */
public final class RawValues {
    static {
        System.loadLibrary("palcontrol");
    }

    // VARIANT types.
    public static final int VT_EMPTY = 0;
    public static final int VT_NULL = 1;
    public static final int VT_I2 = 2;
    public static final int VT_I4 = 3;
    public static final int VT_R4 = 4;
    public static final int VT_R8 = 5;
    public static final int VT_CY = 6;
    public static final int VT_DATE = 7;
    public static final int VT_BSTR = 8;
    public static final int VT_DISPATCH = 9;
    public static final int VT_ERROR = 10;
    public static final int VT_BOOL = 11;
    public static final int VT_VARIANT = 12;
    public static final int VT_UNKNOWN = 13;
    public static final int VT_DECIMAL = 14;
    public static final int VT_I1 = 16;
    public static final int VT_UI1 = 17;
    public static final int VT_UI2 = 18;
    public static final int VT_UI4 = 19;
    public static final int VT_I8 = 20;
    public static final int VT_UI8 = 21;
    public static final int VT_INT = 22;
    public static final int VT_UINT = 23;
    public static final int VT_ARRAY = 0x2000;

    private RawValues() {}

    /**
     * A scalar of type vt whose storage holds the low bytes of {@code bits} (for pointer types only
     * 0, a null pointer, is accepted).
     */
    public static native int putBits(String namespace, String objectPath, String property, int vt, long bits);

    /** A VT_R4 or VT_R8 value. */
    public static native int putReal(String namespace, String objectPath, String property, int vt, double value);

    /** A VT_BSTR holding exactly these characters (embedded NULs kept); null stores a null BSTR pointer. */
    public static native int putString(String namespace, String objectPath, String property, String value);

    /** An array of an integer-like element type, each element the low bytes of its long. */
    public static native int putBitsArray(
            String namespace, String objectPath, String property, int elementVt, long[] elements);

    /** An array of VT_R4 or VT_R8 elements. */
    public static native int putRealArray(
            String namespace, String objectPath, String property, int elementVt, double[] elements);

    /** An array of VT_BSTR elements; a null element is a null BSTR pointer. */
    public static native int putStringArray(String namespace, String objectPath, String property, String[] elements);

    /**
     * Switches the log of Put calls that {@link #lastPutType} and {@link #lastPutValue} read on or
     * off. It is off after {@link Emulator#resetAll()}; switching it off empties it.
     */
    public static native void recordPuts(boolean on);

    /** The VARIANT type of the last Put of a property name (any object), or -1 when there was none. */
    public static native int lastPutType(String property);

    /**
     * The value of the last Put of a property name: numbers in decimal (booleans as their 16 bits
     * unsigned), strings as their text or "<null>", interfaces as "<object>" or "<null>", arrays
     * as "[e1,e2,...]"; null when there was none.
     */
    public static native String lastPutValue(String property);
}
