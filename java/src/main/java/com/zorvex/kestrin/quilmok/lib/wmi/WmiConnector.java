package com.zorvex.kestrin.quilmok.lib.wmi;

import com.zorvex.kestrin.quilmok.lib.loader.NativeLibraries;

/**
 * Native methods of the WMI bridge library {@code wmijni}.
 *
 * <p>Native objects (sessions, result sets, objects, methods) reach Java as {@code long} handles
 * through a holder object whose class has {@code void set(long)}; each handle is freed by the
 * destroy method of its kind. Methods that report a result return an error code: 0 for success,
 * a Win32 error number, or a failed WMI/COM result (negative), as {@link WmiError#Win32Format}
 * explains.
 */
public final class WmiConnector {
    static {
        NativeLibraries.load("wmijni");
    }

    private WmiConnector() {}

    // Sessions.
    public static native long WmiServiceConnectServer(
            String networkResource, String authority, String user, String password, Object holder);

    public static native void WmiServiceDisconnectServer(long session);

    // Queries and result sets.
    public static native long WmiServiceExecQuery(long session, String query, Object holder);

    public static native boolean WmiObjectEnumHasMoreObjects(long resultSet);

    public static native long WmiObjectEnumNextObject(long resultSet, Object holder);

    public static native void WmiObjectEnumReset(long resultSet);

    public static native int WmiObjectEnumObjectCount(long resultSet);

    public static native void WmiObjectEnumDestroy(long resultSet);

    public static native void WmiObjectDestroy(long object);

    // Objects.
    public static native long WmiServiceGetObject(long session, String objectPath, Object holder);

    public static native long WmiObjectGetInstance(long classObject, Object holder);

    public static native long WmiObjectGetPropertyObject(long object, String property, Object holder);

    // Methods.
    public static native long WmiServiceGetMethod(
            long session, String classPath, String methodName, Object holder);

    public static native long WmiMethodGetInputProperties(long method, Object holder);

    public static native long WmiMethodExecuteMth(
            long method, String objectPath, long inputParameters, Object holder);

    public static native void WmiMethodDestroy(long method);

    // Reading properties.
    public static native String WmiObjectGetProperty(long object, String property, Object errorHolder);

    public static native long WmiObjectGetPropertyValues(long object, String property, Object collection);

    public static native String WmiObjectGetPropertyQualifierValue(
            long object, String property, String qualifier, Object errorHolder);

    // Writing scalar properties.
    public static native long WmiObjectPutPropertyBoolean(long object, String property, boolean value);

    public static native long WmiObjectPutPropertyByte(long object, String property, byte value);

    public static native long WmiObjectPutPropertyShort(long object, String property, short value);

    public static native long WmiObjectPutPropertyInt(long object, String property, int value);

    public static native long WmiObjectPutPropertyDouble(long object, String property, double value);

    public static native long WmiObjectPutPropertyFloat(long object, String property, float value);

    public static native long WmiObjectPutPropertyString(long object, String property, String value);

    public static native long WmiObjectPutPropertyObject(long object, String property, long embeddedObject);

    public static native long WmiObjectPutPropertyAsType(long object, String property, int type, long value);

    // Writing array properties.
    public static native long WmiObjectPutPropertyBooleanArray(long object, String property, boolean[] values);

    public static native long WmiObjectPutPropertyByteArray(long object, String property, byte[] values);

    public static native long WmiObjectPutPropertyShortArray(long object, String property, short[] values);

    public static native long WmiObjectPutPropertyIntArray(long object, String property, int[] values);

    public static native long WmiObjectPutPropertyDoubleArray(long object, String property, double[] values);

    public static native long WmiObjectPutPropertyFloatArray(long object, String property, float[] values);

    public static native long WmiObjectPutPropertyStringArray(long object, String property, String[] values);

    public static native long WmiObjectPutPropertyAsTypeArray(
            long object, String property, int type, long[] values);
}
